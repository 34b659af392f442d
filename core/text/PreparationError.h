#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace plumeo {

/// Why an article cannot be typed. Preparation stops at the first problem.
class PreparationError : public std::exception {
public:
    enum class Kind { unsupportedCharacter, empty };

    /// `graphemeIndex` is 0-based over the whole article (breaks and tabs included); `line` is
    /// 1-based, every paragraph break and line break starting a new one.
    static PreparationError unsupportedCharacter(std::uint32_t scalar, int graphemeIndex,
                                                 int line) {
        return PreparationError(Kind::unsupportedCharacter, scalar, graphemeIndex, line);
    }
    static PreparationError empty() { return PreparationError(Kind::empty, 0, 0, 0); }

    Kind kind() const { return kind_; }
    std::uint32_t scalar() const { return scalar_; } ///< Only for Kind::unsupportedCharacter.
    int graphemeIndex() const { return graphemeIndex_; }
    int line() const { return line_; }

    /// The user-facing text of this error.
    std::string description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const PreparationError& other) const {
        return kind_ == other.kind_ && scalar_ == other.scalar_ &&
               graphemeIndex_ == other.graphemeIndex_ && line_ == other.line_;
    }

private:
    PreparationError(Kind kind, std::uint32_t scalar, int graphemeIndex, int line);

    Kind kind_;
    std::uint32_t scalar_;
    int graphemeIndex_;
    int line_;
    std::string description_; // Built once so what() can hand out a stable pointer.
};

} // namespace plumeo
