#pragma once
// The main window as the editors see it: a temporary program folder with its settings
// file, both stores, a real scheduling engine over a virtual clock with recording fakes,
// scripted dialogs, and a record of what the editors asked of the frame.

#include <QTemporaryDir>
#include <QWidget>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/scripted_dialogs.h"
#include "editors/editor_host.h"
#include "engine/engine_fakes.h"
#include "platform/virtual_clock.h"

namespace ui_test {

// Monday 2026-12-07, 09:00:00.
inline platform::LocalTime MondayMorning() {
    platform::LocalTime time;
    time.year = 2026;
    time.month = 12;
    time.day = 7;
    time.hour = 9;
    return platform::VirtualClock::FromMilliseconds(platform::VirtualClock::ToMilliseconds(time));
}

class FakeEditorHost : public editors::IEditorHost {
public:
    FakeEditorHost()
        : m_strAppDir(m_Folder.path().toStdString() + "/"),
          settings(m_strAppDir + schedule::ini::kFileName),
          log(clock),
          engineHost(log),
          player(log),
          power(log),
          engine(
              clock, engineHost, player, power,
              [](const std::string&, const std::string&) { return 0; }, commonTracks, playlists,
              m_strAppDir) {}

    const std::string& AppDir() const override { return m_strAppDir; }
    schedule::CSettings& Settings() override { return settings; }
    schedule::CCommonTrackStore& CommonTracks() override { return commonTracks; }
    schedule::CPlaylistStore& Playlists() override { return playlists; }
    engine::CScheduleEngine& Engine() override { return engine; }
    engine::IPlayer& Player() override { return player; }
    platform::Dialogs& Dialogs() override { return dialogs; }
    QWidget* Window() override { return &window; }

    void OnEditorClosed(int code, int param) override { closeNotices.emplace_back(code, param); }
    void OpenStoreEditor(int commandId) override { storeEditorCommands.push_back(commandId); }
    void SetPendingDisplay(bool showPending) override { pendingDisplay = showPending; }
    bool IsPendingDisplay() const override { return pendingDisplay; }
    void SetSchoolName(const std::string& name) override { schoolName = name; }
    bool SetAutostart(bool on) override {
        autostartRequests.push_back(on);
        autostart = on && autostartWritable;
        return autostart;
    }
    bool IsAutostartSet() const override { return autostart; }
    std::vector<std::pair<std::string, std::string>> AudioOutputs() override {
        return audioOutputs;
    }
    void SetAudioOutput(const std::string& id) override { audioOutputRequests.push_back(id); }

    // Adds an empty common track or playlist of the name given to its store.
    void AddCommonTrack(const std::string& name) {
        schedule::CommonTrack track;
        track.name = name;
        commonTracks.Add(&track);
    }
    void AddPlaylist(const std::string& name) {
        schedule::Playlist list;
        list.name = name;
        playlists.Add(&list);
    }

    // The texts of the messages shown so far.
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const ShownMessage& message : dialogs.messages) {
            texts.push_back(message.text);
        }
        return texts;
    }

    // The settings file's text, or empty when there is none.
    std::string IniText() {
        std::ifstream in(settings.File().GetPath(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteIni(const std::string& text) {
        std::ofstream out(settings.File().GetPath(), std::ios::binary | std::ios::trunc);
        out << text;
    }

private:
    QTemporaryDir m_Folder;
    std::string m_strAppDir;

public:
    schedule::CSettings settings;
    schedule::CCommonTrackStore commonTracks;
    schedule::CPlaylistStore playlists;
    platform::VirtualClock clock{MondayMorning()};
    engine_test::EventLog log;
    engine_test::FakeHost engineHost;
    engine_test::FakePlayer player;
    engine_test::FakePower power;
    engine::CScheduleEngine engine;
    ScriptedDialogs dialogs;

    std::vector<std::pair<int, int>> closeNotices;
    // The store editors the editors asked the frame to open, by command.
    std::vector<int> storeEditorCommands;
    bool pendingDisplay = true;
    std::string schoolName;
    std::vector<bool> autostartRequests;
    bool autostart = false;
    // Whether a requested start-with-the-desktop entry can be written.
    bool autostartWritable = true;
    // The audio outputs the settings dialog lists, and the outputs it chose.
    std::vector<std::pair<std::string, std::string>> audioOutputs;
    std::vector<std::string> audioOutputRequests;

    // The editors' owner; declared last so that the editors it still owns go first.
    QWidget window;
};

}  // namespace ui_test
