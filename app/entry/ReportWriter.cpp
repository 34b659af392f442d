#include "app/entry/ReportWriter.h"

#include <ctime>
#include <stdexcept>

namespace plumeo::entry {

ReportWriter::ReportWriter(const std::filesystem::path& directory, const std::string& fileName)
    : path_(directory / fileName) {
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    out_.open(path_, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out_)
        throw std::runtime_error("无法写入报告文件：" + path_.string());
}

void ReportWriter::line(const std::string& text) {
    out_ << text << '\n';
    out_.flush();
}

std::string isoTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[40];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string text = buffer;
    // strftime writes +0800; ISO 8601's extended form wants +08:00.
    if (text.size() >= 5)
        text.insert(text.size() - 2, ":");
    return text;
}

} // namespace plumeo::entry
