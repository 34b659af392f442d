#include "sim/model/ScriptLibrary.h"

#include <algorithm>
#include <cctype>

namespace plumeo::sim {

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string_view trimmed(std::string_view line) {
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
        line.remove_prefix(1);
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}

std::string identifierAt(std::string_view text) {
    std::size_t length = 0;
    while (length < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[length])) || text[length] == '_')) {
        ++length;
    }
    return lowered(text.substr(0, length));
}

} // namespace

bool LibraryScan::declares(std::string_view handler) const {
    const std::string wanted = lowered(handler);
    return std::find(handlers.begin(), handlers.end(), wanted) != handlers.end();
}

bool LibraryScan::checksWordRunning(std::string_view handler) const {
    const auto body = bodies.find(lowered(handler));
    if (body == bodies.end()) {
        return false;
    }
    auto looks = [](const std::string& text) {
        return text.find("is running") != std::string::npos ||
               text.find("is not running") != std::string::npos;
    };
    if (looks(body->second)) {
        return true;
    }
    // One level of helpers is enough for our libraries.
    constexpr std::string_view call = "my ";
    for (std::size_t at = body->second.find(call); at != std::string::npos;
         at = body->second.find(call, at + call.size())) {
        const auto helper =
            bodies.find(identifierAt(std::string_view(body->second).substr(at + 3)));
        if (helper != bodies.end() && looks(helper->second)) {
            return true;
        }
    }
    return false;
}

LibraryScan scanLibrary(std::string_view source) {
    LibraryScan scan;
    std::string open;
    std::size_t position = 0;
    while (position <= source.size()) {
        const std::size_t newline = std::min(source.find('\n', position), source.size());
        const std::string line = lowered(trimmed(source.substr(position, newline - position)));
        position = newline + 1;
        if (line.empty() || line.starts_with("--")) {
            continue;
        }
        if (open.empty()) {
            if (line.starts_with("on ")) {
                const std::string name = identifierAt(std::string_view(line).substr(3));
                if (name.empty() || line.find('(') == std::string::npos) {
                    scan.errorMessage = "Expected function name but found “" + line + "”.";
                    return scan;
                }
                open = name;
                scan.handlers.push_back(name);
            } else if (line.starts_with("end")) {
                scan.errorMessage = "Expected end of line, etc. but found “end”.";
                return scan;
            }
        } else if (line.starts_with("end ") &&
                   identifierAt(std::string_view(line).substr(4)) == open) {
            open.clear();
        } else {
            scan.bodies[open] += line + "\n";
        }
    }
    if (!open.empty()) {
        scan.errorMessage = "Expected “end” but found end of script.";
        return scan;
    }
    scan.compiled = true;
    return scan;
}

double handlerTimeLimitSeconds(std::string_view handler) {
    const std::string name = lowered(handler);
    if (name == "readall") {
        return 5;
    }
    if (name == "docstate" || name == "readrange" || name == "environment" ||
        name == "autosettings" || name == "placecursor") {
        return 3;
    }
    if (name == "showdialog") {
        return 30;
    }
    return 120;
}

} // namespace plumeo::sim
