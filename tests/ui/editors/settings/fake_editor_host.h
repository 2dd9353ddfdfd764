#pragma once
// The main window as the settings dialogs see it: a real scheduling engine over a virtual
// clock with recording fakes, a settings file in a temporary program folder, scripted
// dialogs, and a record of what the dialogs asked of the frame.

#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/scripted_dialogs.h"
#include "editors/editor_host.h"
#include "engine_fakes.h"
#include "platform/virtual_clock.h"

namespace settings_test {

class FakeEditorHost : public editors::IEditorHost {
public:
    FakeEditorHost()
        : m_strAppDir(m_Dir.path().toStdString() + "/"),
          m_Settings(m_strAppDir + schedule::ini::kFileName),
          m_Log(m_Clock),
          m_EngineHost(m_Log),
          m_Player(m_Log),
          m_Power(m_Log),
          m_Engine(
              m_Clock, m_EngineHost, m_Player, m_Power,
              [](const std::string&, const std::string&) { return 0; }, m_CommonTracks, m_Playlists,
              m_strAppDir) {}

    const std::string& AppDir() const override { return m_strAppDir; }
    schedule::CSettings& Settings() override { return m_Settings; }
    schedule::CCommonTrackStore& CommonTracks() override { return m_CommonTracks; }
    schedule::CPlaylistStore& Playlists() override { return m_Playlists; }
    engine::CScheduleEngine& Engine() override { return m_Engine; }
    engine::IPlayer& Player() override { return m_Player; }
    platform::Dialogs& Dialogs() override { return dialogs; }
    QWidget* Window() override { return &window; }

    void OnEditorClosed(int code, int param) override { closed.emplace_back(code, param); }
    void OpenStoreEditor(int /*commandId*/) override {}
    void SetPendingDisplay(bool showPending) override { pendingDisplay = showPending; }
    bool IsPendingDisplay() const override { return pendingDisplay; }
    void SetSchoolName(const std::string& name) override { schoolName = name; }
    bool SetAutostart(bool on) override {
        autostartRequests.push_back(on);
        autostart = on && autostartWritable;
        return autostart;
    }
    bool IsAutostartSet() const override { return autostart; }

    engine_test::FakePlayer& FakePlayer() { return m_Player; }

    // The settings file's text, or empty when there is none.
    std::string IniText() {
        std::ifstream in(m_Settings.File().GetPath(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void WriteIni(const std::string& text) {
        std::ofstream out(m_Settings.File().GetPath(), std::ios::binary | std::ios::trunc);
        out << text;
    }

    ui_test::ScriptedDialogs dialogs;
    QWidget window;
    std::vector<std::pair<int, int>> closed;
    bool pendingDisplay = true;
    std::string schoolName;
    std::vector<bool> autostartRequests;
    bool autostart = false;
    bool autostartWritable = true;

private:
    QTemporaryDir m_Dir;
    std::string m_strAppDir;
    schedule::CSettings m_Settings;
    platform::VirtualClock m_Clock;
    engine_test::EventLog m_Log;
    engine_test::FakeHost m_EngineHost;
    engine_test::FakePlayer m_Player;
    engine_test::FakePower m_Power;
    schedule::CCommonTrackStore m_CommonTracks;
    schedule::CPlaylistStore m_Playlists;
    engine::CScheduleEngine m_Engine;
};

}  // namespace settings_test
