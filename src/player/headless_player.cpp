#include "player/headless_player.h"

#include <utility>

namespace player {

CHeadlessPlayer::CHeadlessPlayer(IAudioSystem& audio, Events events)
    : m_Events(std::move(events)), m_Playback(audio, *this) {}

void CHeadlessPlayer::SetProgressTimer(bool running) {
    m_bTimerRunning = running;
    if (m_Events.progressTimer) {
        m_Events.progressTimer(running);
    }
}

// The playback engine offers Play only for a loaded track that waits for it.
void CHeadlessPlayer::EnableButton(PlayerButton button, bool enabled) {
    if (button != PlayerButton::Play || !enabled || !m_Events.trackWaiting) {
        return;
    }
    const int current = m_Playback.Current();
    const auto& queue = m_Playback.Queue();
    if (current >= 0 && current < static_cast<int>(queue.size())) {
        m_Events.trackWaiting(queue[static_cast<std::size_t>(current)].path);
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

}  // namespace player
