// The track-entry controls both store editors use: what they show and read back, which
// of their changes count as the user's edits, and which fields the check boxes allow.

#include "editors/track_entry_panel.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <climits>

#include "common/scripted_dialogs.h"
#include "editors/number_field.h"

namespace stores_test {
namespace {

using editors::CTrackEntryPanel;
using schedule::TrackEntry;

constexpr int kIndicatorX = 6;

void ClickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(kIndicatorX, box->height() / 2));
}

TEST(TrackEntryPanelTest, ShowsAnEntryAndReadsItBackUnderItsNames) {
    QWidget window;
    auto* named = new CTrackEntryPanel(QStringLiteral("主曲"), QStringLiteral("main"),
                                       QStringLiteral("浏览..."), &window);
    auto* plain = new CTrackEntryPanel(QStringLiteral("主曲"), QString(),
                                       QStringLiteral("浏览(&B)..."), &window);
    // With a prefix every name carries it; without one the names start in lower case.
    EXPECT_EQ(named->objectName(), QStringLiteral("mainGroup"));
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("mainSecondsEdit")),
              named->SecondsField()->Edit());
    EXPECT_NE(window.findChild<QLabel*>(QStringLiteral("mainLengthLabel")), nullptr);
    EXPECT_TRUE(plain->objectName().isEmpty());
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("fileEdit")), plain->FileEdit());
    EXPECT_EQ(window.findChild<QCheckBox*>(QStringLiteral("defaultVolumeCheck")),
              plain->DefaultVolumeCheck());
    EXPECT_EQ(plain->BrowseButton()->text(), QStringLiteral("浏览(&B)..."));

    TrackEntry shown;
    shown.path = "音乐库/铃声.mp3";
    shown.fullPlay = 0;
    shown.limit = 90'500;
    shown.autoPlay = 0;
    shown.volume = 35;
    shown.useDefaultVolume = 0;
    named->ShowEntry(shown);
    ui_test::ScriptedDialogs dialogs;
    int seconds = 0;
    int volume = 0;
    ASSERT_TRUE(named->ReadNumbers(dialogs, seconds, volume));
    EXPECT_EQ(seconds, 90);
    EXPECT_EQ(volume, 35);
    TrackEntry read;
    read.length = 1234;
    named->ReadEntry(read, seconds, volume);
    EXPECT_EQ(read.path, shown.path);
    EXPECT_EQ(read.fullPlay, 0);
    EXPECT_EQ(read.limit, 90'000);
    EXPECT_EQ(read.autoPlay, 0);
    EXPECT_EQ(read.volume, 35);
    EXPECT_EQ(read.useDefaultVolume, 0);
    EXPECT_EQ(read.length, 1234) << "the length is the caller's";
    // Seconds beyond what 32 bits of milliseconds hold are kept at the largest.
    named->ReadEntry(read, INT_MAX, volume);
    EXPECT_EQ(read.limit, INT_MAX);

    // A field without a whole number stops the reading with the prompt.
    named->VolumeField()->Edit()->setText(QStringLiteral("loud"));
    EXPECT_FALSE(named->ReadNumbers(dialogs, seconds, volume));
    ASSERT_EQ(dialogs.messages.size(), 1U);
    EXPECT_EQ(dialogs.messages[0].text, editors::kEnterIntegerText);

    // A negative play time is refused with a prompt that says so.
    named->VolumeField()->Edit()->setText(QStringLiteral("35"));
    named->SecondsField()->Edit()->setText(QStringLiteral("-5"));
    EXPECT_FALSE(named->ReadNumbers(dialogs, seconds, volume));
    ASSERT_EQ(dialogs.messages.size(), 2U);
    EXPECT_EQ(dialogs.messages[1].text, editors::kNegativePlayTimeText);
}

TEST(TrackEntryPanelTest, ChecksAllowTheirFieldsAndPlaySettingChangesAreEdits) {
    QWidget window;
    auto* panel = new CTrackEntryPanel(QStringLiteral("辅曲"), QStringLiteral("secondary"),
                                       QStringLiteral("浏览..."), &window);
    window.show();
    panel->ApplyEnabling();
    // A new panel plays whole at the default volume: neither number field is open.
    EXPECT_FALSE(panel->SecondsField()->isEnabled());
    EXPECT_FALSE(panel->VolumeField()->isEnabled());

    QSignalSpy edited(panel, &CTrackEntryPanel::Edited);
    ClickBox(panel->FullPlayCheck());
    EXPECT_TRUE(panel->SecondsField()->isEnabled());
    EXPECT_FALSE(panel->VolumeField()->isEnabled());
    ClickBox(panel->DefaultVolumeCheck());
    EXPECT_TRUE(panel->VolumeField()->isEnabled());
    ClickBox(panel->AutoPlayCheck());
    panel->SecondsField()->Edit()->setText(QStringLiteral("12"));
    EXPECT_EQ(edited.count(), 4);
    // The file name is left to the editors, which check it before taking it.
    panel->FileEdit()->setText(QStringLiteral("音乐库/b.mp3"));
    EXPECT_EQ(edited.count(), 4);

    // A disabled box keeps its fields closed until it is enabled and asked again.
    panel->setEnabled(false);
    panel->ApplyEnabling();
    panel->setEnabled(true);
    EXPECT_FALSE(panel->SecondsField()->isEnabled());
    panel->ApplyEnabling();
    EXPECT_TRUE(panel->SecondsField()->isEnabled());
    EXPECT_TRUE(panel->VolumeField()->isEnabled());
}

}  // namespace
}  // namespace stores_test
