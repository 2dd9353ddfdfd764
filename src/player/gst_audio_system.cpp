#include "player/gst_audio_system.h"

#include "player/audio_devices.h"
#include "player/mpeg_audio_length.h"

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

namespace player {

namespace {

// The MPEG audio decoder preferred to libav's, and libav's plug-in, loaded only on need.
constexpr const char* kLightMpegDecoder = "mpg123audiodec";
constexpr const char* kHeavyDecoderPlugin = "libav";

// playbin's flags: decode audio only, and apply the volume in software so that it
// never changes the volume of the whole sound card.
constexpr guint kPlayFlagAudio = 0x2;
constexpr guint kPlayFlagSoftVolume = 0x10;

constexpr const char* kSinkVariable = "QELT_AUDIO_SINK";
constexpr const char* kDefaultSink = "autoaudiosink";
// Measuring by preroll never opens a sound device.
constexpr const char* kMeasureSink = "fakesink";

std::uint32_t NanosecondsToMs(gint64 ns) {
    const gint64 ms = (ns + GST_MSECOND / 2) / GST_MSECOND;
    return static_cast<std::uint32_t>(std::clamp<gint64>(ms, 0, 0xFFFFFFFE));
}

// Missing, unreadable and empty files are turned away before any pipeline is built.
AudioResult CheckFile(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(path.c_str(), R_OK) != 0) {
        return AudioResult::FileNotFound;
    }
    return info.st_size == 0 ? AudioResult::FileBad : AudioResult::Ok;
}

std::uint32_t BigEndian32(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

// What kind of AIFF file path is: none, one GStreamer's own parser reads, or an AIFF-C
// with a-law or mu-law samples, which that parser refuses and libav's demuxer reads.
enum class AiffKind { None, Plain, Companded };

AiffKind AiffKindOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[12] = {};
    if (!in.read(head, sizeof head) || std::memcmp(head, "FORM", 4) != 0) {
        return AiffKind::None;
    }
    if (std::memcmp(head + 8, "AIFF", 4) == 0) {
        return AiffKind::Plain;
    }
    if (std::memcmp(head + 8, "AIFC", 4) != 0) {
        return AiffKind::None;
    }
    // The compression type follows channels (2), frames (4), sample size (2) and the
    // 10-byte rate in the COMM chunk; the chunks before it are skipped.
    constexpr int kMaxChunks = 64;
    constexpr std::streamoff kCompressionOffset = 18;
    for (int i = 0; i < kMaxChunks; ++i) {
        char chunk[8] = {};
        if (!in.read(chunk, sizeof chunk)) {
            break;
        }
        const std::uint32_t size = BigEndian32(chunk + 4);
        if (std::memcmp(chunk, "COMM", 4) == 0) {
            char type[4] = {};
            if (size >= kCompressionOffset + 4 && in.seekg(kCompressionOffset, std::ios::cur) &&
                in.read(type, sizeof type)) {
                for (const char* companded : {"ulaw", "ULAW", "alaw", "ALAW"}) {
                    if (std::memcmp(type, companded, 4) == 0) {
                        return AiffKind::Companded;
                    }
                }
            }
            break;
        }
        if (!in.seekg(static_cast<std::streamoff>(size) + (size & 1U), std::ios::cur)) {
            break;
        }
    }
    return AiffKind::Plain;
}

// Takes an element factory out of autoplugging while it lives, so that the next best
// element is chosen; everything runs on this thread, so no other pipeline sees it.
class SkippedFactory {
public:
    explicit SkippedFactory(const char* name)
        : m_feature(gst_registry_find_feature(gst_registry_get(), name, GST_TYPE_ELEMENT_FACTORY)) {
        if (m_feature != nullptr) {
            m_rank = gst_plugin_feature_get_rank(m_feature);
            gst_plugin_feature_set_rank(m_feature, GST_RANK_NONE);
        }
    }
    ~SkippedFactory() {
        if (m_feature != nullptr) {
            gst_plugin_feature_set_rank(m_feature, m_rank);
            gst_object_unref(m_feature);
        }
    }
    SkippedFactory(const SkippedFactory&) = delete;
    SkippedFactory& operator=(const SkippedFactory&) = delete;

private:
    GstPluginFeature* m_feature;
    guint m_rank = GST_RANK_NONE;
};

// Linear and never above 1.0: a stored volume above 100 does not amplify.
gdouble ClampVolume(float volume) {
    return std::clamp(static_cast<gdouble>(volume), 0.0, 1.0);
}

std::string UriOf(const std::string& path) {
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(path.c_str(), &error);
    if (uri == nullptr) {
        g_clear_error(&error);
        return {};
    }
    std::string text(uri);
    g_free(uri);
    return text;
}

}  // namespace

