// The bell-log viewer: one day's lines as a table in words, the filters and the date
// picker, the lines written while it is open, the log's rotation, and its close notice.

#include "editors/log_view_dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <string>
#include <utility>

#include "editors/common/fake_editor_host.h"

namespace {

using editors::CLogViewDlg;
using ui_test::FakeEditorHost;

// Longer than the viewer's poll, with room for a slow machine.
constexpr int kFollowTimeoutMs = 5000;
// Long enough for the viewer to have looked at the file once more.
constexpr int kPollMargin = 300;

void Append(const std::string& path, const std::string& text) {
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

std::string LogLine(int n) {
    return "2026-12-07 08:" + std::to_string(10 + n / 60) + ":" + std::to_string(10 + n % 50) +
           " item 第" + std::to_string(n) + "节\n";
}

// The table's rows as "time|event|item|file".
QStringList Lines(QWidget* dlg) {
    auto* table = dlg->findChild<QTableView*>(QStringLiteral("logTable"));
    EXPECT_NE(table, nullptr);
    QStringList rows;
    if (table == nullptr) {
        return rows;
    }
    const QAbstractItemModel* model = table->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < CLogViewDlg::kColumnCount; ++column) {
            cells << model->index(row, column).data().toString();
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

bool ShowsLast(QWidget* dlg, const QString& line) {
    const QStringList lines = Lines(dlg);
    return !lines.isEmpty() && lines.last() == line;
}

// The row of LogLine(n).
QString Q(int n) {
    const std::string line = LogLine(n);
    return QString::fromStdString(line.substr(11, 8) + "|响铃：第" + std::to_string(n) + "节||");
}

TEST(LogViewDlgTest, ShowsTheLastLinesAndFollowsTheLogAcrossARotation) {
    FakeEditorHost host;
    const std::string path = host.AppDir() + "QELT.log";
    std::string text;
    for (int n = 1; n <= 600; ++n) {
        text += LogLine(n);
    }
    Append(path, text);

    QPointer<CLogViewDlg> dlg = host.Watched(new CLogViewDlg(host, path));
    dlg->show();
    EXPECT_EQ(dlg->objectName(), QStringLiteral("logViewDlg"));
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("播放记录"));
    EXPECT_EQ(dlg->findChild<QDateEdit*>(QStringLiteral("logDate"))->date(), QDate(2026, 12, 7));
    QStringList lines = Lines(dlg);
    ASSERT_EQ(lines.size(), CLogViewDlg::kMaxLines);
    EXPECT_EQ(lines.first(), Q(101));
    EXPECT_EQ(lines.last(), Q(600));

    // A line appears once it is whole; the oldest shown line gives way to it.
    Append(path, "2026-12-07 09:00:00 item 第601");
    QTest::qWait(CLogViewDlg::kPollMs + kPollMargin);
    EXPECT_EQ(Lines(dlg).last(), Q(600));
    Append(path, "节\n");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return ShowsLast(dlg, QStringLiteral("09:00:00|响铃：第601节||")); },
                        kFollowTimeoutMs));
    lines = Lines(dlg);
    EXPECT_EQ(lines.size(), CLogViewDlg::kMaxLines);
    EXPECT_EQ(lines.first(), Q(102));

    // The log is rotated before the viewer looked again: the line written just before
    // the rotation is read from the old file, then the new file's lines follow.
    Append(path, "2026-12-07 09:00:01 item 旧文件的最后一行\n");
    ASSERT_TRUE(QFile::rename(QString::fromStdString(path), QString::fromStdString(path + ".1")));
    Append(path, "2026-12-07 09:00:02 start 新文件\n");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return ShowsLast(dlg, QStringLiteral("09:00:02|开机：新文件||")); },
                        kFollowTimeoutMs));
    lines = Lines(dlg);
    EXPECT_EQ(lines.size(), CLogViewDlg::kMaxLines);
    EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("09:00:01|响铃：旧文件的最后一行||"));
    EXPECT_EQ(lines.count(QStringLiteral("09:00:01|响铃：旧文件的最后一行||")), 1);

    // Closing by its button reports the notice once and deletes the viewer.
    auto* close = dlg->findChild<QPushButton*>(QStringLiteral("closeButton"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("关闭(&C)"));
    QTest::mouseClick(close, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());
    EXPECT_EQ(host.closes, 1);
}

TEST(LogViewDlgTest, WaitsForALogThatIsNotThereYetAndTellsANewLogFromTheOld) {
    FakeEditorHost host;
    const std::string path = host.AppDir() + "QELT.log";
    QPointer<CLogViewDlg> dlg = host.Watched(new CLogViewDlg(host, path));
    dlg->show();
    EXPECT_TRUE(Lines(dlg).isEmpty());

    // The first line is of another day than the picker's: the picker moves on with it.
    Append(path, "2026-12-07 07:00:00 start\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return ShowsLast(dlg, QStringLiteral("07:00:00|开机||")); },
                                kFollowTimeoutMs));

    // The new file is already longer than the old one when the viewer looks: its start
    // tells it apart, and it is read from its beginning.
    ASSERT_TRUE(QFile::rename(QString::fromStdString(path), QString::fromStdString(path + ".1")));
    Append(path,
           "2026-12-07 07:00:05 item 第一节 早读\n2026-12-07 07:00:06 skip 第二节 时钟跳变\n");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return ShowsLast(dlg, QStringLiteral("07:00:06|跳过（第二节 时钟跳变）||")); },
        kFollowTimeoutMs));
    EXPECT_EQ(Lines(dlg), (QStringList{QStringLiteral("07:00:00|开机||"),
                                       QStringLiteral("07:00:05|响铃：第一节 早读||"),
                                       QStringLiteral("07:00:06|跳过（第二节 时钟跳变）||")}));

    // Escape closes it; the notice comes once.
    QTest::keyClick(dlg, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());
    EXPECT_EQ(host.closes, 1);
}

