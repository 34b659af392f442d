#include "platform/backend/writer/WriterOffice.h"

#include "platform/backend/writer/WriterConnection.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace plumeo {

namespace {

using Clock = std::chrono::steady_clock;

/// soffice.bin's exit code for "start me again" (its E_NORMAL_RESTART).
constexpr int restartRequested = 81;

std::string fileUrl(const std::filesystem::path& path) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : std::filesystem::absolute(path).string()) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            url.push_back(static_cast<char>(c));
        } else {
            url += {'%', hex[c >> 4], hex[c & 15]};
        }
    }
    return url;
}

std::string defaultPipeName() {
    static std::atomic<int> counter{0};
    return "plumeo-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

int statusCode(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

/// Closes every document without saving, so terminating asks nothing.
void closeAllDocuments(WriterConnection& connection) {
    auto components = connection.desktop->getComponents()->createEnumeration();
    while (components->hasMoreElements()) {
        css::uno::Reference<css::util::XModifiable> modifiable(components->nextElement(),
                                                               css::uno::UNO_QUERY);
        if (modifiable.is()) {
            modifiable->setModified(false);
        }
        css::uno::Reference<css::util::XCloseable> closeable(modifiable, css::uno::UNO_QUERY);
        if (closeable.is()) {
            closeable->close(true);
        }
    }
}

} // namespace

WriterOffice::WriterOffice(WriterOfficeOptions options) : options_(std::move(options)) {
    if (options_.pipeName.empty()) {
        options_.pipeName = defaultPipeName();
    }
}

WriterOffice::~WriterOffice() {
    stop();
}

std::optional<std::filesystem::path>
WriterOffice::findSoffice(const std::optional<std::filesystem::path>& preferred) {
    std::vector<std::filesystem::path> candidates;
    if (preferred) {
        candidates.push_back(*preferred);
    } else {
        if (const char* fromEnvironment = std::getenv("PLUMEO_SOFFICE"); fromEnvironment) {
            candidates.emplace_back(fromEnvironment);
        }
        if (const char* path = std::getenv("PATH"); path) {
            std::istringstream entries(path);
            for (std::string entry; std::getline(entries, entry, ':');) {
                if (!entry.empty()) {
                    candidates.push_back(std::filesystem::path(entry) / "soffice");
                }
            }
        }
        candidates.emplace_back("/usr/lib/libreoffice/program/soffice");
    }
    for (const auto& candidate : candidates) {
        std::error_code error;
        // soffice is a launcher script; its soffice.bin beside it is the office itself, whose
        // pid the X side needs to find the office's windows.
        const auto resolved = std::filesystem::canonical(candidate, error);
        if (error) {
            continue;
        }
        const auto binary = resolved.parent_path() / "soffice.bin";
        if (access(binary.c_str(), X_OK) == 0) {
            return binary;
        }
        if (access(resolved.c_str(), X_OK) == 0 && resolved.filename() == "soffice.bin") {
            return resolved;
        }
    }
    return std::nullopt;
}

std::optional<WriterOfficeError> WriterOffice::start() {
    std::unique_lock lock(mutex_);
    if (pid_ && !reapLocked() && connection_) {
        return std::nullopt;
    }
    if (watched_ && pid_) {
        lock.unlock();
        stop();
        lock.lock();
    }
    joinWatcher(lock);
    if (pid_) {
        killLocked();
    }
    const auto soffice = findSoffice(options_.soffice);
    if (!soffice) {
        return WriterOfficeError{WriterOfficeError::Kind::notInstalled,
                                 "未安装 LibreOffice：找不到 soffice。请安装 libreoffice-writer"
                                 "（Debian：bash scripts/install-deps.sh），或用 PLUMEO_SOFFICE "
                                 "指明 soffice 的位置。"};
    }
    if (auto failure = writeWriterProfile(options_.profileDirectory, options_.profile)) {
        return WriterOfficeError{WriterOfficeError::Kind::profileFailed, *failure};
    }

    const std::vector<std::string> arguments = {
        soffice->string(),
        "-env:UserInstallation=" + fileUrl(options_.profileDirectory),
        "--accept=pipe,name=" + options_.pipeName + ";urp;StarOffice.ComponentContext",
        "--norestore",
        "--nologo",
        "--nodefault",
        "--nolockcheck",
    };
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0 &&
            std::strncmp(*entry, "SAL_USEINPUTMETHOD=", 19) != 0) {
            environment.emplace_back(*entry);
        }
    }
    if (!options_.display.empty()) {
        environment.push_back("DISPLAY=" + options_.display);
    }
    // Without an input method: the user's (a Chinese one, say) would compose the keys Plumeo
    // types instead of passing them on, and X's own drops keys that come in quick succession.
    environment.push_back("SAL_USEINPUTMETHOD=");
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const auto& entry : environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);

    // The office's own output goes to a log in its profile, not into our report streams.
    const auto logPath = options_.profileDirectory / "soffice.log";
    auto spawn = [&](pid_t& child, int logFlags) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                         O_WRONLY | O_CREAT | logFlags, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const int error = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        return error;
    };
    pid_t child = 0;
    const auto spawnedAt = Clock::now();
    if (const int spawnError = spawn(child, O_TRUNC); spawnError != 0) {
        return WriterOfficeError{WriterOfficeError::Kind::spawnFailed,
                                 "无法启动 LibreOffice（" + soffice->string() + "）：" +
                                     std::strerror(spawnError)};
    }
    pid_ = child;
    exitCode_.reset();

    const auto deadline =
        spawnedAt + std::chrono::duration_cast<Clock::duration>(
                        std::chrono::duration<double>(options_.connectTimeoutSeconds));
    std::string lastError;
    int restarts = 0;
    while (true) {
        // A fresh profile makes soffice.bin set itself up and exit asking to be started again,
        // which its launcher script would do; so do we.
        if (reapLocked() && exitCode_ == restartRequested && restarts++ < 3) {
            if (spawn(child, O_APPEND) == 0) {
                pid_ = child;
                exitCode_.reset();
                continue;
            }
        }
        if (reapLocked()) {
            return WriterOfficeError{WriterOfficeError::Kind::exited,
                                     "LibreOffice 启动后退出（退出码 " +
                                         std::to_string(exitCode_.value_or(-1)) + "，日志 " +
                                         logPath.string() + "）。"};
        }
        connection_ =
            connectToOffice(soffice->parent_path().string(), options_.pipeName, lastError);
        if (connection_ && reapLocked()) {
            // Our process handed its arguments to an office already running on this profile
            // and left: the answer came from that one, which we neither own nor watch.
            connection_.reset();
            return WriterOfficeError{WriterOfficeError::Kind::exited,
                                     "LibreOffice 配置目录 " + options_.profileDirectory.string() +
                                         " 正被另一个 LibreOffice 使用。"};
        }
        if (connection_) {
            startupSeconds_ = std::chrono::duration<double>(Clock::now() - spawnedAt).count();
            watchLocked();
            return std::nullopt;
        }
        if (Clock::now() >= deadline) {
            killLocked();
            return WriterOfficeError{
                WriterOfficeError::Kind::notReady,
                "LibreOffice 在 " +
                    std::to_string(static_cast<int>(options_.connectTimeoutSeconds)) +
                    " 秒内没有通过 UNO 应答（" + lastError + "）。"};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void WriterOffice::stop() {
    std::unique_lock lock(mutex_);
    if (pid_ && connection_ && !reapLocked()) {
        try {
            std::lock_guard calls(connection_->mutex);
            closeAllDocuments(*connection_);
            connection_->desktop->terminate();
        } catch (const css::uno::Exception&) {
            // The office going away under the call is the expected way for terminate to end.
        }
    }
    connection_.reset();
    const auto grace = std::chrono::duration<double>(options_.stopGraceSeconds);
    if (!watched_) {
        const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(grace);
        while (!reapLocked() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        killLocked();
        return;
    }
    if (!exited_.wait_for(lock, grace, [&] { return !pid_; })) {
        kill(*pid_, SIGKILL);
        exited_.wait(lock, [&] { return !pid_; });
    }
    joinWatcher(lock);
}

void WriterOffice::setExitObserver(std::function<void(int pid, int exitCode)> observer) {
    std::lock_guard lock(mutex_);
    exitObserver_ = std::move(observer);
}

void WriterOffice::watchLocked() {
    watched_ = true;
    watcher_ = std::thread([this, pid = *pid_] {
        int status = 0;
        pid_t reaped = 0;
        do {
            reaped = waitpid(pid, &status, 0);
        } while (reaped < 0 && errno == EINTR);
        const int code = reaped == pid ? statusCode(status) : -1;
        std::function<void(int, int)> observer;
        {
            std::lock_guard lock(mutex_);
            exitCode_ = code;
            pid_.reset();
            connection_.reset();
            observer = exitObserver_;
        }
        exited_.notify_all();
        if (observer) {
            observer(pid, code);
        }
    });
}

void WriterOffice::joinWatcher(std::unique_lock<std::mutex>& lock) {
    if (!watcher_.joinable()) {
        watched_ = false;
        return;
    }
    auto watcher = std::move(watcher_);
    lock.unlock();
    if (watcher.get_id() == std::this_thread::get_id()) {
        watcher.detach(); // stop() from the exit observer: the watcher is about to end
    } else {
        watcher.join();
    }
    lock.lock();
    watched_ = false;
}

bool WriterOffice::reapLocked() const {
    if (watched_) {
        return !pid_;
    }
    if (!pid_) {
        return true;
    }
    int status = 0;
    const pid_t reaped = waitpid(*pid_, &status, WNOHANG);
    if (reaped == *pid_) {
        exitCode_ = statusCode(status);
        pid_.reset();
        return true;
    }
    if (reaped < 0 && errno == ECHILD) {
        pid_.reset();
        return true;
    }
    return false;
}

void WriterOffice::killLocked() {
    if (!pid_ || reapLocked()) {
        return;
    }
    kill(*pid_, SIGKILL);
    int status = 0;
    if (waitpid(*pid_, &status, 0) == *pid_) {
        exitCode_ = statusCode(status);
    }
    pid_.reset();
    connection_.reset();
}

bool WriterOffice::isRunning() const {
    std::lock_guard lock(mutex_);
    return !reapLocked();
}

std::optional<int> WriterOffice::pid() const {
    std::lock_guard lock(mutex_);
    reapLocked();
    return pid_;
}

std::optional<int> WriterOffice::exitCode() const {
    std::lock_guard lock(mutex_);
    reapLocked();
    return exitCode_;
}

std::shared_ptr<WriterConnection> WriterOffice::connection() const {
    std::lock_guard lock(mutex_);
    if (reapLocked()) {
        return nullptr;
    }
    return connection_;
}

} // namespace plumeo
