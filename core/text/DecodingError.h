#pragma once

#include <stdexcept>
#include <string>

namespace plumeo {

/// A JSON document that does not describe a value completely and correctly. Decoders throw
/// this instead of returning a partially filled value.
class DecodingError : public std::runtime_error {
public:
    explicit DecodingError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace plumeo
