#pragma once
// The editors' host for the store editor tests: a temporary program folder, both stores,
// a real scheduling engine over a virtual clock whose player records its queue, and
// scripted dialogs. Every close notice is recorded.

#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>

#include "common/scripted_dialogs.h"
#include "editors/editor_host.h"
#include "engine/engine_fakes.h"
#include "platform/virtual_clock.h"

namespace stores_test {

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
    void OpenStoreEditor(int /*commandId*/) override {}
    void SetPendingDisplay(bool /*showPending*/) override {}
    bool IsPendingDisplay() const override { return true; }
    void SetSchoolName(const std::string& /*name*/) override {}
    bool SetAutostart(bool on) override { return on; }
    bool IsAutostartSet() const override { return false; }

    // The texts of the messages shown so far.
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const ui_test::ShownMessage& message : dialogs.messages) {
            texts.push_back(message.text);
        }
        return texts;
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
    ui_test::ScriptedDialogs dialogs;
    std::vector<std::pair<int, int>> closeNotices;
};

}  // namespace stores_test
