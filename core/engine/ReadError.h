#pragma once

#include <exception>
#include <string>
#include <utility>

namespace plumeo {

/// A failure to read the target document back.
class ReadError : public std::exception {
public:
    enum class Kind { failed, timeout, notAuthorized, wordNotRunning, noDocument };

    /// The word processor answered with an error: its code and message.
    static ReadError failed(int code, std::string message) {
        return ReadError(Kind::failed, code, std::move(message));
    }
    /// No answer in time; usually a dialog is open.
    static ReadError timeout() { return ReadError(Kind::timeout); }
    static ReadError notAuthorized() { return ReadError(Kind::notAuthorized); }
    static ReadError wordNotRunning() { return ReadError(Kind::wordNotRunning); }
    static ReadError noDocument() { return ReadError(Kind::noDocument); }

    Kind kind() const { return kind_; }
    int code() const { return code_; }                      ///< Only for Kind::failed.
    const std::string& message() const { return message_; } ///< Only for Kind::failed.

    /// The user-facing text of this error.
    std::string description() const { return description_; }
    const char* what() const noexcept override { return description_.c_str(); }

    bool operator==(const ReadError& other) const {
        return kind_ == other.kind_ && code_ == other.code_ && message_ == other.message_;
    }

private:
    explicit ReadError(Kind kind, int code = 0, std::string message = {})
        : kind_(kind), code_(code), message_(std::move(message)),
          description_(describe(kind_, code_, message_)) {}

    static std::string describe(Kind kind, int code, const std::string& message) {
        switch (kind) {
        case Kind::failed:
            return "读回失败（" + std::to_string(code) + "）：" + message;
        case Kind::timeout:
            return "Word 在限定时间内没有响应（可能有对话框打开）";
        case Kind::notAuthorized:
            return "没有控制 Word 的自动化权限";
        case Kind::wordNotRunning:
            return "Word 没有运行";
        case Kind::noDocument:
            return "Word 没有打开的文档";
        }
        return {};
    }

    Kind kind_;
    int code_;
    std::string message_;
    std::string description_; // Built once so what() can hand out a stable pointer.
};

} // namespace plumeo
