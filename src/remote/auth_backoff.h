#pragma once
// Back-off after wrong tokens, per client address: a few mistakes are free, then each
// further one shuts the address out for twice as long as the last, up to a ceiling. While
// shut out, even the right token is refused, so guessing cannot go faster than the
// back-off allows.

#include <cstdint>
#include <map>
#include <string>

namespace remote {

class CAuthBackoff {
public:
    static constexpr int kFreeFailures = 5;
    static constexpr std::int64_t kFirstDelayMs = 1000;
    static constexpr std::int64_t kMaxDelayMs = 300000;
    // Addresses remembered at most; the least recently failed one is forgotten first.
    static constexpr std::size_t kMaxClients = 1024;

    // Milliseconds the client must still wait (0: it may try now).
    std::int64_t RetryAfterMs(const std::string& client, std::int64_t nowMs) const;
    void RecordFailure(const std::string& client, std::int64_t nowMs);
    void RecordSuccess(const std::string& client);

private:
    struct Client {
        int failures = 0;
        std::int64_t lastFailureMs = 0;
        std::int64_t blockedUntilMs = 0;
    };
    std::map<std::string, Client> m_Clients;
};

}  // namespace remote