struct GstAudioSystem::Stream {
    std::string uri;
    StreamMode mode = StreamMode::Play;
    gdouble volume = 1.0;
    bool aiff = false;
    bool companded = false;          // AIFF-C with a-law or mu-law samples
    GstElement* pipeline = nullptr;  // Play streams only
    GstBus* bus = nullptr;
    bool lengthKnown = false;
    std::uint32_t length = 0;
    ChannelHandle channel = kNoChannel;
    bool ended = false;
    bool paused = false;
    // After a flushing seek the pipeline cannot tell its position for a moment; the
    // seek target stands in until it can.
    bool seekPending = false;
    std::uint32_t seekTarget = 0;
    std::uint32_t lastPosition = 0;

    ~Stream() { Close(); }

    // Lets the pipeline go; a measured length stays.
    void Close() {
        if (pipeline != nullptr) {
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
            pipeline = nullptr;
        }
        if (bus != nullptr) {
            gst_object_unref(bus);
            bus = nullptr;
        }
    }

    // Reads every waiting bus message, so that end of stream and errors are noticed
    // and the bus does not grow.
    void PollBus() {
        if (bus == nullptr) {
            return;
        }
        while (GstMessage* message = gst_bus_pop(bus)) {
            const GstMessageType type = GST_MESSAGE_TYPE(message);
            if (type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) {
                ended = true;
            }
            gst_message_unref(message);
        }
    }
};

struct GstAudioSystem::Discoverer {
    GstDiscoverer* discoverer = nullptr;
    ~Discoverer() {
        if (discoverer != nullptr) {
            g_object_unref(discoverer);
        }
    }
};

GstAudioSystem::GstAudioSystem() : m_strDefaultSink(kDefaultSink) {}

GstAudioSystem::~GstAudioSystem() {
    m_streams.clear();
    m_discoverer.reset();
    DropOutputDevice();
}

AudioResult GstAudioSystem::Create() {
    if (!m_bCreated) {
        GError* error = nullptr;
        if (!gst_init_check(nullptr, nullptr, &error)) {
            g_clear_error(&error);
            return AudioResult::InitFailed;
        }
        m_bCreated = true;
        PreferLightDecoders();
    }
    return AudioResult::Ok;
}

void GstAudioSystem::PreferLightDecoders() {
    // MPEG audio (MP1, MP2, MP3) is decoded by mpg123, a small library, before libav, so
    // that libav (with libavfilter and what it pulls in, some 40 MB) is loaded only for
    // formats that need it.
    if (GstPluginFeature* mpg123 = gst_registry_find_feature(gst_registry_get(), kLightMpegDecoder,
                                                             GST_TYPE_ELEMENT_FACTORY)) {
        gst_plugin_feature_set_rank(mpg123, GST_RANK_PRIMARY);
        gst_object_unref(mpg123);
    }
}

AudioResult GstAudioSystem::Init(int maxChannels) {
    if (!m_bCreated) {
        return AudioResult::NotInitialised;
    }
    GstElementFactory* playbin = gst_element_factory_find("playbin");
    if (playbin == nullptr) {
        return AudioResult::InitFailed;
    }
    gst_object_unref(playbin);
    m_nMaxChannels = std::max(1, maxChannels);
    m_bReady = true;
    if (!m_bDeferWarmUp) {
        WarmUp();
    }
    return AudioResult::Ok;
}

