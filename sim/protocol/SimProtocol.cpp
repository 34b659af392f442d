#include "sim/protocol/SimProtocol.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace plumeo::simproto {

std::string socketPathFromEnvironment() {
    if (const char* explicitPath = std::getenv("PLUMEO_SIM_SOCKET");
        explicitPath && *explicitPath) {
        return explicitPath;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        return std::string(runtime) + "/plumeo-sim.sock";
    }
    return "/tmp/plumeo-sim-" + std::to_string(getuid()) + "/sim.sock";
}

std::variant<Request, BadRequest> parseRequest(std::string_view line) {
    nlohmann::json message = nlohmann::json::parse(line, nullptr, false);
    if (message.is_discarded()) {
        return BadRequest{0, "malformed", "not a JSON document"};
    }
    if (!message.is_object()) {
        return BadRequest{0, "invalid", "a request is a JSON object"};
    }
    Request request;
    if (const auto id = message.find("id"); id != message.end()) {
        if (!id->is_number_integer()) {
            return BadRequest{0, "invalid", "\"id\" must be an integer"};
        }
        request.id = id->get<std::int64_t>();
    }
    const auto op = message.find("op");
    if (op == message.end() || !op->is_string()) {
        return BadRequest{request.id, "invalid", "\"op\" must be a string"};
    }
    request.op = op->get<std::string>();
    if (const auto args = message.find("args"); args != message.end()) {
        if (!args->is_object()) {
            return BadRequest{request.id, "invalid", "\"args\" must be an object"};
        }
        request.args = *args;
    }
    return request;
}

namespace {

std::string lineOf(const nlohmann::json& message) {
    // Replacing invalid UTF-8 keeps an answer encodable whatever text the model holds.
    return message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

} // namespace

std::string encodeRequest(const Request& request) {
    return lineOf({{"id", request.id}, {"op", request.op}, {"args", request.args}});
}

std::string encodeResult(std::int64_t id, const nlohmann::json& result) {
    return lineOf({{"id", id}, {"ok", true}, {"result", result}});
}

std::string encodeError(std::int64_t id, std::string_view code, std::string_view message) {
    return lineOf({{"id", id},
                   {"ok", false},
                   {"error", {{"code", std::string(code)}, {"message", std::string(message)}}}});
}

// -- LineSplitter --------------------------------------------------------------------------------

void LineSplitter::append(std::string_view bytes) {
    while (!bytes.empty()) {
        const auto newline = bytes.find('\n');
        if (discarding_) {
            if (newline == std::string_view::npos) {
                return;
            }
            bytes.remove_prefix(newline + 1);
            discarding_ = false;
            continue;
        }
        if (newline == std::string_view::npos) {
            partial_.append(bytes);
            if (partial_.size() > maxBytes_) {
                complete_.push_back({true, {}});
                partial_.clear();
                discarding_ = true;
            }
            return;
        }
        partial_.append(bytes.substr(0, newline));
        bytes.remove_prefix(newline + 1);
        if (partial_.size() > maxBytes_) {
            complete_.push_back({true, {}});
        } else {
            complete_.push_back({false, std::move(partial_)});
        }
        partial_.clear();
    }
}

LineSplitter::Status LineSplitter::next(std::string& line) {
    if (complete_.empty()) {
        return Status::needMore;
    }
    Item item = std::move(complete_.front());
    complete_.pop_front();
    if (item.overflow) {
        return Status::overflow;
    }
    line = std::move(item.line);
    return Status::line;
}

// -- Sockets -------------------------------------------------------------------------------------

namespace {

int openSocket() {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd >= 0) {
        fcntl(fd, F_SETFD, FD_CLOEXEC);
#ifdef SO_NOSIGPIPE
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof(on));
#endif
    }
    return fd;
}

sockaddr_un addressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        throw SimError("listen", "socket path too long: " + path);
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

} // namespace

int listenAt(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        const std::string directory = path.substr(0, slash);
        if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
            throw SimError("listen", "cannot create " + directory + ": " + std::strerror(errno));
        }
    }
    sockaddr_un address = addressOf(path);
    const int fd = openSocket();
    if (fd < 0) {
        throw SimError("listen", std::string("socket: ") + std::strerror(errno));
    }
    unlink(path.c_str());
    // The socket is created with the user's permissions only.
    const mode_t previous = umask(0077);
    const int bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    umask(previous);
    if (bound != 0 || listen(fd, 16) != 0) {
        const std::string reason = std::strerror(errno);
        close(fd);
        throw SimError("listen", "cannot listen at " + path + ": " + reason);
    }
    chmod(path.c_str(), 0600);
    return fd;
}

bool writeAll(int fd, std::string_view bytes) {
#ifdef MSG_NOSIGNAL
    constexpr int sendFlags = MSG_NOSIGNAL;
#else
    constexpr int sendFlags = 0;
#endif
    while (!bytes.empty()) {
        const ssize_t written = send(fd, bytes.data(), bytes.size(), sendFlags);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// -- SimConnection -------------------------------------------------------------------------------

SimConnection::SimConnection(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) {
        throw SimError("connect", "socket path too long: " + path);
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    fd_ = openSocket();
    if (fd_ < 0) {
        throw SimError("connect", std::string("socket: ") + std::strerror(errno));
    }
    if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        const std::string reason = std::strerror(errno);
        close(fd_);
        fd_ = -1;
        throw SimError("connect", "no simulator at " + path + ": " + reason);
    }
}

SimConnection::~SimConnection() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

std::string SimConnection::readLine() {
    std::string line;
    for (;;) {
        switch (splitter_.next(line)) {
        case LineSplitter::Status::line:
            return line;
        case LineSplitter::Status::overflow:
            throw SimError("transport", "answer too long");
        case LineSplitter::Status::needMore:
            break;
        }
        char buffer[65536];
        const ssize_t received = recv(fd_, buffer, sizeof(buffer), 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            throw SimError("transport", "the simulator closed the connection");
        }
        splitter_.append(std::string_view(buffer, static_cast<std::size_t>(received)));
    }
}

std::string SimConnection::exchangeRaw(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    if (!writeAll(fd_, bytes)) {
        throw SimError("transport", "cannot send to the simulator");
    }
    return readLine();
}

nlohmann::json SimConnection::call(const std::string& op, const nlohmann::json& args) {
    std::lock_guard lock(mutex_);
    const std::int64_t id = nextId_++;
    if (!writeAll(fd_, encodeRequest({id, op, args}))) {
        throw SimError("transport", "cannot send to the simulator");
    }
    const nlohmann::json answer = nlohmann::json::parse(readLine(), nullptr, false);
    if (answer.is_discarded() || !answer.is_object() || !answer.contains("ok")) {
        throw SimError("transport", "unreadable answer from the simulator");
    }
    if (answer.value("id", std::int64_t{-1}) != id) {
        throw SimError("transport", "answer to another request");
    }
    if (!answer["ok"].get<bool>()) {
        const auto& error = answer["error"];
        throw SimError(error.value("code", "error"), error.value("message", ""));
    }
    return answer.value("result", nlohmann::json());
}

} // namespace plumeo::simproto
