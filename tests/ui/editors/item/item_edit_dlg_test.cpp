// The schedule item editor driven through its controls.

#include "editors/item_edit_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTime>
#include <QTimeEdit>

#include "editors/common/fake_editor_host.h"
#include "editors/number_field.h"
#include "player/player_dlg.h"

namespace {

using editors::CItemEditDlg;
using schedule::ScheduleItem;
using ui_test::FakeEditorHost;

template <typename T>
T* Find(const QWidget& dlg, const char* name) {
    T* child = dlg.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

ScheduleItem SingleItem(const std::string& path) {
    ScheduleItem item;
    item.time = 8 * 3600;
    item.kind = schedule::SingleMusic;
    item.title = "早读";
    item.musicName = "晨曲";
    item.path = path;
    item.useDefaultVolume = 0;
    item.volume = 50;
    return item;
}

TEST(ItemEditDlg, NewItemStartsAsCommonMusicNowAndNeedsTitleAndName) {
    FakeEditorHost host;
    host.clock.Set({2026, 3, 2, 10, 20, 30});
    host.settings.WritePresetTitles({"上课", "下课"});
    host.AddCommonTrack("上课铃");
    host.AddCommonTrack("下课铃");
    host.AddPlaylist("课间操");

    CItemEditDlg dlg(host, host.clock);
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("作息表项目编辑"));
    EXPECT_TRUE(Find<QRadioButton>(dlg, "commonRadio")->isChecked());
    EXPECT_EQ(Find<QTimeEdit>(dlg, "timeEdit")->time(), QTime(10, 20, 30));
    auto* names = Find<QComboBox>(dlg, "nameList");
    EXPECT_TRUE(names->isVisible());
    EXPECT_FALSE(Find<QLineEdit>(dlg, "nameEdit")->isVisible());
    EXPECT_EQ(names->count(), 2);
    EXPECT_EQ(names->currentIndex(), -1);
    auto* titles = Find<QComboBox>(dlg, "titleCombo");
    ASSERT_EQ(titles->count(), 2);
    EXPECT_EQ(titles->itemText(1), QStringLiteral("下课"));
    EXPECT_FALSE(Find<QLineEdit>(dlg, "fileEdit")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(dlg, "trialButton")->isEnabled());
    // The extension run is off, so its controls cannot be changed.
    EXPECT_FALSE(Find<QCheckBox>(dlg, "runBeforeCheck")->isEnabled());
    EXPECT_FALSE(Find<QLineEdit>(dlg, "paramsEdit")->isEnabled());

    // The editor button asks the frame for the store editor of the shown kind.
    auto* editorButton = Find<QPushButton>(dlg, "editorButton");
    editorButton->click();
    Find<QRadioButton>(dlg, "listRadio")->click();
    EXPECT_EQ(names->count(), 1);
    EXPECT_EQ(editorButton->text(), QStringLiteral("打开列表曲目编辑器(&E)"));
    editorButton->click();
    EXPECT_EQ(host.storeEditorCommands, (std::vector<int>{32782, 32783}));
    Find<QRadioButton>(dlg, "commonRadio")->click();

    auto* ok = Find<QPushButton>(dlg, "okButton");
    ok->click();
    titles->setEditText(QStringLiteral("第一节"));
    ok->click();
    EXPECT_EQ(host.MessageTexts(),
              (std::vector<std::string>{CItemEditDlg::kTitleEmpty, CItemEditDlg::kNameEmpty}));
    EXPECT_EQ(host.dialogs.messages.back().caption, "错误");
    EXPECT_TRUE(dlg.isVisible());

    names->setCurrentIndex(1);
    ok->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    const ScheduleItem& item = dlg.Item();
    EXPECT_EQ(item.kind, schedule::CommonMusic);
    EXPECT_EQ(item.musicName, "下课铃");
    EXPECT_EQ(item.title, "第一节");
    EXPECT_EQ(item.time, 10 * 3600 + 20 * 60 + 30);
    EXPECT_EQ(item.runBefore, 1);
    EXPECT_EQ(item.useDefaultParams, 1);
}

TEST(ItemEditDlg, OpeningMeasuresTheFileAndKeepsOneThatDoesNotOpenNow) {
    FakeEditorHost host;
    host.player.lengths["bell.mp3"] = 65400;
    {
        CItemEditDlg dlg(host, host.clock);
        dlg.SetItem(SingleItem("音乐库/bell.mp3"));
        dlg.show();
        EXPECT_TRUE(Find<QRadioButton>(dlg, "singleRadio")->isChecked());
        EXPECT_EQ(Find<QLabel>(dlg, "lengthLabel")->text(), QStringLiteral("全曲长:65秒"));
        EXPECT_TRUE(Find<QPushButton>(dlg, "trialButton")->isEnabled());
        EXPECT_EQ(Find<QTimeEdit>(dlg, "timeEdit")->time(), QTime(8, 0, 0));
        // Switching to common music keeps the file, and OK stores it.
        host.AddCommonTrack("铃声");
        Find<QRadioButton>(dlg, "commonRadio")->click();
        Find<QComboBox>(dlg, "nameList")->setCurrentIndex(0);
        Find<QPushButton>(dlg, "okButton")->click();
        EXPECT_EQ(dlg.Item().path, "音乐库/bell.mp3");
        EXPECT_EQ(dlg.Item().kind, schedule::CommonMusic);
    }
    {
        CItemEditDlg dlg(host, host.clock);
        dlg.SetItem(SingleItem("音乐库/gone.mp3"));
        dlg.show();
        EXPECT_EQ(Find<QLineEdit>(dlg, "fileEdit")->text(), QStringLiteral("音乐库/gone.mp3"));
        EXPECT_EQ(Find<QLabel>(dlg, "lengthLabel")->text(),
                  QStringLiteral("全曲长:文件现在无法打开"));
        EXPECT_FALSE(Find<QPushButton>(dlg, "trialButton")->isEnabled());
        EXPECT_TRUE(host.dialogs.messages.empty());
        Find<QPushButton>(dlg, "okButton")->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.Item().path, "音乐库/gone.mp3");
    }
}

