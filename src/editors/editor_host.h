#pragma once
// What the editors need of the main window: the program folder, the settings, the
// stores, the bell session that owns the day, the player for trial play and the dialogs.
// The main frame implements it; the window tests have their own. A modeless editor's
// close reaches the frame through QDialog::finished.

#include <string>
#include <utility>
#include <vector>

#include "engine/engine_player.h"
#include "platform/dialogs.h"
#include "schedule/app_paths.h"
#include "schedule/common_track_store.h"
#include "schedule/message_reporter.h"
#include "schedule/playlist_store.h"
#include "schedule/settings.h"
#include "session/bell_session.h"

class QWidget;

namespace editors {

class IEditorHost {
public:
    virtual ~IEditorHost() = default;

    // The program folder, ending with '/'.
    virtual const std::string& AppDir() const = 0;
    virtual schedule::CSettings& Settings() = 0;
    virtual schedule::CCommonTrackStore& CommonTracks() = 0;
    virtual schedule::CPlaylistStore& Playlists() = 0;
    // The bell session: today, the options in force, and every change to them.
    virtual session::CBellSession& Session() = 0;
    // The media player, for trial play (begun and ended through the session).
    virtual engine::IPlayer& Player() = 0;
    virtual platform::Dialogs& Dialogs() = 0;
    // The window editors are centred on and owned by.
    virtual QWidget* Window() = 0;

    // Runs the frame's command that opens the common-track (32782) or playlist (32783)
    // editor, while the asking dialog stays open.
    virtual void OpenStoreEditor(int commandId) = 0;

    // What the settings dialog applies at once besides writing the settings file.
    virtual void SetPendingDisplay(bool showPending) = 0;
    // Whether the main window shows the pending view (else the list view) right now.
    virtual bool IsPendingDisplay() const = 0;
    // The school name the pending view shows as its caption.
    virtual void SetSchoolName(const std::string& name) = 0;
    // Writes or removes the start-with-the-desktop entry; the state read back afterwards.
    virtual bool SetAutostart(bool on) = 0;
    virtual bool IsAutostartSet() const = 0;
    // The system's audio outputs present now, each as its identifier and the name to
    // show, without the default output.
    virtual std::vector<std::pair<std::string, std::string>> AudioOutputs() = 0;
    // Starts, restarts or stops the remote page as the settings' "远程" section now says;
    // false, with the reason in error, when it cannot listen. A host without the page
    // has nothing to do.
    virtual bool ApplyRemoteSettings(std::string* /*error*/) { return true; }
};

// Said when a trial play is asked for while a bell plays: a trial never cuts one off.
inline constexpr const char* kTrialRefused = "作息项正在播放，请在播放结束后再试播。";
inline constexpr const char* kTrialCaption = "试播";
// Said when "QELT.INI" could not be written.
inline constexpr const char* kSettingsNotWritten =
    "无法写入设置文件QELT.INI，新的设置只在本次运行中有效。";

// Said when the preset titles could not be written to "QELT.INI".
inline constexpr const char* kPresetTitlesNotWritten =
    "无法写入设置文件QELT.INI，常用标题没有保存。";

inline void ReportSettingsNotWritten(IEditorHost& host, const char* text = kSettingsNotWritten) {
    host.Dialogs().Message(text, schedule::kErrorCaption, platform::MessageIcon::Error,
                           platform::MessageButtons::Ok);
}

// Begins an editor's trial play: its token, or 0 (and the user is told why) while a
// bell plays.
inline int BeginTrial(IEditorHost& host) {
    const int token = host.Session().BeginTrial();
    if (token == 0) {
        host.Dialogs().Message(kTrialRefused, kTrialCaption, platform::MessageIcon::Information,
                               platform::MessageButtons::Ok);
    }
    return token;
}

// One file of an editor's trial play: its path as stored (resolved against the program
// folder), its limit in milliseconds (-1: the whole file) and its volume.
struct TrialFile {
    std::string path;
    int limitMs = -1;
    int useDefaultVolume = 1;
    int volume = 100;
};

// Begins an editor's trial play and starts its files on an emptied queue, each playing
// by itself: the trial's token, or 0 (and the user is told why) while a bell plays.
inline int StartTrial(IEditorHost& host, const std::vector<TrialFile>& files) {
    const int token = BeginTrial(host);
    if (token == 0) {
        return 0;
    }
    engine::IPlayer& player = host.Player();
    player.ClearQueue(true);
    for (const TrialFile& file : files) {
        player.AddFile(schedule::ResolvePath(host.AppDir(), file.path), 1, file.limitMs,
                       file.useDefaultVolume, file.volume);
    }
    player.RefreshList();
    player.LoadTrack(0);
    return token;
}

}  // namespace editors