void GstAudioSystem::WarmUp() {
    if (!m_bReady || m_bWarmedUp) {
        return;
    }
    m_bWarmedUp = true;
    // The audio decoders and parsers are loaded now rather than by the first file of
    // their format. libav is left out: it is large, and the few formats only it decodes
    // (WMA, some AIFF) load it when their item is prepared, well before its second.
    GList* factories = gst_element_factory_list_get_elements(
        GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_PARSER |
            GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO,
        GST_RANK_MARGINAL);
    for (GList* item = factories; item != nullptr; item = item->next) {
        GstPluginFeature* feature = GST_PLUGIN_FEATURE(item->data);
        const gchar* plugin = gst_plugin_feature_get_plugin_name(feature);
        if (plugin != nullptr && std::strcmp(plugin, kHeavyDecoderPlugin) == 0) {
            continue;
        }
        if (GstPluginFeature* loaded = gst_plugin_feature_load(feature)) {
            gst_object_unref(loaded);
        }
    }
    gst_plugin_feature_list_free(factories);

    // The output elements are made once and dropped without being started, so no
    // sound device is opened here.
    const char* configured = std::getenv(kSinkVariable);
    GError* error = nullptr;
    if (GstElement* sink = gst_parse_bin_from_description(
            configured != nullptr && configured[0] != '\0' ? configured : m_strDefaultSink.c_str(),
            TRUE, &error)) {
        gst_object_unref(gst_object_ref_sink(sink));
    }
    g_clear_error(&error);

    // playbin's own chain (source, type finding, decodebin, converters, volume) is
    // loaded by prerolling a tenth of a second of silence into a fake sink.
    char name[] = "/tmp/qelt-warmup-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0) {
        return;
    }
    constexpr std::uint32_t kRate = 8000;
    constexpr std::uint32_t kDataBytes = kRate / 10 * 2;
    std::string wav = "RIFF";
    const auto put32 = [&wav](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            wav.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
    };
    const auto put16 = [&wav](std::uint16_t v) {
        wav.push_back(static_cast<char>(v & 0xFF));
        wav.push_back(static_cast<char>(v >> 8));
    };
    put32(36 + kDataBytes);
    wav += "WAVEfmt ";
    put32(16);
    put16(1);  // PCM
    put16(1);  // mono
    put32(kRate);
    put32(kRate * 2);
    put16(2);
    put16(16);
    wav += "data";
    put32(kDataBytes);
    wav.append(kDataBytes, '\0');
    const bool written = ::write(fd, wav.data(), wav.size()) == static_cast<ssize_t>(wav.size());
    ::close(fd);
    if (written) {
        Stream stream;
        stream.uri = UriOf(name);
        if (!stream.uri.empty()) {
            Preroll(stream, kMeasureSink);
        }
    }
    ::unlink(name);
}

AudioResult GstAudioSystem::Discover(const std::string& uri, std::uint32_t* length) {
    if (!m_discoverer) {
        GError* error = nullptr;
        GstDiscoverer* discoverer =
            gst_discoverer_new(static_cast<GstClockTime>(kDiscoverTimeoutMs) * GST_MSECOND, &error);
        if (discoverer == nullptr) {
            g_clear_error(&error);
            return AudioResult::InitFailed;
        }
        m_discoverer = std::make_unique<Discoverer>();
        m_discoverer->discoverer = discoverer;
    }
    GError* error = nullptr;
    GstDiscovererInfo* info =
        gst_discoverer_discover_uri(m_discoverer->discoverer, uri.c_str(), &error);
    g_clear_error(&error);
    if (info == nullptr) {
        return AudioResult::FileBad;
    }
    AudioResult result = AudioResult::FileBad;
    const GstDiscovererResult outcome = gst_discoverer_info_get_result(info);
    if (outcome == GST_DISCOVERER_TIMEOUT) {
        // A stalled discoverer is not trusted with the next file.
        result = AudioResult::Timeout;
        m_discoverer.reset();
    } else if (outcome == GST_DISCOVERER_OK) {
        GList* audio = gst_discoverer_info_get_audio_streams(info);
        if (audio != nullptr) {
            const GstClockTime duration = gst_discoverer_info_get_duration(info);
            if (GST_CLOCK_TIME_IS_VALID(duration) && duration > 0) {
                *length = NanosecondsToMs(static_cast<gint64>(duration));
                result = AudioResult::Ok;
            } else {
                result = AudioResult::Unsupported;
            }
            gst_discoverer_stream_info_list_free(audio);
        }
    }
    gst_discoverer_info_unref(info);
    return result;
}