TEST(ItemEditDlg, AWholeTimeCanBeTypedAndASingleFileNamesItsItem) {
    FakeEditorHost host;
    host.clock.Set({2026, 3, 2, 7, 45, 10});
    host.player.lengths["上课铃.wav"] = 4000;
    CItemEditDlg dlg(host, host.clock);
    dlg.show();
    auto* time = Find<QTimeEdit>(dlg, "timeEdit");
    const auto typeOver = [&](const char* keys) {
        time->setFocus();
        time->selectAll();
        QTest::keyClicks(time, QString::fromUtf8(keys));
        return time->time();
    };
    EXPECT_EQ(typeOver("0800"), QTime(8, 0, 0));
    EXPECT_EQ(typeOver("08:00"), QTime(8, 0, 0));
    EXPECT_EQ(typeOver("08:00:00"), QTime(8, 0, 0));
    EXPECT_EQ(typeOver("14:35:20"), QTime(14, 35, 20));
    EXPECT_EQ(typeOver("930"), QTime(9, 30, 0)) << "a first pair past 23 is one digit of hours";
    EXPECT_EQ(typeOver("1777"), QTime(17, 7, 0)) << "a key that cannot continue is ignored";
    // The arrow keys step the section under the cursor.
    auto* timeText = time->findChild<QLineEdit*>();
    ASSERT_NE(timeText, nullptr);
    timeText->setCursorPosition(4);
    QTest::keyClick(time, Qt::Key_Up);
    EXPECT_EQ(time->time(), QTime(17, 8, 0));
    timeText->setCursorPosition(1);
    QTest::keyClick(time, Qt::Key_Down);
    EXPECT_EQ(time->time(), QTime(16, 8, 0));

    // A single file with no name yet: the file's name, without its extension.
    Find<QRadioButton>(dlg, "singleRadio")->click();
    Find<QComboBox>(dlg, "titleCombo")->setEditText(QStringLiteral("上课"));
    host.dialogs.files.push_back({host.AppDir() + "音乐库/上课铃.wav"});
    Find<QPushButton>(dlg, "browseButton")->click();
    EXPECT_EQ(Find<QLineEdit>(dlg, "nameEdit")->text(), QStringLiteral("上课铃"));
    // A name cleared by hand is filled from the file at OK rather than refused.
    Find<QLineEdit>(dlg, "nameEdit")->clear();
    Find<QPushButton>(dlg, "okButton")->click();
    EXPECT_TRUE(host.MessageTexts().empty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Item().musicName, "上课铃");
    EXPECT_EQ(dlg.Item().time, 16 * 3600 + 8 * 60);
}

