#pragma once
// The Snapcast output: the bells streamed as raw PCM to a TCP source of a snapserver,
// which plays them on every Snapcast speaker of the campus at the same moment. The
// output is stored in the settings' output key as "snapcast://HOST:PORT", with the
// options after a '?' written as snapserver writes its own sources:
//   sampleformat=RATE:BITS:CHANNELS  the source's sample format (48000:16:2)
//   local=1                          the local output plays at the same time
//   lead=MS                          the lead time; without it, the server's
//   control=PORT                     JSON-RPC port (1705) is asked for its buffer

#include <optional>
#include <string>

namespace player {

inline constexpr const char* kSnapcastScheme = "snapcast://";
inline constexpr int kSnapcastDefaultRate = 48000;
inline constexpr int kSnapcastDefaultBits = 16;
inline constexpr int kSnapcastDefaultChannels = 2;
inline constexpr int kSnapcastDefaultControlPort = 1705;
// Snapserver's own default buffer: a chunk sounds this long after it arrives.
inline constexpr int kSnapcastDefaultLeadMs = 1000;
// A lead beyond this is not a buffer but a typing error; the arming comes 25 s ahead.
inline constexpr int kSnapcastMaxLeadMs = 10000;
// How long asking the server for its buffer may take.
inline constexpr int kSnapcastStatusTimeoutMs = 500;
// The name of the element that sends to the server, so that its errors are told apart.
inline constexpr const char* kSnapcastSinkName = "snapcast";

// What went wrong with a Snapcast output: the server could not be reached when a track
// opened, or it went away while a track played.
enum class SnapcastTrouble { None, Unreachable, Lost };

struct SnapcastOutput {
    std::string host;
    int port = 0;
    int rate = kSnapcastDefaultRate;
    int bits = kSnapcastDefaultBits;
    int channels = kSnapcastDefaultChannels;
    bool localToo = false;
    // -1: read from the server's status, else the snapserver default.
    int leadMs = -1;
    int controlPort = kSnapcastDefaultControlPort;

    bool operator==(const SnapcastOutput&) const = default;
};

// Whether the output identifier names a Snapcast server at all (well formed or not).
bool IsSnapcastOutput(const std::string& id);
// The output an identifier names; nullopt when it is not a Snapcast output or is not
// well formed (a host of other characters than letters, digits, '.', '-', ':' and '_',
// a port outside 1..65535, a sample format Snapcast cannot take).
std::optional<SnapcastOutput> ParseSnapcastOutput(const std::string& id);
// The identifier, with only the options that differ from their defaults.
std::string FormatSnapcastOutput(const SnapcastOutput& output);
// "48000:16:2".
std::string SampleFormatText(const SnapcastOutput& output);
// Reads "RATE:BITS:CHANNELS" into output; false when Snapcast cannot take it.
bool ParseSampleFormat(const std::string& text, SnapcastOutput* output);

// The GStreamer bin that converts to the source's format and sends it over TCP in real
// time; with the local output on, localSink plays the same sound beside it.
std::string SnapcastSinkDescription(const SnapcastOutput& output, const std::string& localSink);

// The buffer the server's JSON-RPC status gives for the source at output's port (its URI
// carries "buffer=MS"), or, failing that, for the server; nullopt when the server does
// not answer within timeoutMs or says nothing of a buffer.
std::optional<int> QuerySnapcastBufferMs(const SnapcastOutput& output, int timeoutMs);

// How long the server's name may take to look up before a bell gives up on the server.
inline constexpr int kSnapcastLookupTimeoutMs = 1000;
// The numeric address of host, looked up within timeoutMs; nothing when it cannot be found
// in time. A lookup given up on finishes on a thread of its own, so a resolver that does
// not answer never holds the caller longer than the bound.
std::optional<std::string> ResolveHostWithin(const std::string& host, int timeoutMs);
// The buffer from a Server.GetStatus answer, as above; nullopt when it says nothing.
std::optional<int> BufferFromStatus(const std::string& json, int port);

}  // namespace player
