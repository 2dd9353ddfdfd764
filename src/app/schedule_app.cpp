#include "app/schedule_app.h"

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "app/main_frame.h"
#include "engine/wait_pumping.h"
#include "player/audio_devices.h"
#include "player/audio_output.h"
#include "session/instance_request.h"

namespace app {

namespace {

constexpr const char* kInstanceName = "Varnel";

}  // namespace

CScheduleApp::CScheduleApp(std::string appDir)
    : m_strAppDir(std::move(appDir)), m_Instance(QString::fromUtf8(kInstanceName)) {}

CScheduleApp::~CScheduleApp() {
    if (m_pFrame) {
        m_pFrame->Shutdown();
    }
}

bool CScheduleApp::InitInstance() {
    // One copy per user: a copy without a display (of any program folder) counts too.
    const QStringList headless = platform::SingleInstance::RunningNames(QStringLiteral("Varnel-"));
    const bool headlessRuns =
        std::any_of(headless.begin(), headless.end(),
                    [](const QString& name) { return platform::SingleInstance::Answers(name); });
    if (headlessRuns ||
        m_Instance.ClaimInstance() == platform::SingleInstance::Claim::OtherCopyRunning) {
        m_bOtherCopy = true;
        return false;
    }
    m_pPower = std::make_unique<platform::LogindPowerControl>();
    m_pAudio = std::make_unique<player::GstAudioSystem>();
    // The window comes first; loading the decoders and looking for an audio output
    // follow right after its first paint, long before the next item's lead-in.
    m_pAudio->DeferWarmUp();
    m_pAudio->SetSpeech(&m_Speech);

    FrameServices services;
    services.clock = &m_Clock;
    services.audio = m_pAudio.get();
    services.power = m_pPower.get();
    services.dialogs = &m_Dialogs;
    services.runProgram = engine::BindRunProgram(m_Runner, engine::WaitPumping, m_strAppDir);
    services.appDir = m_strAppDir;
    services.executable = QCoreApplication::applicationFilePath().toStdString();
    if (const char* log = std::getenv("QELT_EVENT_LOG")) {
        services.eventLogPath = log;
    }
    player::GstAudioSystem* audio = m_pAudio.get();
    services.listAudioOutputs = [] {
        std::vector<std::pair<std::string, std::string>> outputs;
        for (const player::AudioDevice& device : player::ListAudioOutputs()) {
            outputs.emplace_back(device.id, device.name);
        }
        return outputs;
    };
    services.setAudioOutput = [audio](const std::string& id) { audio->SetOutputDevice(id); };
    services.takeOutputFallback = [audio] { return audio->TakeFallbackNotice(); };
    services.startLeadMs = [audio] { return audio->StartLeadMs(); };
    services.takeSnapcastNotice = [audio] { return audio->TakeSnapcastNotice(); };
    services.clockSync = &m_ClockSync;
    services.speechFailure = [this](const std::string& path) { return m_Speech.FailureOf(path); };

    m_pFrame = std::make_unique<CMainFrame>(std::move(services));
    if (!m_pFrame->Create()) {
        return false;
    }
    m_Speech.SetVoiceSource([this] { return player::VoiceOf(m_pFrame->Session().Settings()); });
    QObject::connect(&m_Instance, &platform::SingleInstance::activationRequested, m_pFrame.get(),
                     [this] { m_pFrame->RestoreAndRaise(); });
    // A later copy's --emergency and --emergency-end reach the session here.
    m_Instance.SetRequestHandler([this](const QString& command, const QString& argument) {
        return session::TakeInstanceRequest(m_pFrame->Session(), command.toStdString(),
                                            argument.toStdString());
    });
    QObject::connect(m_pFrame.get(), &CMainFrame::closed, qApp, &QApplication::quit,
                     Qt::QueuedConnection);
    m_pFrame->show();
    QTimer::singleShot(0, m_pFrame.get(), [this] {
        m_pAudio->WarmUp();
        if (!player::AudioOutputAvailable()) {
            m_pFrame->ReportNoAudioOutput();
        }
    });
    return true;
}

}  // namespace app
