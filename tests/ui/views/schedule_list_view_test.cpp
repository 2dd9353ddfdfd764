#include "views/schedule_list_view.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

using schedule::ScheduleItem;
using views::CScheduleListView;

ScheduleItem MakeItem(int time, const char* title, int kind, const char* music, int autoPlay = 1,
                      const char* path = "") {
    ScheduleItem item;
    item.time = time;
    item.title = title;
    item.kind = kind;
    item.musicName = music;
    item.autoPlay = autoPlay;
    item.path = path;
    return item;
}

std::vector<int> RowImages(const CScheduleListView& list) {
    std::vector<int> images;
    for (int row = 0; row < list.rowCount(); ++row) {
        images.push_back(list.GetRowImage(row));
    }
    return images;
}

QStringList RowTexts(const CScheduleListView& list, int row) {
    QStringList texts;
    for (int column = 0; column < list.columnCount(); ++column) {
        texts << list.item(row, column)->text();
    }
    return texts;
}

class ScheduleListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        schedule::CommonTrack bell;
        bell.name = "上课铃";
        bell.main.autoPlay = 0;
        ASSERT_TRUE(commonTracks.Add(&bell));

        schedule::TrackEntry manual;
        manual.autoPlay = 0;
        schedule::Playlist random{"早操", 1, 0, schedule::LimitFiles, {manual}};
        schedule::Playlist firstManual{"眼保健操", 0, 0, schedule::LimitFiles, {manual}};
        schedule::Playlist firstAuto{"午休", 0, 0, schedule::LimitFiles, {schedule::TrackEntry{}}};
        schedule::Playlist empty{"空列表", 0, 0, schedule::LimitFiles, {}};
        for (const auto* playlist : {&random, &firstManual, &firstAuto, &empty}) {
            ASSERT_TRUE(playlists.Add(playlist));
        }

        using schedule::CommonMusic;
        using schedule::ListMusic;
        using schedule::SingleMusic;
        items = {
            MakeItem(8 * 3600 + 5 * 60, "预备铃", SingleMusic, "铃声", 1, "音乐库/bell.mp3"),
            MakeItem(8 * 3600 + 10 * 60, "第一节", CommonMusic, "上课铃"),
            MakeItem(9 * 3600, "下课", CommonMusic, "已删除的曲目"),
            MakeItem(9 * 3600 + 30 * 60, "早操", ListMusic, "早操"),
            MakeItem(10 * 3600 + 5, "眼操", ListMusic, "眼保健操"),
            MakeItem(12 * 3600, "午休", ListMusic, "午休"),
            MakeItem(13 * 3600, "空", ListMusic, "空列表"),
            MakeItem(23 * 3600 + 59 * 60 + 59, "放学", ListMusic, "已删除的列表", 0),
            MakeItem(23 * 3600 + 59 * 60 + 59, "手动", SingleMusic, "歌", 0, "/tmp/a.wav"),
        };
        list.SetStores(&commonTracks, &playlists);
    }

    schedule::CCommonTrackStore commonTracks;
    schedule::CPlaylistStore playlists;
    std::vector<ScheduleItem> items;
    CScheduleListView list;
};

TEST_F(ScheduleListViewTest, RowsShowEachKindOfItemWithItsResolvedPlayMode) {
    list.Rebuild(items, 0);
    ASSERT_EQ(list.rowCount(), static_cast<int>(items.size()));
    ASSERT_EQ(list.columnCount(), 5);

    const QStringList headers = {"时间", "作息项标题", "曲目名", "播放方式", "文件名"};
    const int widths[] = {120, 120, 160, 80, 180};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(list.horizontalHeaderItem(column)->text(), headers[column]);
        EXPECT_EQ(list.columnWidth(column), widths[column]);
    }

    const std::vector<QStringList> expected = {
        {"08:05:00", "预备铃", "铃声", "自动播放", "音乐库/bell.mp3"},
        {"08:10:00", "第一节", "上课铃", "手动播放", "常用曲目"},
        {"09:00:00", "下课", "已删除的曲目", "******", "常用曲目(不存在)"},
        {"09:30:00", "早操", "早操", "随机播放", "列表曲目"},
        {"10:00:05", "眼操", "眼保健操", "首曲手动", "列表曲目"},
        {"12:00:00", "午休", "午休", "首曲自动", "列表曲目"},
        {"13:00:00", "空", "空列表", "******", "列表曲目(不存在)"},
        {"23:59:59", "放学", "已删除的列表", "******", "列表曲目(不存在)"},
        {"23:59:59", "手动", "歌", "手动播放", "/tmp/a.wav"},
    };
    for (int row = 0; row < list.rowCount(); ++row) {
        EXPECT_EQ(RowTexts(list, row), expected[static_cast<std::size_t>(row)]) << "row " << row;
    }

    // Without stores every common track and playlist reads as missing.
    CScheduleListView bare;
    bare.Rebuild({items[1], items[3]}, 0);
    EXPECT_EQ(RowTexts(bare, 0)[4], "常用曲目(不存在)");
    EXPECT_EQ(RowTexts(bare, 1)[3], "******");

    // A rebuild replaces the rows rather than adding to them.
    list.Rebuild({items[0]}, 0);
    EXPECT_EQ(list.rowCount(), 1);
}

