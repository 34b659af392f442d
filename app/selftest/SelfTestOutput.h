#pragma once

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

namespace plumeo::selftest {

/// The Markdown report of a run, appended line by line from any thread. A report that cannot
/// be written must not stop the run: failed writes, and writes without a file, are dropped.
class SelfTestOutput {
public:
    SelfTestOutput(std::filesystem::path dir, const std::string& fileName);
    ~SelfTestOutput();
    SelfTestOutput(const SelfTestOutput&) = delete;
    SelfTestOutput& operator=(const SelfTestOutput&) = delete;

    void line(const std::string& text);
    const std::filesystem::path& dir() const { return dir_; }
    bool isOpen() const { return handle_ != nullptr; }

private:
    std::filesystem::path dir_;
    std::FILE* handle_ = nullptr;
    std::mutex lock_;
};

} // namespace plumeo::selftest
