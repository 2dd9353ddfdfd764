#include "player/status_display.h"

#include <gtest/gtest.h>

#include <QImage>

namespace player {
namespace {

// Whether any pixel of the band [x0, x1) of line n differs from the background.
bool Inked(const QImage& image, int line, int x0, int x1) {
    const int top = (line - 1) * CStatusDisplay::kLineHeight;
    for (int y = top; y < top + CStatusDisplay::kLineHeight; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (image.pixelColor(x, y) != Qt::black) {
                return true;
            }
        }
    }
    return false;
}

TEST(StatusDisplayTest, EachLineIsDrawnOverWhatItShowedBefore) {
    CStatusDisplay display;
    display.resize(285, 48);
    display.SetBackgroundColour(Qt::black);
    display.SetTextColour(QColor(0, 200, 200));

    display.SetLines(QStringLiteral("1.a long title of a song.mp3 - 03:00\r\n"), QString(),
                     QStringLiteral("00:05 - 00:20\r\n"), QString());
    QImage shown = display.grab().toImage();
    EXPECT_TRUE(Inked(shown, 1, 150, 285));
    EXPECT_FALSE(Inked(shown, 2, 0, 285));
    EXPECT_TRUE(Inked(shown, 3, 0, 60));

    // A shorter text leaves nothing of the longer one, and other lines stay as they were.
    display.SetLine(1, QStringLiteral("2.b\r\n"));
    shown = display.grab().toImage();
    EXPECT_TRUE(Inked(shown, 1, 0, 40));
    EXPECT_FALSE(Inked(shown, 1, 60, 285));
    EXPECT_TRUE(Inked(shown, 3, 0, 60));
    EXPECT_EQ(display.Line(1), QStringLiteral("2.b\r\n"));
    EXPECT_EQ(display.accessibleDescription(), QStringLiteral("2.b\n00:05 - 00:20"));

    display.SetLine(3, QString());
    display.SetLine(7, QStringLiteral("ignored"));
    EXPECT_FALSE(Inked(display.grab().toImage(), 3, 0, 285));
    EXPECT_EQ(display.accessibleDescription(), QStringLiteral("2.b"));
}

}  // namespace
}  // namespace player
