#include "widgets/skin_button.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <vector>

namespace {

constexpr int kImageSize = 10;

// A strip of solid state images, one colour each, saved where SetBitmap can load it.
QString MakeStrip(const QTemporaryDir& dir, const std::vector<QColor>& colours) {
    QImage strip(kImageSize * static_cast<int>(colours.size()), kImageSize, QImage::Format_RGB32);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        for (int x = 0; x < kImageSize; ++x) {
            for (int y = 0; y < kImageSize; ++y) {
                strip.setPixelColor(static_cast<int>(i) * kImageSize + x, y, colours[i]);
            }
        }
    }
    QString path = dir.filePath(QString::number(colours.size()) + QStringLiteral(".png"));
    EXPECT_TRUE(strip.save(path));
    return path;
}

// The colour the button shows, taken from its painted image.
QColor Shown(CSkinButton& button) {
    return button.grab().toImage().pixelColor(1, 1);
}

void Hover(CSkinButton& button, bool over) {
    if (over) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(&button, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&button, &leave);
    }
}

const QColor kNormal(10, 20, 30);
const QColor kHover(40, 50, 60);
const QColor kPressed(70, 80, 90);
const QColor kDisabled(100, 110, 120);

TEST(SkinButtonTest, FourStatesFollowTheMouseAndTheTogglingClicks) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CSkinButton button;
    ASSERT_TRUE(
        button.SetBitmap(MakeStrip(dir, {kNormal, kHover, kPressed, kDisabled}), 4, 0, Qt::black));
    button.SetTooltipText(QStringLiteral("开始播放"));
    button.SetToggling(true);
    button.resize(button.sizeHint());
    EXPECT_EQ(button.size(), QSize(kImageSize, kImageSize));
    EXPECT_EQ(button.toolTip(), QStringLiteral("开始播放"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("开始播放"));

    EXPECT_EQ(Shown(button), kNormal);
    Hover(button, true);
    EXPECT_EQ(Shown(button), kHover);
    button.setDown(true);
    EXPECT_EQ(Shown(button), kPressed);
    button.setDown(false);
    Hover(button, false);
    EXPECT_EQ(Shown(button), kNormal);

    // A button of the toggling kind keeps its pressed look after every odd click.
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(2, 2));
    Hover(button, false);
    EXPECT_EQ(Shown(button), kPressed);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(2, 2));
    Hover(button, false);
    EXPECT_EQ(Shown(button), kNormal);

    button.setEnabled(false);
    EXPECT_EQ(Shown(button), kDisabled);
}

TEST(SkinButtonTest, FewerStatesFallBackToTheFirstImage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CSkinButton button;
    ASSERT_TRUE(button.SetBitmap(MakeStrip(dir, {kNormal, kHover}), 2, 0, Qt::black));
    button.resize(button.sizeHint());
    button.setDown(true);
    EXPECT_EQ(Shown(button), kNormal);
    button.setDown(false);
    Hover(button, true);
    EXPECT_EQ(Shown(button), kHover);
    Hover(button, false);
    button.setEnabled(false);
    EXPECT_EQ(Shown(button), kNormal);

    // A plain button does not keep a pressed look after a click.
    CSkinButton plain;
    ASSERT_TRUE(
        plain.SetBitmap(MakeStrip(dir, {kNormal, kHover, kPressed, kDisabled}), 4, 0, Qt::black));
    plain.resize(plain.sizeHint());
    QTest::mouseClick(&plain, Qt::LeftButton, {}, QPoint(2, 2));
    Hover(plain, false);
    EXPECT_EQ(Shown(plain), kNormal);

    // A missing strip or no states leaves the button without images.
    EXPECT_FALSE(button.SetBitmap(dir.filePath(QStringLiteral("missing.png")), 4, 0, Qt::black));
    EXPECT_EQ(button.StateCount(), 0);
    EXPECT_EQ(button.ShownImage(), -1);
    EXPECT_FALSE(button.SetBitmap(MakeStrip(dir, {kNormal, kHover}), 0, 0, Qt::black));
    EXPECT_EQ(button.StateCount(), 0);
}

TEST(SkinButtonTest, AMaskedStyleShapesTheButtonToOneImage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Four images whose right halves are white, the mask colour.
    QImage strip(kImageSize * 4, kImageSize, QImage::Format_RGB32);
    strip.fill(Qt::black);
    for (int state = 0; state < 4; ++state) {
        for (int x = kImageSize / 2; x < kImageSize; ++x) {
            for (int y = 0; y < kImageSize; ++y) {
                strip.setPixelColor(state * kImageSize + x, y, Qt::white);
            }
        }
    }
    const QString path = dir.filePath(QStringLiteral("masked.png"));
    ASSERT_TRUE(strip.save(path));

    CSkinButton button;
    button.resize(100, 100);
    ASSERT_TRUE(button.SetBitmap(path, 4, 1, Qt::white));
    EXPECT_EQ(button.size(), QSize(kImageSize, kImageSize));
    EXPECT_EQ(button.mask().boundingRect(), QRect(0, 0, kImageSize / 2, kImageSize));
}

}  // namespace
