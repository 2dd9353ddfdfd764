#pragma once
// The main window as the editors see it: a temporary program folder and a real bell
// session over it (settings file, both stores, engine) on a virtual clock with recording
// fakes, scripted dialogs, and a record of what the editors asked of the frame.

#include <QDialog>
#include <QTemporaryDir>
#include <QWidget>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/scripted_dialogs.h"
#include "editors/editor_host.h"
#include "engine/engine_fakes.h"
#include "platform/virtual_clock.h"
#include "session/bell_session.h"

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
          log(clock),
          engineHost(log),
          player(log),
          power(log),
          bellSession(clock, engineHost, MakeSessionOptions()),
          settings(bellSession.Settings()),
          commonTracks(bellSession.CommonTracks()),
          playlists(bellSession.Playlists()) {
        bellSession.Start(player);
    }

    const std::string& AppDir() const override { return m_strAppDir; }
    schedule::CSettings& Settings() override { return settings; }
    schedule::CCommonTrackStore& CommonTracks() override { return commonTracks; }
    schedule::CPlaylistStore& Playlists() override { return playlists; }
    session::CBellSession& Session() override { return bellSession; }
    engine::IPlayer& Player() override { return player; }
    platform::Dialogs& Dialogs() override { return dialogs; }
    QWidget* Window() override { return &window; }

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

    // Counts the dialog's closes as the frame hears of them; the dialog is returned.
    template <typename Dialog>
    Dialog* Watched(Dialog* dialog) {
        if (dialog != nullptr) {
            QObject::connect(dialog, &QDialog::finished, &window, [this] { ++closes; });
        }
        return dialog;
    }

    // Options in force for a test's set-up, written nowhere.
    void SetOptions(const std::function<void(engine::EngineOptions&)>& change) {
        engine::EngineOptions options = bellSession.Options();
        change(options);
        bellSession.ApplyOptions(options, session::OptionKeys::None);
    }

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
    // The session's: no bell log, no plug-ins, no tick of its own (tests call Tick()),
    // the fake power control, and extension programs recorded instead of run.
    session::SessionOptions MakeSessionOptions() {
        session::SessionOptions options;
        options.appDir = m_strAppDir;
        options.reporter = &m_Reporter;
        options.bellLog = false;
        options.loadPlugins = false;
        options.startTick = false;
        options.power = &power;
        options.runProgram = [this](const std::string& program, const std::string& parameters) {
            programRuns.emplace_back(program, parameters);
            return 0;
        };
        options.setAudioOutput = [this](const std::string& id) {
            audioOutputRequests.push_back(id);
        };
        return options;
    }

    // The files' messages (a store that cannot be written) shown as the frame shows them.
    class DialogsReporter : public schedule::IMessageReporter {
    public:
        explicit DialogsReporter(platform::Dialogs& dialogs) : m_Dialogs(dialogs) {}
        void ShowError(const std::string& text, const std::string& caption,
                       schedule::MessageOwner /*owner*/) override {
            m_Dialogs.Message(text, caption, platform::MessageIcon::Error,
                              platform::MessageButtons::Ok);
        }

    private:
        platform::Dialogs& m_Dialogs;
    };

    QTemporaryDir m_Folder;
    std::string m_strAppDir;
    DialogsReporter m_Reporter{dialogs};

public:
    platform::VirtualClock clock{MondayMorning()};
    engine_test::EventLog log;
    engine_test::FakeHost engineHost;
    engine_test::FakePlayer player;
    engine_test::FakePower power;
    // The extension programs the session ran, with their parameters.
    std::vector<std::pair<std::string, std::string>> programRuns;
    // The audio outputs the session or the settings dialog chose, in turn.
    std::vector<std::string> audioOutputRequests;
    session::CBellSession bellSession;
    // The session's settings and stores.
    schedule::CSettings& settings;
    schedule::CCommonTrackStore& commonTracks;
    schedule::CPlaylistStore& playlists;
    ScriptedDialogs dialogs;

    // How often the watched editors reported their close (QDialog::finished).
    int closes = 0;
    // The store editors the editors asked the frame to open, by command.
    std::vector<int> storeEditorCommands;
    bool pendingDisplay = true;
    std::string schoolName;
    std::vector<bool> autostartRequests;
    bool autostart = false;
    // Whether a requested start-with-the-desktop entry can be written.
    bool autostartWritable = true;
    // The audio outputs the settings dialog lists.
    std::vector<std::pair<std::string, std::string>> audioOutputs;

    // The editors' owner; declared last so that the editors it still owns go first.
    QWidget window;
};

}  // namespace ui_test
