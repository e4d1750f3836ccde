#include "core/colours.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>

namespace platform {

QPalette::ColorRole systemColourRole(int index, QPalette::ColorGroup* group) {
    if (group)
        *group = QPalette::Active;
    auto inactive = [&] {
        if (group)
            *group = QPalette::Inactive;
    };
    auto disabled = [&] {
        if (group)
            *group = QPalette::Disabled;
    };
    switch (index) {
    case 0:  // scroll bar
    case 12: // application workspace
        return QPalette::Mid;
    case 1: // desktop
        return QPalette::Dark;
    case 2:  // active caption
    case 27: // gradient active caption
    case 13: // highlight
    case 29: // menu highlight
        return QPalette::Highlight;
    case 3:  // inactive caption
    case 28: // gradient inactive caption
        inactive();
        return QPalette::Highlight;
    case 4:  // menu
    case 15: // button face
    case 30: // menu bar
        return QPalette::Button;
    case 5: // window background
        return QPalette::Base;
    case 6:  // window frame
    case 21: // 3D dark shadow
        return QPalette::Shadow;
    case 7: // menu text
    case 8: // window text
        return QPalette::WindowText;
    case 9:  // caption text
    case 14: // highlighted text
        return QPalette::HighlightedText;
    case 10: // active border
    case 11: // inactive border
        return QPalette::Window;
    case 16: // button shadow
        return QPalette::Dark;
    case 17: // grey text
        disabled();
        return QPalette::WindowText;
    case 18: // button text
        return QPalette::ButtonText;
    case 19: // inactive caption text
        inactive();
        return QPalette::HighlightedText;
    case 20: // button highlight
        return QPalette::Light;
    case 22: // 3D light
        return QPalette::Midlight;
    case 23: // tool tip text
        return QPalette::ToolTipText;
    case 24: // tool tip background
        return QPalette::ToolTipBase;
    case 26: // hot-tracked item
        return QPalette::Link;
    default:
        return QPalette::Window;
    }
}

QColor toQColor(OleColor c, const QPalette& palette) {
    if (isSystemColour(c)) {
        QPalette::ColorGroup group = QPalette::Active;
        const QPalette::ColorRole role = systemColourRole(static_cast<int>(c & 0xFF), &group);
        QColor q = palette.color(group, role);
        q.setAlpha(255);
        return q;
    }
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

QColor toQColor(OleColor c) {
    if (isSystemColour(c) && qGuiApp)
        return toQColor(c, QGuiApplication::palette());
    return toQColor(c, QPalette());
}

OleColor fromQColor(const QColor& c) {
    return rgb(c.red(), c.green(), c.blue());
}

namespace {

double linear(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

double relativeLuminance(const QColor& c) {
    const QColor rgb = c.toRgb();
    return 0.2126 * linear(rgb.red()) + 0.7152 * linear(rgb.green()) + 0.0722 * linear(rgb.blue());
}

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace platform