TEST(ItemEditDlg, AStoreSavedMeanwhileFillsTheNamesAndEscapeStaysInTheList) {
    FakeEditorHost host;
    host.AddCommonTrack("上课铃");
    CItemEditDlg dlg(host, host.clock);
    dlg.show();
    auto* names = Find<QComboBox>(dlg, "nameList");
    names->setCurrentIndex(0);
    // A track added in the common-track editor opened from here: back in the item
    // editor, the list holds it and the chosen name stays chosen.
    host.AddCommonTrack("下课铃");
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(&dlg, &activation);
    ASSERT_EQ(names->count(), 2);
    EXPECT_EQ(names->itemText(1), QStringLiteral("下课铃"));
    EXPECT_EQ(names->currentText(), QStringLiteral("上课铃"));

    // Escape in the list does not throw the whole item away.
    names->setFocus();
    QTest::keyClick(names, Qt::Key_Escape);
    EXPECT_TRUE(dlg.isVisible());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
}

TEST(ItemEditDlg, BrowsingStoresPathsInsideTheProgramFolderRelative) {
    FakeEditorHost host;
    host.player.lengths["song.mp3"] = 200000;
    host.player.lengths["SONG2.mp3"] = 3000;
    CItemEditDlg dlg(host, host.clock);
    dlg.SetItem(SingleItem(""));
    dlg.show();
    auto* browse = Find<QPushButton>(dlg, "browseButton");
    auto* file = Find<QLineEdit>(dlg, "fileEdit");

    host.dialogs.files.push_back({host.AppDir() + "音乐库/song.mp3"});
    browse->click();
    ASSERT_EQ(host.dialogs.fileRequests.size(), 1U);
    EXPECT_EQ(host.dialogs.fileRequests[0].folder, host.AppDir() + "音乐库");
    EXPECT_EQ(host.dialogs.fileRequests[0].filter, player::CPlayerDlg::kMusicFilter);
    EXPECT_EQ(file->text(), QStringLiteral("音乐库/song.mp3"));
    EXPECT_EQ(Find<QLineEdit>(dlg, "secondsEdit")->text(), QStringLiteral("200"));
    EXPECT_TRUE(Find<QPushButton>(dlg, "trialButton")->isEnabled());

    // The same folder written in other letters is another path: it is kept whole.
    std::string upper = host.AppDir();
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    host.dialogs.files.push_back({upper + "SONG2.mp3"});
    browse->click();
    EXPECT_EQ(file->text().toStdString(), upper + "SONG2.mp3");

    host.dialogs.files.push_back({host.AppDir() + "notes.txt"});
    browse->click();
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string>{CItemEditDlg::kWrongFormat}));
    EXPECT_TRUE(file->text().isEmpty());
    EXPECT_FALSE(Find<QPushButton>(dlg, "trialButton")->isEnabled());
}

