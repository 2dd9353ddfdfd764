#include "tool/headless_player.h"

#include <utility>

namespace tool {

CHeadlessPlayer::CHeadlessPlayer(player::IAudioSystem& audio, Events events)
    : m_Events(std::move(events)), m_Playback(audio, *this) {}

void CHeadlessPlayer::SetProgressTimer(bool running) {
    m_bTimerRunning = running;
    if (m_Events.progressTimer) {
        m_Events.progressTimer(running);
    }
}

void CHeadlessPlayer::OnTrackStarted(int, const std::string& path) {
    if (m_Events.trackStarted) {
        m_Events.trackStarted(path);
    }
}

void CHeadlessPlayer::OnQueueFinished() {
    if (m_Events.queueFinished) {
        m_Events.queueFinished();
    }
}

void CHeadlessPlayer::OnOpenFailed(int, const std::string& path) {
    if (m_Events.openFailed) {
        m_Events.openFailed(path);
    }
}

}  // namespace tool
