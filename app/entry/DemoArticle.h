#pragma once

#include <QString>

namespace plumeo::entry {

/// The article that interface snapshots show with "--demo": Chinese, English, numbers, empty
/// lines and emoji, so that every kind of text appears once.
inline QString demoArticle() {
    return QStringLiteral(
        "周末计划\n\n上午去图书馆整理这周的读书笔记，下午和朋友一起跑步 5 公里。\n"
        "晚上把下周的安排写进日程，早点休息。\n\nWeekend plan: read, run, and rest well.\n\n"
        "📚 整理读书笔记\n🏃 跑步 5 公里\n☕️ 早点休息");
}

} // namespace plumeo::entry
