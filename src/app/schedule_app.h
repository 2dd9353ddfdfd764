#pragma once
// The program: one running copy per user, the real clock, audio, power control, dialogs
// and process runner, and the main window built on them.

#include <memory>
#include <string>

#include "engine/schedule_engine.h"
#include "platform/logind_power_control.h"
#include "platform/posix_process_runner.h"
#include "platform/qt_dialogs.h"
#include "platform/single_instance.h"
#include "platform/system_clock.h"
#include "platform/timedated_clock_sync.h"
#include "player/gst_audio_system.h"

namespace app {

class CMainFrame;

class CScheduleApp {
public:
    // appDir: the program folder, ending with '/'.
    explicit CScheduleApp(std::string appDir);
    ~CScheduleApp();
    CScheduleApp(const CScheduleApp&) = delete;
    CScheduleApp& operator=(const CScheduleApp&) = delete;

    // Starts the program, or, when another copy runs, asks it to show itself and returns
    // false: the program then ends without a window.
    bool InitInstance();
    // Whether InitInstance found another copy running (rather than failing to start).
    bool OtherCopyRunning() const { return m_bOtherCopy; }
    CMainFrame* Frame() const { return m_pFrame.get(); }

private:
    std::string m_strAppDir;
    bool m_bOtherCopy = false;
    platform::SingleInstance m_Instance;
    platform::SystemClock m_Clock;
    platform::QtDialogs m_Dialogs;
    platform::PosixProcessRunner m_Runner;
    std::unique_ptr<platform::LogindPowerControl> m_pPower;
    player::CSpeechCache m_Speech{player::CSpeechCache::DefaultFolder()};
    std::unique_ptr<player::GstAudioSystem> m_pAudio;
    platform::TimedatedClockSync m_ClockSync;
    std::unique_ptr<CMainFrame> m_pFrame;
};

}  // namespace app
