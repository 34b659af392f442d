#include "app/selftest/SelfTestOutput.h"

namespace plumeo::selftest {

SelfTestOutput::SelfTestOutput(std::filesystem::path dir, const std::string& fileName)
    : dir_(std::move(dir)) {
    std::error_code ignored;
    std::filesystem::create_directories(dir_, ignored);
    // Each run starts its own report; a previous run's lines would read as this one's.
    handle_ = std::fopen((dir_ / fileName).c_str(), "wb");
}

SelfTestOutput::~SelfTestOutput() {
    if (handle_)
        std::fclose(handle_);
}

void SelfTestOutput::line(const std::string& text) {
    const std::lock_guard<std::mutex> guard(lock_);
    if (!handle_)
        return;
    const std::string bytes = text + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), handle_);
    // A crash later in the run must not take the lines already written with it.
    std::fflush(handle_);
}

} // namespace plumeo::selftest
