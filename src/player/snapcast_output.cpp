#include "player/snapcast_output.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>
#include <vector>

namespace player {

namespace {

constexpr int kMaxPort = 65535;
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;
constexpr int kMaxChannels = 8;
// A status answer longer than this is not read to its end.
constexpr std::size_t kMaxStatusBytes = 1 << 20;

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string::npos) {
            return parts;
        }
        start = at + 1;
    }
}

// The host goes into a pipeline description: only the characters of a name or an
// address, so that nothing written there can add elements of its own.
bool IsSafeHost(const std::string& host, bool bracketed) {
    if (host.empty() || host.size() > 253) {
        return false;
    }
    return std::all_of(host.begin(), host.end(), [bracketed](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '.' || c == '-' ||
               c == '_' || (bracketed && c == ':');
    });
}

const char* RawFormat(int bits) {
    switch (bits) {
        case 24:
            return "S24LE";
        case 32:
            return "S32LE";
        default:
            return "S16LE";
    }
}

// A name lookup shared with the thread that makes it, so that either may go first.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    addrinfo* found = nullptr;
};

// The addresses of host:port, looked up before deadline; null when none came in time.
// The caller frees them with freeaddrinfo.
addrinfo* LookUpBefore(const std::string& host, int port,
                       std::chrono::steady_clock::time_point deadline) {
    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, service = std::to_string(port)] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) {
            found = nullptr;
        }
        const std::lock_guard lock(lookup->mutex);
        if (lookup->abandoned) {
            if (found != nullptr) {
                ::freeaddrinfo(found);
            }
            return;
        }
        lookup->found = found;
        lookup->finished = true;
        lookup->done.notify_one();
    }).detach();
    std::unique_lock lock(lookup->mutex);
    if (!lookup->done.wait_until(lock, deadline, [&lookup] { return lookup->finished; })) {
        lookup->abandoned = true;
        return nullptr;
    }
    return lookup->found;
}

// A connected TCP socket to host:port, or -1, within the time left until deadline.
int ConnectWithin(const std::string& host, int port,
                  std::chrono::steady_clock::time_point deadline) {
    addrinfo* found = LookUpBefore(host, port, deadline);
    if (found == nullptr) {
        return -1;
    }
    int connected = -1;
    for (addrinfo* address = found; address != nullptr && connected < 0;
         address = address->ai_next) {
        const int fd =
            ::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            continue;
        }
        if (::connect(fd, address->ai_addr, address->ai_addrlen) == 0) {
            connected = fd;
            break;
        }
        const bool pending = errno == EINPROGRESS;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        if (pending && left.count() > 0 && ::poll(&wait, 1, static_cast<int>(left.count())) == 1 &&
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
            connected = fd;
        } else {
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    return connected;
}

}  // namespace

bool IsSnapcastOutput(const std::string& id) {
    return id.rfind(kSnapcastScheme, 0) == 0;
}

bool ParseSampleFormat(const std::string& text, SnapcastOutput* output) {
    const std::vector<std::string> parts = Split(text, ':');
    if (parts.size() != 3) {
        return false;
    }
    const auto rate = ParseInt(parts[0]);
    const auto bits = ParseInt(parts[1]);
    const auto channels = ParseInt(parts[2]);
    if (!rate || !bits || !channels || *rate < kMinRate || *rate > kMaxRate ||
        (*bits != 16 && *bits != 24 && *bits != 32) || *channels < 1 || *channels > kMaxChannels) {
        return false;
    }
    output->rate = *rate;
    output->bits = *bits;
    output->channels = *channels;
    return true;
}

std::string SampleFormatText(const SnapcastOutput& output) {
    return std::to_string(output.rate) + ':' + std::to_string(output.bits) + ':' +
           std::to_string(output.channels);
}

std::optional<SnapcastOutput> ParseSnapcastOutput(const std::string& id) {
    if (!IsSnapcastOutput(id)) {
        return std::nullopt;
    }
    const std::string rest = id.substr(std::char_traits<char>::length(kSnapcastScheme));
    const std::size_t question = rest.find('?');
    std::string authority = rest.substr(0, question);
    if (!authority.empty() && authority.back() == '/') {
        authority.pop_back();
    }
    SnapcastOutput output;
    std::string portText;
    if (!authority.empty() && authority.front() == '[') {
        // An IPv6 address: "[::1]:4953".
        const std::size_t close = authority.find(']');
        if (close == std::string::npos || authority.compare(close + 1, 1, ":") != 0) {
            return std::nullopt;
        }
        output.host = authority.substr(1, close - 1);
        portText = authority.substr(close + 2);
        if (!IsSafeHost(output.host, true)) {
            return std::nullopt;
        }
    } else {
        const std::size_t colon = authority.rfind(':');
        if (colon == std::string::npos) {
            return std::nullopt;
        }
        output.host = authority.substr(0, colon);
        portText = authority.substr(colon + 1);
        if (!IsSafeHost(output.host, false)) {
            return std::nullopt;
        }
    }
    const auto port = ParseInt(portText);
    if (!port || *port < 1 || *port > kMaxPort) {
        return std::nullopt;
    }
    output.port = *port;
    if (question == std::string::npos) {
        return output;
    }
    for (const std::string& option : Split(rest.substr(question + 1), '&')) {
        const std::size_t equals = option.find('=');
        const std::string key = option.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : option.substr(equals + 1);
        if (key == "sampleformat") {
            if (!ParseSampleFormat(value, &output)) {
                return std::nullopt;
            }
        } else if (key == "local") {
            output.localToo = value == "1";
        } else if (key == "lead") {
            const auto lead = ParseInt(value);
            if (!lead || *lead < 0 || *lead > kSnapcastMaxLeadMs) {
                return std::nullopt;
            }
            output.leadMs = *lead;
        } else if (key == "control") {
            const auto control = ParseInt(value);
            if (!control || *control < 1 || *control > kMaxPort) {
                return std::nullopt;
            }
            output.controlPort = *control;
        }
        // Options of later versions are left to them.
    }
    return output;
}