AudioResult GstAudioSystem::Preroll(Stream& stream, const char* sinkDescription) {
    GError* error = nullptr;
    GstElement* sink = gst_parse_bin_from_description(sinkDescription, TRUE, &error);
    g_clear_error(&error);
    if (sink == nullptr) {
        // A wrong sink description must not fall back to a real sound device.
        return AudioResult::InitFailed;
    }
    return Preroll(stream, GST_ELEMENT(gst_object_ref_sink(sink)));
}

AudioResult GstAudioSystem::Preroll(Stream& stream, GstElement* sink) {
    // An AIFF parser pushes its first buffer before playbin's decoder has linked its
    // output when another format was decoded earlier in the process, and the pipeline
    // then never prerolls; playbin3 links in time.
    GstElement* pipeline = gst_element_factory_make(stream.aiff ? "playbin3" : "playbin", nullptr);
    if (pipeline == nullptr) {
        gst_object_unref(sink);
        return AudioResult::InitFailed;
    }
    stream.pipeline = pipeline;
    stream.bus = gst_element_get_bus(pipeline);

    // The volume is in place before preroll: the first buffer passes the volume element
    // while the pipeline prerolls, long before PLAYING.
    g_object_set(pipeline, "uri", stream.uri.c_str(), "flags", kPlayFlagAudio | kPlayFlagSoftVolume,
                 "audio-sink", sink, "volume", stream.volume, nullptr);
    gst_object_unref(sink);

    // The pipeline is built while prerolling, so the parser that refuses companded
    // AIFF-C is set aside for that time only.
    std::optional<SkippedFactory> skipped;
    if (stream.companded) {
        skipped.emplace("aiffparse");
    }
    // Preroll: the first buffer reaches the sink and the stream's length is known.
    if (gst_element_set_state(pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        return AudioResult::FileBad;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kPrerollTimeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return AudioResult::Timeout;
        }
        GstMessage* message = gst_bus_timed_pop_filtered(
            stream.bus, static_cast<GstClockTime>(left.count()),
            static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR |
                                        GST_MESSAGE_EOS));
        if (message == nullptr) {
            return AudioResult::Timeout;
        }
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        gst_message_unref(message);
        if (type != GST_MESSAGE_ASYNC_DONE) {
            return AudioResult::FileBad;
        }
        break;
    }

    gint64 duration = 0;
    if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration) && duration > 0) {
        stream.lengthKnown = true;
        stream.length = NanosecondsToMs(duration);
    }
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::PrerollForPlay(Stream& stream) {
    const char* configured = std::getenv(kSinkVariable);
    if (configured != nullptr && configured[0] != '\0') {
        return Preroll(stream, configured);
    }
    if (m_strOutputDevice.empty()) {
        return Preroll(stream, m_strDefaultSink.c_str());
    }
    if (PrerollOnOutputDevice(stream)) {
        m_bFallbackTold = false;
        return AudioResult::Ok;
    }
    // Gone, or it would not start: the bell rings through the default output instead.
    const AudioResult result = Preroll(stream, m_strDefaultSink.c_str());
    if (result == AudioResult::Ok && !m_bFallbackTold) {
        m_bFallbackPending = true;
        m_bFallbackTold = true;
    }
    return result;
}

bool GstAudioSystem::PrerollOnOutputDevice(Stream& stream) {
    const auto tryDevice = [this, &stream] {
        if (GstElement* sink = gst_device_create_element(m_pOutputDevice, nullptr)) {
            if (Preroll(stream, GST_ELEMENT(gst_object_ref_sink(sink))) == AudioResult::Ok) {
                return true;
            }
        }
        stream.Close();
        DropOutputDevice();
        return false;
    };
    // The device found for an earlier track is tried first; one that will not start is
    // looked up anew, as it may be gone or back under a new device object.
    if (m_pOutputDevice != nullptr && tryDevice()) {
        return true;
    }
    m_pOutputDevice = FindAudioOutput(m_strOutputDevice);
    return m_pOutputDevice != nullptr && tryDevice();
}

