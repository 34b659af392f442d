#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace plumeo::entry {

/// A headless job's Markdown report: one file in the report directory (created with its
/// parents), each line appended and flushed as it is written so that a job that hangs or is
/// killed still leaves what it found.
class ReportWriter {
public:
    /// Throws std::runtime_error with a message for the user when the file cannot be created.
    ReportWriter(const std::filesystem::path& directory, const std::string& fileName);
    void line(const std::string& text);
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::ofstream out_;
};

/// ISO 8601 date and time of now, local time with its offset ("2026-12-07T04:05:06+08:00").
std::string isoTimestamp();

} // namespace plumeo::entry
