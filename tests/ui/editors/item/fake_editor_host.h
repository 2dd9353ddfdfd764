#pragma once
// The editors' host for the window tests: a temporary program folder with its settings
// file, both stores, a real scheduling engine over a virtual clock with a recording
// player, and scripted dialogs. Every close notice and store-editor request is recorded.

#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>

#include "common/scripted_dialogs.h"
#include "editors/editor_host.h"
#include "engine/engine_fakes.h"
#include "platform/virtual_clock.h"

namespace editors_test {

class FakeEditorHost : public editors::IEditorHost {
public:
    FakeEditorHost()
        : m_strAppDir(m_Folder.path().toStdString() + "/"),
          settings(m_strAppDir + "QELT.INI"),
          log(clock),
          engineHost(log),
          player(log),
          power(log),
          engine(clock, engineHost, player, power, nullptr, commonTracks, playlists, m_strAppDir) {}

    const std::string& AppDir() const override { return m_strAppDir; }
    schedule::CSettings& Settings() override { return settings; }
    schedule::CCommonTrackStore& CommonTracks() override { return commonTracks; }
    schedule::CPlaylistStore& Playlists() override { return playlists; }
    engine::CScheduleEngine& Engine() override { return engine; }
    engine::IPlayer& Player() override { return player; }
    platform::Dialogs& Dialogs() override { return dialogs; }
    QWidget* Window() override { return nullptr; }
    void OnEditorClosed(int code, int param) override { closeNotices.emplace_back(code, param); }
    void OpenStoreEditor(int commandId) override { storeEditorCommands.push_back(commandId); }
    void SetPendingDisplay(bool /*showPending*/) override {}
    bool IsPendingDisplay() const override { return true; }
    void SetSchoolName(const std::string& /*name*/) override {}
    bool SetAutostart(bool on) override { return on; }
    bool IsAutostartSet() const override { return false; }
    std::vector<std::pair<std::string, std::string>> AudioOutputs() override { return {}; }
    void SetAudioOutput(const std::string& /*id*/) override {}

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

private:
    QTemporaryDir m_Folder;
    std::string m_strAppDir;

public:
    schedule::CSettings settings;
    schedule::CCommonTrackStore commonTracks;
    schedule::CPlaylistStore playlists;
    platform::VirtualClock clock;
    engine_test::EventLog log;
    engine_test::FakeHost engineHost;
    engine_test::FakePlayer player;
    engine_test::FakePower power;
    engine::CScheduleEngine engine;
    ui_test::ScriptedDialogs dialogs;
    std::vector<std::pair<int, int>> closeNotices;
    std::vector<int> storeEditorCommands;
};

}  // namespace editors_test
