#pragma once
// What the editors need of the main window: the program folder, the settings, the
// stores, the engine with the current timetable, the player for trial play, the dialogs,
// and a way to report that a modeless editor closed. The main frame implements it; the
// window tests have their own.

#include <string>
#include <utility>
#include <vector>

#include "engine/engine_player.h"
#include "engine/schedule_engine.h"
#include "platform/dialogs.h"
#include "schedule/common_track_store.h"
#include "schedule/playlist_store.h"
#include "schedule/settings.h"

class QWidget;

namespace editors {

// Codes a modeless editor reports when it closes (the frame's message 0x280E).
enum EditorNotice : int {
    kTimetableEditorClosed = 1,
    kPresetTitlesClosed = 3,
    kCommonTracksClosed = 4,
    kPlaylistsClosed = 5,
    kSettingsClosed = 7,
    kExtRunClosed = 9,
    kExtRunItemsClosed = 10,
    kHolidaysClosed = 11,
    kLogViewClosed = 12,
};

class IEditorHost {
public:
    virtual ~IEditorHost() = default;

    // The program folder, ending with '/'.
    virtual const std::string& AppDir() const = 0;
    virtual schedule::CSettings& Settings() = 0;
    virtual schedule::CCommonTrackStore& CommonTracks() = 0;
    virtual schedule::CPlaylistStore& Playlists() = 0;
    // The scheduling engine: the current timetable, today, and the settings mirrors.
    virtual engine::CScheduleEngine& Engine() = 0;
    // The media player, for trial play.
    virtual engine::IPlayer& Player() = 0;
    virtual platform::Dialogs& Dialogs() = 0;
    // The window editors are centred on and owned by.
    virtual QWidget* Window() = 0;

    // A modeless editor closed; param is the timetable editor's mode, else 0.
    virtual void OnEditorClosed(int code, int param) = 0;
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
    // Plays the tracks from the next one on through the output with this identifier;
    // empty is the default output.
    virtual void SetAudioOutput(const std::string& id) = 0;
};

}  // namespace editors
