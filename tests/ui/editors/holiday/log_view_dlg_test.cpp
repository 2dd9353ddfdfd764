// The bell-log viewer: the last lines of the log, the lines written while it is open,
// the log's rotation, and its close notice.

#include "editors/log_view_dlg.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
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

QStringList Lines(QWidget* dlg) {
    auto* text = dlg->findChild<QPlainTextEdit*>(QStringLiteral("logText"));
    EXPECT_NE(text, nullptr);
    return text == nullptr ? QStringList{} : text->toPlainText().split(QLatin1Char('\n'));
}

bool ShowsLast(QWidget* dlg, const QString& line) {
    const QStringList lines = Lines(dlg);
    return !lines.isEmpty() && lines.last() == line;
}

QString Q(const std::string& line) {
    return QString::fromStdString(line).trimmed();
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
    auto* view = dlg->findChild<QPlainTextEdit*>(QStringLiteral("logText"));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isReadOnly());
    QStringList lines = Lines(dlg);
    ASSERT_EQ(lines.size(), CLogViewDlg::kMaxLines);
    EXPECT_EQ(lines.first(), Q(LogLine(101)));
    EXPECT_EQ(lines.last(), Q(LogLine(600)));

    // A line appears once it is whole; the oldest shown line gives way to it.
    Append(path, "2026-12-07 09:00:00 item 第601");
    QTest::qWait(CLogViewDlg::kPollMs + kPollMargin);
    EXPECT_EQ(Lines(dlg).last(), Q(LogLine(600)));
    Append(path, "节\n");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return ShowsLast(dlg, QStringLiteral("2026-12-07 09:00:00 item 第601节")); },
        kFollowTimeoutMs));
    lines = Lines(dlg);
    EXPECT_EQ(lines.size(), CLogViewDlg::kMaxLines);
    EXPECT_EQ(lines.first(), Q(LogLine(102)));

    // The log is rotated before the viewer looked again: the line written just before
    // the rotation is read from the old file, then the new file's lines follow.
    Append(path, "2026-12-07 09:00:01 item 旧文件的最后一行\n");
    ASSERT_TRUE(QFile::rename(QString::fromStdString(path), QString::fromStdString(path + ".1")));
    Append(path, "2026-12-07 09:00:02 start 新文件\n");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return ShowsLast(dlg, QStringLiteral("2026-12-07 09:00:02 start 新文件")); },
        kFollowTimeoutMs));
    lines = Lines(dlg);
    EXPECT_EQ(lines.size(), CLogViewDlg::kMaxLines);
    EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("2026-12-07 09:00:01 item 旧文件的最后一行"));
    EXPECT_EQ(lines.count(QStringLiteral("2026-12-07 09:00:01 item 旧文件的最后一行")), 1);

    // Closing by its button reports the notice once and deletes the viewer.
    auto* close = dlg->findChild<QPushButton*>(QStringLiteral("closeButton"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("关闭"));
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
    EXPECT_TRUE(
        dlg->findChild<QPlainTextEdit*>(QStringLiteral("logText"))->toPlainText().isEmpty());

    Append(path, "2026-12-07 07:00:00 start\n");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return ShowsLast(dlg, QStringLiteral("2026-12-07 07:00:00 start")); },
                        kFollowTimeoutMs));

    // The new file is already longer than the old one when the viewer looks: its start
    // tells it apart, and it is read from its beginning.
    ASSERT_TRUE(QFile::rename(QString::fromStdString(path), QString::fromStdString(path + ".1")));
    Append(path,
           "2026-12-07 07:00:05 item 第一节 早读\n2026-12-07 07:00:06 skip 第二节 时钟跳变\n");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return ShowsLast(dlg, QStringLiteral("2026-12-07 07:00:06 skip 第二节 时钟跳变")); },
        kFollowTimeoutMs));
    EXPECT_EQ(Lines(dlg),
              (QStringList{QStringLiteral("2026-12-07 07:00:00 start"),
                           QStringLiteral("2026-12-07 07:00:05 item 第一节 早读"),
                           QStringLiteral("2026-12-07 07:00:06 skip 第二节 时钟跳变")}));

    // Escape closes it; the notice comes once.
    QTest::keyClick(dlg, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());
    EXPECT_EQ(host.closes, 1);
}

}  // namespace