TEST(ItemEditDlg, TrialPlayStartsOrStopsAndEndsWithTheDialog) {
    FakeEditorHost host;
    host.player.lengths["bell.mp3"] = 5000;
    host.AddCommonTrack("铃声");
    CItemEditDlg dlg(host, host.clock);
    dlg.SetItem(SingleItem("音乐库/bell.mp3"));
    dlg.show();
    auto* trial = Find<QPushButton>(dlg, "trialButton");

    // Something else plays: the button refuses, stops nothing and starts nothing.
    host.player.playing = true;
    host.player.queue.resize(1);
    trial->click();
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{editors::kTrialRefused});
    EXPECT_EQ(host.dialogs.messages.back().caption, editors::kTrialCaption);
    EXPECT_TRUE(host.player.playing);
    EXPECT_EQ(host.player.queue.size(), 1U);
    EXPECT_TRUE(host.log.With("clear").empty());
    EXPECT_TRUE(host.log.With("load").empty());

    // Once it has ended, the trial starts.
    host.player.playing = false;
    trial->click();
    ASSERT_EQ(host.player.queue.size(), 1U);
    EXPECT_EQ(host.player.queue[0].path, host.AppDir() + "音乐库/bell.mp3");
    EXPECT_EQ(host.player.queue[0].limit, -1);
    EXPECT_EQ(host.player.queue[0].useDefaultVolume, 1);
    EXPECT_TRUE(host.player.playing);

    // Changing the kind ends the trial once; Cancel has nothing left to stop.
    host.log.Clear();
    Find<QRadioButton>(dlg, "commonRadio")->click();
    EXPECT_FALSE(host.player.playing);
    Find<QPushButton>(dlg, "cancelButton")->click();
    EXPECT_EQ(host.log.With("clear").size(), 1U);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
}

TEST(ItemEditDlg, ClosingLeavesAScheduledItemThatReplacedTheTrialPlaying) {
    FakeEditorHost host;
    host.clock.Set({2026, 12, 8, 8, 59, 50});
    host.player.lengths["bell.mp3"] = 5000;
    schedule::CTimetable timetable;
    ScheduleItem due = SingleItem("音乐库/due.mp3");
    due.time = 9 * 3600;
    timetable.AddItem(host.clock.Now().weekday, &due);
    const std::string path = host.AppDir() + "today.zxb";
    ASSERT_TRUE(timetable.Save(path));
    ASSERT_TRUE(host.Session().LoadTimetable(path));

    CItemEditDlg dlg(host, host.clock);
    dlg.SetItem(SingleItem("音乐库/bell.mp3"));
    dlg.show();
    Find<QPushButton>(dlg, "trialButton")->click();
    ASSERT_TRUE(host.player.playing);

    // The trial is still counted as running when the 09:00:00 item starts.
    for (int second = 0; second < 12; ++second) {
        host.clock.Advance(1000);
        host.Session().Tick();
    }
    ASSERT_EQ(host.player.QueuedNames(), (std::vector<std::string>{"due.mp3"}));
    host.log.Clear();
    Find<QPushButton>(dlg, "okButton")->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(host.log.With("clear").empty());
    EXPECT_TRUE(host.player.playing);
}

