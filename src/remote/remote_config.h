#pragma once
// The remote page's settings in "QELT.INI" (section "远程"): whether it is on, the address
// and port it listens on, and its token. Off by default; the token is made the first time
// the page is turned on and kept as it stands from then on.

#include <optional>
#include <string>
#include <string_view>

#include "schedule/profile_file.h"

namespace remote {

inline constexpr const char* kSection = "远程";
inline constexpr const char* kEnabledKey = "开启";
inline constexpr const char* kAddressKey = "地址";
inline constexpr const char* kPortKey = "端口";
inline constexpr const char* kTokenKey = "令牌";
inline constexpr const char* kDefaultAddress = "127.0.0.1";
inline constexpr int kDefaultPort = 8765;
inline constexpr int kMaxPort = 65535;

struct RemoteConfig {
    bool enabled = false;
    std::string address = kDefaultAddress;
    int port = kDefaultPort;
    std::string token;
};

RemoteConfig ReadRemoteConfig(const schedule::CProfileFile& file);
// Writes the four keys; false when the file could not be written.
bool WriteRemoteConfig(schedule::CProfileFile& file, const RemoteConfig& config);
// Gives the configuration a new token when it has none and writes it; true when the
// token is usable afterwards (kept, or made and written).
bool EnsureToken(schedule::CProfileFile& file, RemoteConfig& config);

// "ADDRESS:PORT" (an IPv6 address in brackets), as given to --web; nothing when the
// address is not a literal IP address or the port is not 0..65535 (0: any free
// port, for tests).
std::optional<RemoteConfig> ParseListenAddress(std::string_view text);
// The page's address with the token in its fragment: "http://ADDRESS:PORT/#TOKEN".
std::string PageUrl(const RemoteConfig& config);

}  // namespace remote