TEST(LogViewDlgTest, ReadsEveryKindOfLineInWordsWithItsFiltersAndDays) {
    FakeEditorHost host;
    const std::string path = host.AppDir() + "QELT.log";
    // The day before lives in the rotated file.
    Append(path + ".1", "2026-12-06 08:00:00 item 08:00:00 [上课][上课铃]\n");
    Append(path,
           "2026-12-07 07:00:00 start Varnel V1.3\n"
           "2026-12-07 07:59:35 shuffle 08:00:00 [课间][轻音乐] 42\n"
           "2026-12-07 08:00:00 item 08:00:00 [上课][上课铃]\n"
           "2026-12-07 08:00:00 play /音乐库/上课铃.wav\n"
           "2026-12-07 08:00:04 finished\n"
           "2026-12-07 08:05:00 skip 08:05:00 [课间][轻音乐] 时钟跳变\n"
           "2026-12-07 08:06:00 skip 08:06:00 [早读][朗读] 节假日\n"
           "2026-12-07 08:07:00 trial /音乐库/试听.mp3\n"
           "2026-12-07 08:08:00 manual /音乐库/手动.ogg\n"
           "2026-12-07 08:09:00 item 08:09:00 [眼操][眼保健操] 手动\n"
           "2026-12-07 08:10:00 openfailed /音乐库/坏.mp3\n"
           "2026-12-07 08:11:00 run bin/上课.sh --早\n"
           "2026-12-07 08:11:01 exitcode bin/上课.sh --早 -> 3\n"
           "2026-12-07 17:00:00 poweroff-refused 没有权限\n"
           "没有日期的一行\n");
    QPointer<CLogViewDlg> dlg = new CLogViewDlg(host, path);
    dlg->show();
    EXPECT_EQ(Lines(dlg), (QStringList{
                              "07:00:00|开机：Varnel V1.3||",
                              "07:59:35|随机顺序 42|08:00:00 课间（轻音乐）|",
                              "08:00:00|响铃|08:00:00 上课（上课铃）|",
                              "08:00:00|播放||上课铃.wav",
                              "08:00:04|结束||",
                              "08:05:00|跳过（时钟跳变）|08:05:00 课间（轻音乐）|",
                              "08:06:00|跳过（节假日）|08:06:00 早读（朗读）|",
                              "08:07:00|试播||试听.mp3",
                              "08:08:00|手动播放||手动.ogg",
                              "08:09:00|手动响铃|08:09:00 眼操（眼保健操）|",
                              "08:10:00|无法打开||坏.mp3",
                              "08:11:00|运行程序||bin/上课.sh --早",
                              "08:11:01|程序结束（返回 3）||bin/上课.sh --早",
                              "17:00:00|关机被拒绝：没有权限||",
                              "|没有日期的一行||",
                          }));
    auto* table = dlg->findChild<QTableView*>(QStringLiteral("logTable"));
    EXPECT_EQ(table->model()->index(3, CLogViewDlg::kFileColumn).data(Qt::ToolTipRole).toString(),
              QStringLiteral("/音乐库/上课铃.wav"));

    // Only the bells: what rang or should have, not the trials, hand plays or programs.
    dlg->findChild<QCheckBox*>(QStringLiteral("bellsOnly"))->setChecked(true);
    EXPECT_EQ(Lines(dlg).size(), 7);
    // Bells and problems: a clock jump and a file that did not open, not the holiday.
    dlg->findChild<QCheckBox*>(QStringLiteral("problemsOnly"))->setChecked(true);
    EXPECT_EQ(Lines(dlg), (QStringList{"08:05:00|跳过（时钟跳变）|08:05:00 课间（轻音乐）|",
                                       "08:10:00|无法打开||坏.mp3"}));
    dlg->findChild<QCheckBox*>(QStringLiteral("bellsOnly"))->setChecked(false);
    EXPECT_EQ(Lines(dlg).size(), 4) << "a failed program and a refused power-off are problems";

    // The day before, from the rotated file.
    dlg->findChild<QCheckBox*>(QStringLiteral("problemsOnly"))->setChecked(false);
    dlg->findChild<QDateEdit*>(QStringLiteral("logDate"))->setDate(QDate(2026, 12, 6));
    EXPECT_EQ(Lines(dlg), (QStringList{"08:00:00|响铃|08:00:00 上课（上课铃）|"}));
    dlg->close();
}

}  // namespace