void GstAudioSystem::DropOutputDevice() {
    if (m_pOutputDevice != nullptr) {
        gst_object_unref(m_pOutputDevice);
        m_pOutputDevice = nullptr;
    }
}

void GstAudioSystem::SetOutputDevice(const std::string& id) {
    if (id != m_strOutputDevice) {
        DropOutputDevice();
        m_strOutputDevice = id;
        m_bFallbackPending = false;
        m_bFallbackTold = false;
    }
}

bool GstAudioSystem::TakeFallbackNotice() {
    return std::exchange(m_bFallbackPending, false);
}

void GstAudioSystem::SetDefaultSink(std::string description) {
    m_strDefaultSink = std::move(description);
}

AudioResult GstAudioSystem::CreateStream(const std::string& path, StreamMode mode, float volume,
                                         SoundHandle* sound) {
    if (!m_bReady) {
        return AudioResult::NotInitialised;
    }
    if (const AudioResult checked = CheckFile(path); checked != AudioResult::Ok) {
        return checked;
    }
    auto stream = std::make_unique<Stream>();
    stream->uri = UriOf(path);
    stream->mode = mode;
    stream->volume = ClampVolume(volume);
    const AiffKind aiff = AiffKindOf(path);
    stream->aiff = aiff != AiffKind::None;
    stream->companded = aiff == AiffKind::Companded;
    if (stream->uri.empty()) {
        return AudioResult::FileNotFound;
    }

    if (mode == StreamMode::LengthOnly) {
        // The discoverer is the fast way to measure; AIFF files are prerolled instead,
        // because the discoverer stalls on them in the same way as playbin (below).
        AudioResult measured = AudioResult::Timeout;
        if (const auto known = m_lengths.Find(path)) {
            stream->lengthKnown = true;
            stream->length = *known;
            measured = AudioResult::Ok;
        } else if (const auto counted = MpegAudioLength(path)) {
            // MPEG audio is measured from its frame headers, in well under a millisecond;
            // the discoverer waits for the decoder's figure (and only estimates VBR).
            stream->lengthKnown = true;
            stream->length = *counted;
            measured = AudioResult::Ok;
        } else if (!stream->aiff) {
            std::uint32_t length = 0;
            measured = Discover(stream->uri, &length);
            if (measured == AudioResult::Ok) {
                stream->lengthKnown = true;
                stream->length = length;
            }
        }
        if (measured == AudioResult::Timeout) {
            measured = Preroll(*stream, kMeasureSink);
            stream->Close();
        }
        if (measured != AudioResult::Ok && measured != AudioResult::Unsupported) {
            return measured;
        }
    } else {
        const AudioResult prerolled = PrerollForPlay(*stream);
        if (prerolled != AudioResult::Ok) {
            return prerolled;
        }
        if (const auto known = m_lengths.Find(path)) {
            stream->lengthKnown = true;
            stream->length = *known;
        } else if (const auto counted = MpegAudioLength(path)) {
            // The same figure as a probe gives; for a VBR MP3 without a length header the
            // decoder's would be an estimate from the first frames.
            stream->lengthKnown = true;
            stream->length = *counted;
        } else if (!stream->lengthKnown) {
            // Some streams (MP2, VBR MP3 without a Xing header) tell no duration after
            // preroll; the discoverer measures them.
            std::uint32_t length = 0;
            if (Discover(stream->uri, &length) == AudioResult::Ok) {
                stream->lengthKnown = true;
                stream->length = length;
            }
        }
    }

    if (stream->lengthKnown) {
        m_lengths.Store(path, stream->length);
    }
    const SoundHandle handle = m_nextHandle++;
    m_streams.emplace(handle, std::move(stream));
    *sound = handle;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::GetLength(SoundHandle sound, TimeUnit unit, std::uint32_t* length) {
    const auto found = m_streams.find(sound);
    if (found == m_streams.end()) {
        return AudioResult::InvalidHandle;
    }
    if (unit != TimeUnit::Ms || !found->second->lengthKnown) {
        return AudioResult::Unsupported;
    }
    *length = found->second->length;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::Release(SoundHandle sound) {
    return m_streams.erase(sound) != 0 ? AudioResult::Ok : AudioResult::InvalidHandle;
}

GstAudioSystem::Stream* GstAudioSystem::FindChannel(ChannelHandle channel) {
    if (channel == kNoChannel) {
        return nullptr;
    }
    for (auto& [handle, stream] : m_streams) {
        if (stream->channel == channel) {
            return stream.get();
        }
    }
    return nullptr;
}

AudioResult GstAudioSystem::PlaySound(SoundHandle sound, bool paused, ChannelHandle* channel) {
    const auto found = m_streams.find(sound);
    if (found == m_streams.end()) {
        return AudioResult::InvalidHandle;
    }
    Stream& stream = *found->second;
    if (stream.pipeline == nullptr) {
        return AudioResult::Unsupported;
    }
    if (stream.channel != kNoChannel || stream.ended) {
        return AudioResult::ChannelBusy;
    }
    const auto playing = std::count_if(m_streams.begin(), m_streams.end(), [](const auto& s) {
        return s.second->channel != kNoChannel;
    });
    if (playing >= m_nMaxChannels) {
        return AudioResult::ChannelBusy;
    }
    if (!paused &&
        gst_element_set_state(stream.pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        return AudioResult::FileBad;
    }
    stream.paused = paused;
    stream.channel = m_nextHandle++;
    *channel = stream.channel;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::SetVolume(ChannelHandle channel, float volume) {
    Stream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    stream->volume = ClampVolume(volume);
    g_object_set(stream->pipeline, "volume", stream->volume, nullptr);
    return AudioResult::Ok;
}

double GstAudioSystem::AppliedVolume(ChannelHandle channel) {
    Stream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return -1.0;
    }
    gdouble volume = 0.0;
    g_object_get(stream->pipeline, "volume", &volume, nullptr);
    return volume;
}

AudioResult GstAudioSystem::SetPaused(ChannelHandle channel, bool paused) {
    Stream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    if (stream->paused != paused && !stream->ended) {
        if (gst_element_set_state(stream->pipeline,
                                  paused ? GST_STATE_PAUSED : GST_STATE_PLAYING) ==
            GST_STATE_CHANGE_FAILURE) {
            return AudioResult::FileBad;
        }
    }
    stream->paused = paused;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::GetPaused(ChannelHandle channel, bool* paused) {
    Stream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    *paused = stream->paused;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::GetPosition(ChannelHandle channel, TimeUnit unit,
                                        std::uint32_t* position) {
    Stream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    if (unit != TimeUnit::Ms) {
        return AudioResult::Unsupported;
    }
    stream->PollBus();
    gint64 now = 0;
    if (gst_element_query_position(stream->pipeline, GST_FORMAT_TIME, &now) && now >= 0) {
        stream->seekPending = false;
        stream->lastPosition = NanosecondsToMs(now);
    } else if (stream->seekPending) {
        stream->lastPosition = stream->seekTarget;
    }
    *position = stream->lastPosition;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::SetPosition(ChannelHandle channel, std::uint32_t position,
                                        TimeUnit unit) {
    Stream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    if (unit != TimeUnit::Ms) {
        return AudioResult::Unsupported;
    }
    if (stream->ended || (stream->lengthKnown && position > stream->length)) {
        return AudioResult::InvalidPosition;
    }
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (!gst_element_seek_simple(stream->pipeline, GST_FORMAT_TIME, flags,
                                 static_cast<gint64>(position) * GST_MSECOND)) {
        return AudioResult::InvalidPosition;
    }
    stream->seekPending = true;
    stream->seekTarget = position;
    stream->lastPosition = position;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::IsPlaying(ChannelHandle channel, bool* playing) {
    *playing = false;
    Stream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    stream->PollBus();
    *playing = !stream->ended;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::Stop(ChannelHandle channel) {
    Stream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    gst_element_set_state(stream->pipeline, GST_STATE_NULL);
    stream->channel = kNoChannel;
    stream->ended = true;
    return AudioResult::Ok;
}

}  // namespace player