std::string FormatSnapcastOutput(const SnapcastOutput& output) {
    const bool v6 = output.host.find(':') != std::string::npos;
    std::string id = std::string(kSnapcastScheme) + (v6 ? "[" + output.host + "]" : output.host) +
                     ':' + std::to_string(output.port);
    std::vector<std::string> options;
    const SnapcastOutput defaults;
    if (output.rate != defaults.rate || output.bits != defaults.bits ||
        output.channels != defaults.channels) {
        options.push_back("sampleformat=" + SampleFormatText(output));
    }
    if (output.localToo) {
        options.emplace_back("local=1");
    }
    if (output.leadMs >= 0) {
        options.push_back("lead=" + std::to_string(output.leadMs));
    }
    if (output.controlPort != defaults.controlPort) {
        options.push_back("control=" + std::to_string(output.controlPort));
    }
    for (std::size_t i = 0; i < options.size(); ++i) {
        id += (i == 0 ? '?' : '&') + options[i];
    }
    return id;
}

std::string SnapcastSinkDescription(const SnapcastOutput& output, const std::string& localSink) {
    // The server reads the source at its own pace and stamps each chunk as it arrives,
    // so the sink sends in real time (sync) and never ahead of the sound.
    std::string toServer =
        std::string("audioconvert ! audioresample ! audio/x-raw,format=") + RawFormat(output.bits) +
        ",layout=interleaved,rate=" + std::to_string(output.rate) +
        ",channels=" + std::to_string(output.channels) +
        " ! audiobuffersplit output-buffer-duration=1/200 ! tcpclientsink name=" +
        kSnapcastSinkName + " host=\"" + output.host + "\" port=" + std::to_string(output.port) +
        " sync=true";
    if (!output.localToo) {
        return toServer;
    }
    return "tee name=split split. ! queue ! " + toServer + " split. ! queue ! " + localSink;
}

std::optional<int> BufferFromStatus(const std::string& json, int port) {
    const nlohmann::json status = nlohmann::json::parse(json, nullptr, false);
    if (status.is_discarded()) {
        return std::nullopt;
    }
    const nlohmann::json* streams = nullptr;
    if (const auto result = status.find("result"); result != status.end() && result->is_object()) {
        if (const auto server = result->find("server");
            server != result->end() && server->is_object()) {
            if (const auto found = server->find("streams");
                found != server->end() && found->is_array()) {
                streams = &*found;
            }
        }
    }
    if (streams == nullptr) {
        return std::nullopt;
    }
    const std::string portSuffix = ':' + std::to_string(port);
    for (const nlohmann::json& stream : *streams) {
        const nlohmann::json uri = stream.value("uri", nlohmann::json::object());
        if (!uri.is_object()) {
            continue;
        }
        const std::string host = uri.value("host", std::string());
        const nlohmann::json query = uri.value("query", nlohmann::json::object());
        if (host.size() < portSuffix.size() ||
            host.compare(host.size() - portSuffix.size(), portSuffix.size(), portSuffix) != 0 ||
            !query.is_object()) {
            continue;
        }
        const nlohmann::json buffer = query.value("buffer", nlohmann::json());
        const auto value = buffer.is_string()           ? ParseInt(buffer.get<std::string>())
                           : buffer.is_number_integer() ? std::optional<int>(buffer.get<int>())
                                                        : std::nullopt;
        if (value && *value >= 0 && *value <= kSnapcastMaxLeadMs) {
            return value;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ResolveHostWithin(const std::string& host, int timeoutMs) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    addrinfo* found = LookUpBefore(host, 0, deadline);
    if (found == nullptr) {
        return std::nullopt;
    }
    char address[NI_MAXHOST] = {};
    const bool named = ::getnameinfo(found->ai_addr, found->ai_addrlen, address, sizeof address,
                                     nullptr, 0, NI_NUMERICHOST) == 0;
    ::freeaddrinfo(found);
    return named ? std::optional<std::string>(address) : std::nullopt;
}

std::optional<int> QuerySnapcastBufferMs(const SnapcastOutput& output, int timeoutMs) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    const int fd = ConnectWithin(output.host, output.controlPort, deadline);
    if (fd < 0) {
        return std::nullopt;
    }
    static constexpr char kRequest[] =
        "{\"id\":1,\"jsonrpc\":\"2.0\",\"method\":\"Server.GetStatus\"}\r\n";
    std::string answer;
    bool sent = ::send(fd, kRequest, sizeof kRequest - 1, MSG_NOSIGNAL) ==
                static_cast<ssize_t>(sizeof kRequest - 1);
    while (sent && answer.find('\n') == std::string::npos && answer.size() < kMaxStatusBytes) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) != 1) {
            break;
        }
        char chunk[4096];
        const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) {
            break;
        }
        answer.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    const std::size_t end = answer.find('\n');
    if (end == std::string::npos) {
        return std::nullopt;
    }
    return BufferFromStatus(answer.substr(0, end), output.port);
}

}  // namespace player
