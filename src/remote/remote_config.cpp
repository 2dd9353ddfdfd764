#include "remote/remote_config.h"

#include <QHostAddress>
#include <QString>
#include <charconv>

#include "remote/remote_token.h"

namespace remote {

RemoteConfig ReadRemoteConfig(const schedule::CProfileFile& file) {
    RemoteConfig config;
    config.enabled = file.ReadInt(kSection, kEnabledKey, 0) != 0;
    config.address = file.ReadString(kSection, kAddressKey, kDefaultAddress);
    if (config.address.empty()) {
        config.address = kDefaultAddress;
    }
    config.port = file.ReadInt(kSection, kPortKey, kDefaultPort);
    if (config.port <= 0 || config.port > kMaxPort) {
        config.port = kDefaultPort;
    }
    config.token = file.ReadString(kSection, kTokenKey, "");
    return config;
}

bool WriteRemoteConfig(schedule::CProfileFile& file, const RemoteConfig& config) {
    bool written = file.WriteString(kSection, kEnabledKey, config.enabled ? "1" : "0");
    written = file.WriteString(kSection, kAddressKey, config.address) && written;
    written = file.WriteInt(kSection, kPortKey, config.port) && written;
    return file.WriteString(kSection, kTokenKey, config.token) && written;
}

bool EnsureToken(schedule::CProfileFile& file, RemoteConfig& config) {
    if (!config.token.empty()) {
        return true;
    }
    config.token = MakeToken();
    return file.WriteString(kSection, kTokenKey, config.token);
}

std::optional<RemoteConfig> ParseListenAddress(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view host = text.substr(0, colon);
    const std::string_view portText = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    int port = 0;
    const auto [end, error] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (error != std::errc() || end != portText.data() + portText.size() || port < 0 ||
        port > kMaxPort) {
        return std::nullopt;
    }
    QHostAddress address;
    if (!address.setAddress(QString::fromUtf8(host.data(), static_cast<qsizetype>(host.size())))) {
        return std::nullopt;
    }
    RemoteConfig config;
    config.enabled = true;
    config.address = std::string(host);
    config.port = port;
    return config;
}

std::string PageUrl(const RemoteConfig& config) {
    const bool ipv6 = config.address.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + config.address + "]" : config.address;
    return "http://" + host + ":" + std::to_string(config.port) + "/#" + config.token;
}

}  // namespace remote
