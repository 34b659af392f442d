#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace plumeo::simproto {

// The simulator speaks newline-delimited JSON over a Unix domain socket. A request is
//   {"id": <integer>, "op": "<name>", "args": {...}}
// and its answer
//   {"id": <same>, "ok": true, "result": <value>}  or
//   {"id": <same>, "ok": false, "error": {"code": "<code>", "message": "<text>"}}.
// Answers come in request order on each connection. Notifications are fetched with the
// "events.wait" request (a long poll), so the stream never mixes unsolicited messages in.

/// No request line may exceed this; a longer one is answered with an "oversized" error and
/// skipped.
inline constexpr std::size_t maxMessageBytes = std::size_t{1} << 20;
/// Answers may be longer (a whole long document read back), up to this.
inline constexpr std::size_t maxAnswerBytes = std::size_t{64} << 20;

/// The socket path: $PLUMEO_SIM_SOCKET, else $XDG_RUNTIME_DIR/plumeo-sim.sock, else
/// /tmp/plumeo-sim-<uid>/sim.sock.
std::string socketPathFromEnvironment();

struct Request {
    std::int64_t id = 0;
    std::string op;
    nlohmann::json args = nlohmann::json::object();
};

/// A request line that is not a well-formed request. `id` is the request's id when it could
/// be read, so the error answer can carry it.
struct BadRequest {
    std::int64_t id = 0;
    std::string code; ///< "malformed" or "invalid"
    std::string message;
};

/// Parses one line (without its newline). Never throws.
std::variant<Request, BadRequest> parseRequest(std::string_view line);

std::string encodeRequest(const Request& request);
std::string encodeResult(std::int64_t id, const nlohmann::json& result);
std::string encodeError(std::int64_t id, std::string_view code, std::string_view message);

/// Splits a byte stream into lines of at most maxBytes. An overlong line is reported once, in
/// its place among the other lines, and its bytes are discarded up to its newline.
class LineSplitter {
public:
    explicit LineSplitter(std::size_t maxBytes = maxMessageBytes) : maxBytes_(maxBytes) {}

    void append(std::string_view bytes);
    enum class Status { line, overflow, needMore };
    /// The next complete line in `line`, an overflow notice, or needMore.
    Status next(std::string& line);

private:
    struct Item {
        bool overflow = false;
        std::string line;
    };
    std::size_t maxBytes_;
    std::deque<Item> complete_;
    std::string partial_;
    bool discarding_ = false;
};

/// A failure of the transport or an error answer.
class SimError : public std::runtime_error {
public:
    SimError(std::string code, const std::string& message)
        : std::runtime_error(message), code_(std::move(code)) {}
    const std::string& code() const { return code_; }

private:
    std::string code_;
};

/// A blocking client connection. Calls are serialised, so one connection may be shared by
/// threads; a long poll ("events.wait") should have a connection of its own.
class SimConnection {
public:
    /// Connects; throws SimError("connect") when nothing listens at `path`.
    explicit SimConnection(const std::string& path);
    ~SimConnection();
    SimConnection(const SimConnection&) = delete;
    SimConnection& operator=(const SimConnection&) = delete;

    /// Sends one request and returns its result; throws SimError with the answer's code, or
    /// with "transport" when the connection fails.
    nlohmann::json call(const std::string& op,
                        const nlohmann::json& args = nlohmann::json::object());
    /// Sends raw bytes and returns the next answer line, for protocol tests.
    std::string exchangeRaw(std::string_view bytes);

private:
    std::string readLine();

    std::mutex mutex_;
    int fd_ = -1;
    std::int64_t nextId_ = 1;
    LineSplitter splitter_{maxAnswerBytes};
};

// POSIX helpers shared by the server and the client.

/// Creates the directory of `path` (0700 when it makes it) and a listening socket there,
/// readable and writable by the user only. Throws SimError("listen").
int listenAt(const std::string& path);
/// Writes everything; false when the peer is gone.
bool writeAll(int fd, std::string_view bytes);

} // namespace plumeo::simproto
