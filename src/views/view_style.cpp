#include "views/view_style.h"


#include <QStringList>

namespace views {

namespace {

constexpr std::uint32_t kByteMask = 0xFF;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;

// Families tried after the named Windows font: common CJK fonts of Linux desktops.
QStringList WithCjkFallbacks(const QStringList& first) {
    QStringList families = first;
    families << QStringLiteral("WenQuanYi Micro Hei") << QStringLiteral("Noto Sans CJK SC")
             << QStringLiteral("Source Han Sans SC") << QStringLiteral("WenQuanYi Zen Hei")
             << QStringLiteral("Droid Sans Fallback") << QStringLiteral("AR PL UMing CN");
    return families;
}

}  // namespace

QFont MakeHeadingFont(int pixelSize) {
    QFont font;
    font.setFamilies(WithCjkFallbacks({QStringLiteral("黑体"), QStringLiteral("SimHei")}));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

QFont MakeLabelFont(int pixelSize) {
    QFont font;
    font.setFamilies(WithCjkFallbacks({QStringLiteral("宋体"), QStringLiteral("SimSun")}));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Bold);
    return font;
}

QColor ColourFromWord(std::uint32_t word) {
    return {static_cast<int>(word & kByteMask), static_cast<int>((word >> kGreenShift) & kByteMask),
            static_cast<int>((word >> kBlueShift) & kByteMask)};
}

std::uint32_t WordFromColour(const QColor& colour) {
    return static_cast<std::uint32_t>(colour.red()) |
           (static_cast<std::uint32_t>(colour.green()) << kGreenShift) |
           (static_cast<std::uint32_t>(colour.blue()) << kBlueShift);
}

}  // namespace views
