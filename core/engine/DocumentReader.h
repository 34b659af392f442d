#pragma once

#include "core/engine/DocState.h"

#include <string>

namespace plumeo {

/// Reads the target document back. Failures are thrown as ReadError or any other
/// std::exception; the engine shows a ReadError by its description and others by what().
/// Called from the engine's worker thread, never with the engine lock held.
class DocumentReader {
public:
    virtual ~DocumentReader() = default;

    virtual DocState state() = 0;
    /// The main-story text in [start, end).
    virtual std::u16string read(int start, int end) = 0;
    /// The whole main-story text.
    virtual std::u16string readAll() = 0;
    /// Whether the most recent read or readAll reproduced the document character for
    /// character. When it did not (script reads turn astral characters into placeholders),
    /// the engine accepts a placeholder match instead of exact equality.
    virtual bool readsAreFaithful() const { return true; }
};

} // namespace plumeo
