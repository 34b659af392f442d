#include "core/text/PreparationError.h"

#include <cstdio>

namespace plumeo {

PreparationError::PreparationError(Kind kind, std::uint32_t scalar, int graphemeIndex, int line)
    : kind_(kind), scalar_(scalar), graphemeIndex_(graphemeIndex), line_(line) {
    if (kind == Kind::empty) {
        description_ = "文章为空。";
        return;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(scalar));
    description_ = "第 " + std::to_string(line) + " 行（第 " + std::to_string(graphemeIndex + 1) +
                   " 个字）包含不支持的控制字符 U+" + hex + "，请删除后再开始。";
}

} // namespace plumeo
