#include "views/pending_wnd.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>

#include "views/schedule_list_view.h"

namespace {

using schedule::ScheduleItem;
using views::CPendingWnd;

constexpr std::uint32_t kDefaultColourWord = 9861210;  // as the settings file stores it

QString AccessibleText(QWidget* widget, QAccessible::Text which) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface != nullptr ? iface->text(which) : QString();
}

QColor PixelAt(QWidget& widget, QPoint at) {
    return widget.grab().toImage().pixelColor(at);
}

// What the screen shows once pending repaints have been flushed; grab() would repaint the
// whole widget and hide a repaint that missed something.
QImage OnScreen(QWidget& widget) {
    QCoreApplication::processEvents();
    return widget.screen()->grabWindow(widget.winId()).toImage();
}

int CountPixels(const QImage& image, const QRect& rect, const QColor& colour) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

bool Near(const QColor& a, const QColor& b, int tolerance = 6) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

class PendingWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(700, 500);
        view.show();
        origin = view.contentsRect().topLeft();
    }

    CPendingWnd view;
    QPoint origin;  // the client area's top-left corner inside the frame
};

TEST_F(PendingWndTest, AMorningAcrossThePendingBoxAndTheList) {
    // Before a timetable is loaded.
    EXPECT_EQ(view.GetCaption(), "Varnel");
    EXPECT_EQ(view.GetTimetableTitle(), "无作息表");
    EXPECT_EQ(view.GetItemTitle(), "");
    EXPECT_EQ(view.GetPendingMode(), 1);
    EXPECT_FALSE(view.GetListView()->isVisible());

    view.SetCaption("第一中学");
    view.SetTimetableTitle("春季作息表");
    EXPECT_EQ(AccessibleText(&view, QAccessible::Name), "第一中学 春季作息表");

    ScheduleItem first;
    first.time = 8 * 3600 + 5 * 60;
    first.title = "预备铃";
    first.musicName = "铃声.mp3";
    first.autoPlay = 1;
    ScheduleItem second = first;
    second.time = 9 * 3600 + 9;
    second.title = "第一节下课";
    second.musicName = "下课铃";
    second.autoPlay = 0;
    std::vector<ScheduleItem> day = {first, second};
    view.GetListView()->Rebuild(day, 0);

    view.SetNextItem(&first);
    EXPECT_EQ(view.GetItemTitle(), "预备铃");
    EXPECT_EQ(view.GetTimeText(), "08:05:00");
    EXPECT_EQ(view.GetMusicName(), "铃声.mp3");
    EXPECT_EQ(view.GetPlayMode(), "自动播放");
    EXPECT_EQ(AccessibleText(&view, QAccessible::Description),
              "待播标题:预备铃\n播放时间:08:05:00\n播放曲目:铃声.mp3\n播放方式:自动播放");

    // 08:05:00 has passed; the second item is next.
    view.GetListView()->MarkNext(1);
    view.SetNextItem(&second);
    EXPECT_EQ(view.GetTimeText(), "09:00:09");
    EXPECT_EQ(view.GetPlayMode(), "手动播放");
    EXPECT_TRUE(AccessibleText(&view, QAccessible::Description).contains("第一节下课"));
    EXPECT_FALSE(AccessibleText(&view, QAccessible::Description).contains("预备铃"));

    // The box is drawn with its shadow in the pending layout.
    EXPECT_EQ(PixelAt(view, origin + QPoint(122, 162)), QColor(255, 192, 128));
    EXPECT_EQ(PixelAt(view, origin + QPoint(462, 312)), QColor(Qt::black));

    // A title too long for the box runs past it; the next item's texts leave no trace of it.
    const QColor background(90, 120, 150);
    const QRect pastTheBox(origin + QPoint(470, 180), QSize(200, 18));
    const int pastTheBoxArea = pastTheBox.width() * pastTheBox.height();
    ScheduleItem longTitle = second;
    longTitle.title = "一个很长很长很长很长很长很长的作息项标题";
    view.SetNextItem(&longTitle);
    EXPECT_LT(CountPixels(OnScreen(view), pastTheBox, background), pastTheBoxArea);
    view.SetNextItem(&second);
    EXPECT_EQ(CountPixels(OnScreen(view), pastTheBox, background), pastTheBoxArea);

    // The timetable title sits below the band in the pending layout and inside it in the
    // list layout.
    const QColor yellow(255, 255, 0);
    const QRect pendingTitle(origin + QPoint(200, 100), QSize(200, 34));
    const QRect listTitle(origin + QPoint(300, 60), QSize(200, 34));
    EXPECT_GT(CountPixels(OnScreen(view), pendingTitle, yellow), 0);
    EXPECT_EQ(CountPixels(OnScreen(view), listTitle, yellow), 0);

    // The list layout: the list fills the area below the 100-pixel band and takes focus.
    view.SetPendingMode(0);
    EXPECT_EQ(view.GetPendingMode(), 0);
    EXPECT_TRUE(view.GetListView()->isVisible());
    EXPECT_EQ(view.GetListView()->geometry(), view.contentsRect().adjusted(0, 100, 0, 0));
    EXPECT_EQ(view.focusWidget(), view.GetListView());
    view.resize(900, 640);
    EXPECT_EQ(view.GetListView()->geometry(), view.contentsRect().adjusted(0, 100, 0, 0));
    EXPECT_GT(CountPixels(OnScreen(view), listTitle, yellow), 0);

    // The last item is over: the box says so and every row has passed.
    view.GetListView()->MarkNext(-1);
    view.SetNextItem(nullptr);
    EXPECT_EQ(view.GetItemTitle(), "作息项播放完毕");
    EXPECT_EQ(view.GetTimeText(), "");
    EXPECT_EQ(view.GetMusicName(), "");
    EXPECT_EQ(view.GetPlayMode(), "");
    EXPECT_EQ(view.GetListView()->GetRowImage(1), views::CScheduleListView::RowPast);

    view.SetPendingMode(1);
    EXPECT_FALSE(view.GetListView()->isVisible());
    EXPECT_EQ(AccessibleText(&view, QAccessible::Description),
              "待播标题:作息项播放完毕\n播放时间:\n播放曲目:\n播放方式:");
}