TEST(ItemEditDlg, ABellStartedDuringTheTrialIsNeitherStoppedNorReplaced) {
    FakeEditorHost host;
    host.player.lengths["bell.mp3"] = 5000;
    ScheduleItem listed = SingleItem("音乐库/listed.mp3");
    listed.time = 10 * 3600;
    ASSERT_TRUE(host.Session().AddItemToday(listed));

    CItemEditDlg dlg(host, host.clock);
    dlg.SetItem(SingleItem("音乐库/bell.mp3"));
    dlg.show();
    auto* trial = Find<QPushButton>(dlg, "trialButton");
    trial->click();
    ASSERT_EQ(host.player.QueuedNames(), std::vector<std::string>{"bell.mp3"});

    // The list's row is played by hand while the trial plays: it replaces the trial.
    host.Session().PlayListRow(0);
    ASSERT_EQ(host.player.QueuedNames(), std::vector<std::string>{"listed.mp3"});
    ASSERT_TRUE(host.player.playing);
    host.log.Clear();

    // A second press is refused rather than taken as stopping the trial.
    trial->click();
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{editors::kTrialRefused});
    // Changing the kind and closing end the trial, which is no longer what plays.
    Find<QRadioButton>(dlg, "commonRadio")->click();
    Find<QPushButton>(dlg, "cancelButton")->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(host.log.With("clear").empty());
    EXPECT_TRUE(host.log.With("load").empty());
    EXPECT_EQ(host.player.QueuedNames(), std::vector<std::string>{"listed.mp3"});
    EXPECT_TRUE(host.player.playing);
}

TEST(ItemEditDlg, NumberFieldsKeepWhatIsTypedAndRefuseWhatIsNoNumber) {
    FakeEditorHost host;
    host.player.lengths["bell.mp3"] = 5000;
    CItemEditDlg first(host, host.clock);
    first.SetItem(SingleItem("音乐库/bell.mp3"));
    first.show();
    auto* volume = Find<QLineEdit>(first, "volumeEdit");
    EXPECT_TRUE(volume->isEnabled());
    volume->clear();
    QTest::keyClicks(volume, QStringLiteral("1x50"));
    EXPECT_EQ(volume->text(), QStringLiteral("150"));
    auto* fullPlay = Find<QCheckBox>(first, "fullPlayCheck");
    fullPlay->click();
    auto* seconds = Find<QLineEdit>(first, "secondsEdit");
    EXPECT_TRUE(seconds->isEnabled());
    seconds->setText(QStringLiteral("十"));
    auto* ok = Find<QPushButton>(first, "okButton");
    ok->click();
    EXPECT_EQ(host.MessageTexts(), (std::vector<std::string>{"请键入一个整数。"}));
    EXPECT_TRUE(first.isVisible());
    seconds->setText(QStringLiteral("9999999"));
    ok->click();
    EXPECT_EQ(host.dialogs.messages.size(), 2U);
    EXPECT_TRUE(first.isVisible());
    // The arrows step inside their range.
    QTest::keyClick(seconds, Qt::Key_Up);
    EXPECT_EQ(seconds->text(), QStringLiteral("1000"));
    // A negative play time is refused with a message that says so.
    seconds->setText(QStringLiteral("-5"));
    ok->click();
    EXPECT_EQ(host.MessageTexts().back(), editors::kNegativePlayTimeText);
    EXPECT_TRUE(first.isVisible());
    seconds->setText(QStringLiteral("1000"));

    // A text that would not fit the file is refused rather than cut.
    auto* title = Find<QComboBox>(first, "titleCombo");
    title->setEditText(QString(200, QChar(0x4E00)));
    ok->click();
    EXPECT_EQ(host.dialogs.messages.size(), 4U);
    EXPECT_TRUE(first.isVisible());
    title->setEditText(QStringLiteral("早读"));
    ok->click();
    ASSERT_EQ(first.result(), QDialog::Accepted);
    const ScheduleItem stored = first.Item();
    EXPECT_EQ(stored.volume, 150);
    EXPECT_EQ(stored.fullPlay, 0);
    EXPECT_EQ(stored.limit, 1000 * 1000);

    CItemEditDlg second(host, host.clock);
    second.SetItem(stored);
    second.show();
    EXPECT_EQ(Find<QLineEdit>(second, "volumeEdit")->text(), QStringLiteral("100"));
    EXPECT_EQ(Find<QLineEdit>(second, "secondsEdit")->text(), QStringLiteral("1000"));
    Find<QCheckBox>(second, "defaultVolumeCheck")->click();
    EXPECT_FALSE(Find<QLineEdit>(second, "volumeEdit")->isEnabled());
}

}  // namespace
