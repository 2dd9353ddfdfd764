#include "remote/auth_backoff.h"

#include <algorithm>

namespace remote {

std::int64_t CAuthBackoff::RetryAfterMs(const std::string& client, std::int64_t nowMs) const {
    const auto found = m_Clients.find(client);
    if (found == m_Clients.end()) {
        return 0;
    }
    return std::max<std::int64_t>(0, found->second.blockedUntilMs - nowMs);
}

void CAuthBackoff::RecordFailure(const std::string& client, std::int64_t nowMs) {
    if (m_Clients.size() >= kMaxClients && m_Clients.find(client) == m_Clients.end()) {
        const auto oldest = std::min_element(
            m_Clients.begin(), m_Clients.end(), [](const auto& left, const auto& right) {
                return left.second.lastFailureMs < right.second.lastFailureMs;
            });
        m_Clients.erase(oldest);
    }
    Client& entry = m_Clients[client];
    ++entry.failures;
    entry.lastFailureMs = nowMs;
    const int over = entry.failures - kFreeFailures;
    if (over > 0) {
        std::int64_t delay = kFirstDelayMs;
        for (int i = 1; i < over && delay < kMaxDelayMs; ++i) {
            delay *= 2;
        }
        entry.blockedUntilMs = nowMs + std::min(delay, kMaxDelayMs);
    }
}

void CAuthBackoff::RecordSuccess(const std::string& client) {
    m_Clients.erase(client);
}

}  // namespace remote