TEST_F(PendingWndTest, BackgroundIsTheColourOrTheStretchedPicture) {
    const QPoint corner = origin + QPoint(2, 2);
    const QPoint farCorner =
        origin + QPoint(view.contentsRect().width() - 3, view.contentsRect().height() - 3);
    EXPECT_EQ(view.GetBackColour(), kDefaultColourWord);
    EXPECT_EQ(PixelAt(view, corner), QColor(90, 120, 150));

    // Red sits in the colour word's low byte.
    view.SetBackColour(0x00336699);
    EXPECT_EQ(PixelAt(view, corner), QColor(0x99, 0x66, 0x33));

    // Asked for a picture while none is loaded, the colour still shows.
    view.SetShowPicture(true);
    EXPECT_TRUE(view.GetShowPicture());
    EXPECT_EQ(PixelAt(view, corner), QColor(0x99, 0x66, 0x33));

    // The built-in picture, named by a single space.
    ASSERT_TRUE(view.LoadBackgroundPicture(" "));
    QImage builtIn(views::CPictureImage::kBuiltInPicture);
    ASSERT_FALSE(builtIn.isNull());
    EXPECT_TRUE(Near(PixelAt(view, corner), builtIn.pixelColor(0, 0)));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A picture file is judged by its content and stretched over the whole client area.
    const QString redFile = dir.filePath("red.dat");
    QImage red(4, 3, QImage::Format_RGB32);
    red.fill(QColor(200, 10, 10));
    ASSERT_TRUE(red.save(redFile, "PNG"));
    EXPECT_TRUE(view.LoadBackgroundPicture(redFile.toStdString()));
    EXPECT_EQ(PixelAt(view, corner), QColor(200, 10, 10));
    EXPECT_EQ(PixelAt(view, farCorner), QColor(200, 10, 10));

    // A file that is no picture, or no file at all, falls back to the built-in picture.
    const QString textFile = dir.filePath("notes.jpg");
    QFile notes(textFile);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture at all");
    notes.close();
    for (const QString& path : {textFile, dir.filePath("missing.bmp")}) {
        EXPECT_FALSE(view.LoadBackgroundPicture(path.toStdString()));
        EXPECT_TRUE(view.GetPicture().IsLoaded());
        EXPECT_TRUE(Near(PixelAt(view, corner), builtIn.pixelColor(0, 0)));
    }

    // A holder that failed to load is empty; back to the colour when pictures are off.
    EXPECT_FALSE(view.GetPicture().LoadFromFile(textFile.toStdString()));
    EXPECT_FALSE(view.GetPicture().IsLoaded());
    view.GetPicture().LoadFromResource(views::CPictureImage::kBuiltInPicture);
    view.SetShowPicture(false);
    EXPECT_EQ(PixelAt(view, corner), QColor(0x99, 0x66, 0x33));
}

}  // namespace
