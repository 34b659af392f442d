#pragma once

#include <string_view>

/// The fixed homophone table behind the natural mode's Chinese typos: each indexed character
/// maps to the other characters of its pronunciation group, in group order. The table is built
/// once per process, on first use, and never changes.
namespace plumeo::Homophones {

bool hasAlternatives(char16_t character);

/// The characters that sound like `character`, without it; empty when it is not indexed. The
/// view stays valid for the life of the process.
std::u16string_view alternatives(char16_t character);

} // namespace plumeo::Homophones
