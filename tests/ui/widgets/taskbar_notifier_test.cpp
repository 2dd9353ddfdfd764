#include "widgets/taskbar_notifier.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

namespace {

using Edge = CTaskbarNotifier::TaskbarEdge;
using State = CTaskbarNotifier::NotifierState;

constexpr int kWaitMs = 5000;
const QSize kSkin(148, 120);

QRect WorkArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// How many pixels inside (or outside) rect are close to colour (text is antialiased).
int CountNear(const QImage& image, const QColor& colour, const QRect& rect, bool inside) {
    constexpr int kTolerance = 40;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (rect.contains(x, y) != inside) {
                continue;
            }
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < kTolerance &&
                std::abs(c.green() - colour.green()) < kTolerance &&
                std::abs(c.blue() - colour.blue()) < kTolerance) {
                ++count;
            }
        }
    }
    return count;
}

bool HasColour(const QImage& image, const QRect& rect, const QColor& colour) {
    return CountNear(image, colour, rect, true) > 0;
}

class NotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(notifier.SetSkin(QStringLiteral(":/widgets/notifier_skin.png")));
        notifier.SetTextFont(QStringLiteral("Arial"), 90, 0, CTaskbarNotifier::kStyleUnderline);
        notifier.SetTextColor(QColor(0, 0, 0), QColor(0, 0, 200));
        notifier.SetTextRect(
            QRect(QPoint(10, 50), QPoint(kSkin.width() - 10 - 1, kSkin.height() - 25 - 1)));
    }

    CTaskbarNotifier notifier;
};

TEST(NotifierPlacement, SlidesOutOfTheEdgeThePanelIsOn) {
    const QRect screen(0, 0, 1920, 1080);
    // No panel at all counts as a bottom panel.
    EXPECT_EQ(CTaskbarNotifier::EdgeOf(screen, screen), Edge::Bottom);
    EXPECT_EQ(CTaskbarNotifier::EdgeOf(screen, QRect(0, 0, 1920, 1040)), Edge::Bottom);
    EXPECT_EQ(CTaskbarNotifier::EdgeOf(screen, QRect(0, 40, 1920, 1040)), Edge::Top);
    EXPECT_EQ(CTaskbarNotifier::EdgeOf(screen, QRect(60, 0, 1860, 1080)), Edge::Left);
    EXPECT_EQ(CTaskbarNotifier::EdgeOf(screen, QRect(0, 0, 1860, 1080)), Edge::Right);
    // A screen right of the first one: its own left edge counts, not x = 0.
    EXPECT_EQ(CTaskbarNotifier::EdgeOf(QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1220, 1024)),
              Edge::Right);

    // Bottom panel: rises from the work area's bottom edge at its right end.
    const QRect bottomWork(0, 0, 1920, 1040);
    EXPECT_EQ(CTaskbarNotifier::HiddenPosition(Edge::Bottom, bottomWork, kSkin),
              QPoint(1920 - 148, 1040));
    EXPECT_EQ(CTaskbarNotifier::ShownPosition(Edge::Bottom, bottomWork, kSkin),
              QPoint(1920 - 148, 1040 - 120));
    // Left panel: slides in from the left edge at the bottom.
    const QRect leftWork(60, 0, 1860, 1080);
    EXPECT_EQ(CTaskbarNotifier::HiddenPosition(Edge::Left, leftWork, kSkin),
              QPoint(60 - 148, 1080 - 120));
    EXPECT_EQ(CTaskbarNotifier::ShownPosition(Edge::Left, leftWork, kSkin), QPoint(60, 960));
    const QRect topWork(0, 40, 1920, 1040);
    EXPECT_EQ(CTaskbarNotifier::HiddenPosition(Edge::Top, topWork, kSkin), QPoint(1772, -80));
    EXPECT_EQ(CTaskbarNotifier::ShownPosition(Edge::Top, topWork, kSkin), QPoint(1772, 40));
    const QRect rightWork(0, 0, 1860, 1080);
    EXPECT_EQ(CTaskbarNotifier::HiddenPosition(Edge::Right, rightWork, kSkin), QPoint(1860, 960));
    EXPECT_EQ(CTaskbarNotifier::ShownPosition(Edge::Right, rightWork, kSkin), QPoint(1712, 960));
}

