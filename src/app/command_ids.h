#pragma once
// The program's command identifiers and the codes of the frame's notification message.
// The numbers are the ones plug-ins and the files' users know, so menus, toolbar buttons
// and tests name commands by them.

namespace app {

enum CommandId : int {
    kCmdRefreshTimetable = 32771,
    kCmdChooseTimetable = 32772,
    kCmdViewTimetable = 32773,
    kCmdNewTimetable = 32774,
    kCmdModifyTimetable = 32775,
    kCmdAutoPlay = 32776,
    kCmdAutoShutdown = 32777,
    kCmdShowPlayer = 32778,
    kCmdSettings = 32781,
    kCmdCommonTracks = 32782,
    kCmdPlaylists = 32783,
    kCmdPresetTitles = 32784,
    kCmdSwitchView = 32785,
    kCmdShowClock = 32786,
    kCmdShowPicture = 32788,
    kCmdDefaultPicture = 32789,
    kCmdCustomPicture = 32790,
    kCmdChooseFilesToPlay = 32791,
    kCmdCustomColour = 32792,
    kCmdForum = 32793,
    kCmdMail = 32795,
    kCmdAutostart = 32803,
    kCmdHideMainWindow = 32805,
    kCmdExtRunSettings = 32807,
    kCmdExtRunItems = 32808,
    kCmdHolidays = 32809,
    kCmdBellLog = 32810,
    kCmdEmergency = 32811,
    kCmdAnnounce = 32812,
    kCmdNewItem = 34469,
    kCmdDeleteItem = 34470,
    kCmdEditItem = 34471,
    kCmdPlayCurrentRow = 34472,
    kCmdSaveTimetable = 34473,
    kCmdAbout = 57664,
    kCmdExit = 57665,
    kCmdToolBar = 59392,
    kCmdStatusBar = 59393,
};

// The "常用曲目播放(&C)" and "列表曲目播放(&L)" entries: the first id of each, and how
// many ids each menu may take.
inline constexpr int kCmdCommonTrackFirst = 34475;
inline constexpr int kCmdPlaylistFirst = 34675;
inline constexpr int kCmdIdsPerStore = 200;

// Codes of the frame's notification message (0x280E).
enum FrameNotice : int {
    kNoticeTimetableEditorClosed = 1,
    kNoticeListRightClick = 2,
    kNoticePresetTitlesClosed = 3,
    kNoticeCommonTracksClosed = 4,
    kNoticePlaylistsClosed = 5,
    kNoticePlaybackEnded = 6,
    kNoticeSettingsClosed = 7,
    kNoticeTrayIcon = 8,
    kNoticeExtRunClosed = 9,
    kNoticeExtRunItemsClosed = 10,
};

}  // namespace app