TEST_F(ScheduleListViewTest, MarksFollowTheMorningAndTheNextRowStaysInView) {
    list.resize(700, 150);  // room for about three rows
    list.show();

    list.Rebuild(items, 2);
    EXPECT_EQ(RowImages(list), (std::vector<int>{0, 0, 1, 2, 2, 2, 2, 2, 2}));
    EXPECT_FALSE(list.item(2, 0)->icon().isNull());
    EXPECT_EQ(list.item(2, 0)->icon().availableSizes().value(0), QSize(32, 32));

    list.MarkNext(7);
    EXPECT_EQ(RowImages(list), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 1, 2}));
    EXPECT_TRUE(list.viewport()->rect().intersects(list.visualItemRect(list.item(7, 0))));

    // The day is done: every row has passed.
    list.MarkNext(-1);
    EXPECT_EQ(RowImages(list), std::vector<int>(items.size(), 0));
    list.Rebuild(items, -1);
    EXPECT_EQ(RowImages(list), std::vector<int>(items.size(), 0));

    // A rebuild at the end of the list scrolls it into view.
    list.Rebuild(items, 8);
    EXPECT_EQ(RowImages(list).back(), 1);
    EXPECT_TRUE(list.viewport()->rect().intersects(list.visualItemRect(list.item(8, 0))));

    // A list filled before it was ever shown (the frame starts in the pending layout)
    // shows its next row when it appears.
    CScheduleListView late;
    late.resize(700, 150);
    late.Rebuild(items, 8);
    late.show();
    EXPECT_TRUE(late.viewport()->rect().intersects(late.visualItemRect(late.item(8, 0))));

    // Screen readers hear the mark that the icon shows.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(table, nullptr);
    ASSERT_NE(table->tableInterface(), nullptr);
    QAccessibleInterface* cell = table->tableInterface()->cellAt(8, 0);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Description), "下一项");
    EXPECT_EQ(cell->text(QAccessible::Name), "23:59:59");
}

TEST_F(ScheduleListViewTest, SelectionAndRightClickReachTheFrame) {
    list.resize(700, 400);
    list.show();
    list.Rebuild(items, 0);
    EXPECT_EQ(list.GetSelectedRow(), -1);

    list.selectRow(4);
    EXPECT_EQ(list.GetSelectedRow(), 4);
    list.clearSelection();
    EXPECT_EQ(list.GetSelectedRow(), -1);

    // A right click selects the row under the pointer and asks for the item menu.
    QSignalSpy rightClicks(&list, &CScheduleListView::rightClicked);
    const QPoint onRow1 = list.visualItemRect(list.item(1, 2)).center();
    QTest::mousePress(list.viewport(), Qt::RightButton, Qt::NoModifier, onRow1);
    QTest::mouseRelease(list.viewport(), Qt::RightButton, Qt::NoModifier, onRow1);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, onRow1,
                                list.viewport()->mapToGlobal(onRow1));
    QApplication::sendEvent(list.viewport(), &menuEvent);
    EXPECT_EQ(rightClicks.count(), 1);
    EXPECT_EQ(list.GetSelectedRow(), 1);

    // Only one row can be selected; the left button moves the selection.
    const QPoint onRow3 = list.visualItemRect(list.item(3, 0)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, onRow3);
    EXPECT_EQ(list.GetSelectedRow(), 3);
    EXPECT_EQ(list.selectedItems().size(), 5);
}

}  // namespace
