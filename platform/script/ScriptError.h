#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace plumeo {

/// A failed handler call: the library did not compile, or the handler ran and failed.
class ScriptError : public std::exception {
public:
    enum class Kind { compile, script };

    /// The script was not created or did not compile; `message` says why, `number` is the
    /// compiler's error number when it gave one.
    static ScriptError compile(std::string message, std::optional<std::int32_t> number = {}) {
        return ScriptError(Kind::compile, number.value_or(-1), std::move(message));
    }
    /// The handler raised an AppleScript error (or its Apple event failed).
    static ScriptError script(int code, std::string message) {
        return ScriptError(Kind::script, code, std::move(message));
    }

    Kind kind() const { return kind_; }
    /// The AppleScript error number; for compile failures the compiler's, or -1 without one.
    int code() const { return code_; }
    const std::string& message() const { return message_; }

    /// The user-facing text.
    std::string description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const ScriptError& other) const {
        return kind_ == other.kind_ && code_ == other.code_ && message_ == other.message_;
    }

private:
    ScriptError(Kind kind, int code, std::string message)
        : kind_(kind), code_(code), message_(std::move(message)),
          description_(kind_ == Kind::compile
                           ? "脚本编译失败：" + message_
                           : "AppleScript 错误 " + std::to_string(code_) + "：" + message_) {}

    Kind kind_;
    int code_;
    std::string message_;
    std::string description_; // built once so what() can hand out a stable pointer
};

} // namespace plumeo