TEST_F(NotifierTest, RunsThroughItsStatesAndRestartsTheStayOnNewMessages) {
    EXPECT_EQ(notifier.SkinSize(), kSkin);
    const QPoint hidden = CTaskbarNotifier::HiddenPosition(Edge::Bottom, WorkArea(), kSkin);
    const QPoint shown = CTaskbarNotifier::ShownPosition(Edge::Bottom, WorkArea(), kSkin);
    constexpr int kSlideMs = 60;
    constexpr int kStayMs = 300;

    notifier.Show(QStringLiteral("第一节课 10 秒后开始"), kSlideMs, kStayMs, kSlideMs);
    EXPECT_EQ(notifier.State(), State::Appearing);
    EXPECT_TRUE(notifier.isVisible());
    EXPECT_EQ(notifier.pos(), hidden);
    EXPECT_EQ(notifier.size(), kSkin);
    EXPECT_EQ(notifier.accessibleName(), QStringLiteral("第一节课 10 秒后开始"));

    // A message while sliding in only changes the text.
    notifier.Show(QStringLiteral("第一节课 9 秒后开始"), kSlideMs, kStayMs, kSlideMs);
    EXPECT_EQ(notifier.State(), State::Appearing);
    EXPECT_EQ(notifier.Text(), QStringLiteral("第一节课 9 秒后开始"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.State() == State::Waiting; }, kWaitMs));
    EXPECT_EQ(notifier.pos(), shown);

    // A message while it stays keeps it up for another full stay.
    QElapsedTimer stay;
    stay.start();
    notifier.Show(QStringLiteral("第一节课开始"), kSlideMs, kStayMs, kSlideMs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.State() == State::Disappearing; }, kWaitMs));
    EXPECT_GE(stay.elapsed(), kStayMs);
    EXPECT_EQ(notifier.Text(), QStringLiteral("第一节课开始"));

    // A message while it slides out brings it back at once.
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.pos() != shown; }, kWaitMs));
    notifier.Show(QStringLiteral("第二节课开始"), kSlideMs, kStayMs, kSlideMs);
    EXPECT_EQ(notifier.State(), State::Waiting);
    EXPECT_EQ(notifier.pos(), shown);

    // Left alone it slides out to where it started and hides.
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.State() == State::Idle; }, kWaitMs));
    EXPECT_FALSE(notifier.isVisible());
}

TEST_F(NotifierTest, HideStopsAtOnceAndAnIdleNotifierCannotBeShownFromOutside) {
    notifier.Show(QStringLiteral("文本"), 500, 3000, 500);
    notifier.Hide();
    EXPECT_EQ(notifier.State(), State::Idle);
    EXPECT_FALSE(notifier.isVisible());
    // The frame shows the notifier when it is minimised; idle, there is nothing to see.
    notifier.show();
    EXPECT_FALSE(notifier.isVisible());
    QTest::qWait(50);
    EXPECT_EQ(notifier.State(), State::Idle);
}

TEST(NotifierWithoutSkin, ShowsNothingAndDoesNotFail) {
    CTaskbarNotifier notifier;
    EXPECT_FALSE(notifier.SetSkin(QStringLiteral(":/widgets/no_such_skin.png")));
    notifier.Show(QStringLiteral("第一节课开始"), 500, 3000, 500);
    EXPECT_EQ(notifier.State(), State::Idle);
    EXPECT_FALSE(notifier.isVisible());
    EXPECT_EQ(notifier.Text(), QStringLiteral("第一节课开始"));
}

// The offscreen platform activates every window it shows, so what is checked is what the
// window system is told: the popup refuses the focus and is shown without activation.
TEST_F(NotifierTest, NeverTakesTheFocusAndDrawsAndReportsClicksAndHover) {
    notifier.Show(QStringLiteral("第一节课开始"), 60, 3000, 60);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.State() == State::Waiting; }, kWaitMs));
    ASSERT_NE(notifier.windowHandle(), nullptr);
    EXPECT_TRUE(notifier.windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(notifier.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(notifier.windowHandle()->type(), Qt::Tool);
    EXPECT_TRUE(notifier.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(notifier.focusPolicy(), Qt::NoFocus);

    // Plain text in black; under the mouse, underlined and blue.
    const QRect textRect = notifier.TextRect();
    const QColor hoverBlue(0, 0, 200);
    EXPECT_FALSE(HasColour(notifier.grab().toImage(), textRect, hoverBlue));
    QEnterEvent enter(QPointF(20, 60), QPointF(20, 60), QPointF(20, 60));
    QApplication::sendEvent(&notifier, &enter);
    EXPECT_TRUE(notifier.IsHovering());
    EXPECT_TRUE(HasColour(notifier.grab().toImage(), textRect, hoverBlue));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&notifier, &leave);
    EXPECT_FALSE(notifier.IsHovering());
    EXPECT_FALSE(HasColour(notifier.grab().toImage(), textRect, hoverBlue));

    // A text too long for the rectangle is wrapped and cut short inside it.
    notifier.Show(
        QStringLiteral("下一项：第三节课 眼保健操音乐 全曲播放 音量八十 播放前运行广播程序 "
                       "播放后关闭教室多媒体设备 这一段文字远远超过提示窗口能容纳的长度"),
        60, 3000, 60);
    const QImage image = notifier.grab().toImage();
    const QColor black(0, 0, 0);
    EXPECT_GT(CountNear(image, black, textRect, true), 0);
    EXPECT_EQ(CountNear(image, black, textRect, false), 0);

    QSignalSpy clicks(&notifier, &CTaskbarNotifier::clicked);
    QTest::mouseClick(&notifier, Qt::RightButton, {}, QPoint(50, 60));
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseClick(&notifier, Qt::LeftButton, {}, QPoint(50, 60));
    EXPECT_EQ(clicks.count(), 1);
}

}  // namespace
