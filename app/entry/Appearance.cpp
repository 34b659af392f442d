#include "app/entry/Appearance.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QPalette>
#include <QStyleFactory>

namespace plumeo::entry {
namespace {

QPalette lightPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0xf4, 0xf5, 0xf7));
    p.setColor(QPalette::WindowText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xf0, 0xf0, 0xf2));
    p.setColor(QPalette::Text, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::PlaceholderText, QColor(0x1d, 0x1d, 0x1f, 0x70));
    p.setColor(QPalette::Button, QColor(0xfb, 0xfb, 0xfc));
    p.setColor(QPalette::ButtonText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xeb));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, Qt::white);
    p.setColor(QPalette::ToolTipText, QColor(0x1d, 0x1d, 0x1f));
    p.setColor(QPalette::Mid, QColor(0xc7, 0xc7, 0xcc));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x1d, 0x1d, 0x1f, 0x66));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x1d, 0x1d, 0x1f, 0x66));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x1d, 0x1d, 0x1f, 0x66));
    return p;
}

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x1e, 0x1f, 0x22));
    p.setColor(QPalette::WindowText, QColor(0xec, 0xec, 0xee));
    p.setColor(QPalette::Base, QColor(0x26, 0x27, 0x2b));
    p.setColor(QPalette::AlternateBase, QColor(0x2c, 0x2d, 0x31));
    p.setColor(QPalette::Text, QColor(0xec, 0xec, 0xee));
    p.setColor(QPalette::PlaceholderText, QColor(0xec, 0xec, 0xee, 0x70));
    p.setColor(QPalette::Button, QColor(0x32, 0x33, 0x38));
    p.setColor(QPalette::ButtonText, QColor(0xec, 0xec, 0xee));
    p.setColor(QPalette::Highlight, QColor(0x4d, 0x8d, 0xff));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0x32, 0x33, 0x38));
    p.setColor(QPalette::ToolTipText, QColor(0xec, 0xec, 0xee));
    p.setColor(QPalette::Light, QColor(0x48, 0x49, 0x4f));
    p.setColor(QPalette::Mid, QColor(0x3a, 0x3b, 0x40));
    p.setColor(QPalette::Dark, QColor(0x12, 0x12, 0x14));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0xec, 0xec, 0xee, 0x66));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0xec, 0xec, 0xee, 0x66));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0xec, 0xec, 0xee, 0x66));
    return p;
}

} // namespace

void applyAppearance(QApplication& application, Appearance appearance) {
    QFont font = QApplication::font();
#ifndef Q_OS_MACOS
    // macOS falls back to PingFang by itself; elsewhere name the faces the set-up installs.
    font.setFamilies(
        {font.family(), QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Color Emoji")});
    if (font.pointSizeF() < 10)
        font.setPointSizeF(10);
    QApplication::setFont(font);
#endif
    if (appearance == Appearance::system)
        return;
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(appearance == Appearance::dark ? darkPalette() : lightPalette());
}

} // namespace plumeo::entry
