#include "player/gst_audio_system.h"

#include "player/audio_devices.h"
#include "player/mpeg_audio_length.h"
#include "player/snapcast_sink.h"
#include "player/wav_writer.h"

#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace player {

namespace {

// The MPEG audio decoder preferred to libav's, and libav's plug-in, loaded only on need.
constexpr const char* kLightMpegDecoder = "mpg123audiodec";
constexpr const char* kHeavyDecoderPlugin = "libav";

constexpr const char* kSinkVariable = "QELT_AUDIO_SINK";
constexpr const char* kDefaultSink = "autoaudiosink";
// Measuring by preroll never opens a sound device.
constexpr const char* kMeasureSink = "fakesink";
// Where a track goes when its Snapcast server cannot be reached and nothing plays
// locally: nowhere, but in real time, so the item ends when it would have.
constexpr const char* kNowhereSink = "fakesink sync=true";

// The silence prerolled to load the playing chain: a tenth of a second at 8 kHz.
constexpr std::uint32_t kWarmUpRate = 8000;
constexpr std::size_t kWarmUpSamples = kWarmUpRate / 10;

// The elements each kind of file is played with (beyond the playing chain); libav, for
// the kinds that need it, is loaded whole.
struct KindElements {
    AudioKind kind;
    std::initializer_list<const char*> factories;
};
const KindElements kKindElements[] = {
    {AudioKind::Wav, {"wavparse"}},
    {AudioKind::Mpeg, {"id3demux", "apedemux", "mpegaudioparse", kLightMpegDecoder}},
    {AudioKind::Ogg, {"oggdemux", "vorbisdec", "vorbisparse", "opusdec", "opusparse", "flacdec"}},
    {AudioKind::Flac, {"flacparse", "flacdec", "id3demux"}},
    {AudioKind::Aiff, {"aiffparse"}},
    {AudioKind::AiffCompanded, {}},
    {AudioKind::Asf, {"asfdemux"}},
    {AudioKind::Midi, {"midiparse", "fluiddec"}},
    {AudioKind::Module, {"openmptdec", "modplug"}},
};

void LoadFactory(const char* name) {
    if (GstPluginFeature* feature =
            gst_registry_find_feature(gst_registry_get(), name, GST_TYPE_ELEMENT_FACTORY)) {
        if (GstPluginFeature* loaded = gst_plugin_feature_load(feature)) {
            gst_object_unref(loaded);
        }
        gst_object_unref(feature);
    }
}

// Every audio decoder and parser but libav's, for files whose kind is not known.
void LoadEveryLightDecoder() {
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
}

std::uint32_t NanosecondsToMs(GstClockTime ns) {
    const GstClockTime ms = (ns + GST_MSECOND / 2) / GST_MSECOND;
    return static_cast<std::uint32_t>(std::min<GstClockTime>(ms, 0xFFFFFFFE));
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

// Linear and never above 1.0: a stored volume above 100 does not amplify.
double ClampVolume(float volume) {
    return std::clamp(static_cast<double>(volume), 0.0, 1.0);
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

bool IsAiff(AudioKind kind) {
    return kind == AudioKind::Aiff || kind == AudioKind::AiffCompanded;
}

}  // namespace

// A handle's sound: its length, and for a sound to be played its stream and channel.
struct GstAudioSystem::Sound {
    std::optional<std::uint32_t> length;
    std::unique_ptr<GstStream> stream;  // Play sounds only
    ChannelHandle channel = kNoChannel;
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
    m_sounds.clear();
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

std::string GstAudioSystem::ConfiguredSink() {
    const char* configured = std::getenv(kSinkVariable);
    return configured != nullptr ? configured : "";
}

void GstAudioSystem::WarmUp() {
    if (!m_bReady || m_bWarmedUp) {
        return;
    }
    m_bWarmedUp = true;
    // The output elements are made once and dropped without being started, so no
    // sound device is opened here.
    const std::string configured = ConfiguredSink();
    GError* error = nullptr;
    if (GstElement* sink = gst_parse_bin_from_description(
            configured.empty() ? m_strDefaultSink.c_str() : configured.c_str(), TRUE, &error)) {
        gst_object_unref(gst_object_ref_sink(sink));
    }
    g_clear_error(&error);

    // playbin's own chain (source, type finding, decodebin, converters, volume) is
    // loaded by prerolling a tenth of a second of silence into a fake sink.
    char name[] = "/tmp/qelt-warmup-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0) {
        const std::string wav = WavBytes(std::vector<std::int16_t>(kWarmUpSamples), kWarmUpRate);
        const bool written =
            ::write(fd, wav.data(), wav.size()) == static_cast<ssize_t>(wav.size());
        ::close(fd);
        if (written) {
            GstStream silence(UriOf(name), AudioKind::Wav, 1.0);
            silence.Preroll(kMeasureSink, kPrerollTimeoutMs);
        }
        ::unlink(name);
    }
    m_LoadedKinds.insert(AudioKind::Wav);
    LoadDecoders(m_WantedKinds);
}

void GstAudioSystem::WarmUpFor(const AudioKinds& kinds) {
    m_WantedKinds.insert(kinds.begin(), kinds.end());
    // Before the playing chain is warm (the program's window is still to be painted),
    // the kinds wait for it.
    if (m_bWarmedUp) {
        LoadDecoders(kinds);
    }
}

void GstAudioSystem::LoadDecoders(const AudioKinds& kinds) {
    for (const AudioKind kind : kinds) {
        if (!m_LoadedKinds.insert(kind).second) {
            continue;
        }
        if (kind == AudioKind::Unknown) {
            LoadEveryLightDecoder();
            continue;
        }
        if (NeedsLibav(kind)) {
            if (GstPlugin* libav = gst_plugin_load_by_name(kHeavyDecoderPlugin)) {
                gst_object_unref(libav);
            }
        }
        for (const KindElements& elements : kKindElements) {
            if (elements.kind == kind) {
                for (const char* factory : elements.factories) {
                    LoadFactory(factory);
                }
            }
        }
    }
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
                *length = NanosecondsToMs(duration);
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

AudioResult GstAudioSystem::MeasureLength(const std::string& path, const std::string& uri,
                                          AudioKind kind, const GstStream* prerolled,
                                          std::optional<std::uint32_t>* length) {
    if (const auto known = m_lengths.Find(path)) {
        *length = known;
        return AudioResult::Ok;
    }
    // MPEG audio is measured from its frame headers, in well under a millisecond; a
    // decoder would only estimate a VBR file without a length header from its first frames.
    if (const auto counted = MpegAudioLength(path)) {
        *length = counted;
        return AudioResult::Ok;
    }
    if (prerolled != nullptr && prerolled->Duration()) {
        *length = prerolled->Duration();
        return AudioResult::Ok;
    }
    // Some streams (MP2, VBR MP3 without a Xing header) tell no duration after preroll;
    // the discoverer measures them. It stalls on AIFF files as playbin does, so an AIFF
    // that is only measured is prerolled instead.
    AudioResult measured = AudioResult::Timeout;
    if (prerolled != nullptr || !IsAiff(kind)) {
        std::uint32_t discovered = 0;
        measured = Discover(uri, &discovered);
        if (measured == AudioResult::Ok) {
            *length = discovered;
        }
    }
    if (measured == AudioResult::Timeout && prerolled == nullptr) {
        GstStream probe(uri, kind, 1.0);
        measured = probe.Preroll(kMeasureSink, kPrerollTimeoutMs);
        *length = probe.Duration();
    }
    return measured;
}

AudioResult GstAudioSystem::PrerollForPlay(GstStream& stream) {
    if (m_Snapcast) {
        return PrerollOnSnapcast(stream, *m_Snapcast);
    }
    if (const std::string configured = ConfiguredSink(); !configured.empty()) {
        return stream.Preroll(configured, kPrerollTimeoutMs);
    }
    if (m_strOutputDevice.empty()) {
        return stream.Preroll(m_strDefaultSink, kPrerollTimeoutMs);
    }
    if (PrerollOnOutputDevice(stream)) {
        m_bFallbackTold = false;
        return AudioResult::Ok;
    }
    // Gone, or it would not start: the bell rings through the default output instead.
    const AudioResult result = stream.Preroll(m_strDefaultSink, kPrerollTimeoutMs);
    if (result == AudioResult::Ok && !m_bFallbackTold) {
        m_bFallbackPending = true;
        m_bFallbackTold = true;
    }
    return result;
}

AudioResult GstAudioSystem::PrerollOnSnapcast(GstStream& stream, const SnapcastOutput& output) {
    // The local part is what the default output would be; tests keep it off real devices.
    // The local output sounds as late as the server's speakers do, so the office hears
    // each bell on its second too.
    const std::string configured = ConfiguredSink();
    const std::string local = configured.empty() ? m_strDefaultSink : configured;
    const int delayMs = m_nLastLeadMs.value_or(kSnapcastDefaultLeadMs);
    // The server's name is looked up here within a bound, and the sink given its address:
    // the sink's own lookup would wait as long as a resolver that does not answer.
    if (const std::optional<std::string> address =
            ResolveHostWithin(output.host, kSnapcastLookupTimeoutMs)) {
        SnapcastOutput resolved = output;
        resolved.host = *address;
        GstElement* sink = BuildSnapcastSink(resolved, local, delayMs);
        if (sink == nullptr) {
            return AudioResult::InitFailed;
        }
        const AudioResult result = stream.Preroll(sink, kPrerollTimeoutMs);
        if (result == AudioResult::Ok) {
            m_bSnapcastTold = false;
            return result;
        }
        // The file itself may be at fault: then it fails again below, as it would anywhere.
        stream.Close();
    }
    GstElement* fallbackSink =
        BuildDelayedSink(output.localToo ? local : std::string(kNowhereSink), delayMs);
    if (fallbackSink == nullptr) {
        return AudioResult::InitFailed;
    }
    const AudioResult fallback = stream.Preroll(fallbackSink, kPrerollTimeoutMs);
    if (fallback == AudioResult::Ok) {
        NoteSnapcastTrouble(SnapcastTrouble::Unreachable);
    }
    return fallback;
}

void GstAudioSystem::NoteSnapcastTrouble(SnapcastTrouble trouble) {
    if (!m_bSnapcastTold) {
        m_SnapcastPending = trouble;
        m_bSnapcastTold = true;
    }
}

void GstAudioSystem::CheckSnapcastLoss(const GstStream& stream) {
    if (m_Snapcast && stream.ErrorSource() == kSnapcastSinkName) {
        NoteSnapcastTrouble(SnapcastTrouble::Lost);
    }
}

SnapcastTrouble GstAudioSystem::TakeSnapcastNotice() {
    return std::exchange(m_SnapcastPending, SnapcastTrouble::None);
}

int GstAudioSystem::StartLeadMs() {
    if (!m_Snapcast) {
        return 0;
    }
    if (m_Snapcast->leadMs >= 0) {
        m_nLastLeadMs = m_Snapcast->leadMs;
        return m_Snapcast->leadMs;
    }
    if (const auto buffer = QuerySnapcastBufferMs(*m_Snapcast, kSnapcastStatusTimeoutMs)) {
        m_nServerBufferMs = buffer;
    }
    m_nLastLeadMs = m_nServerBufferMs.value_or(kSnapcastDefaultLeadMs);
    return *m_nLastLeadMs;
}

bool GstAudioSystem::PrerollOnOutputDevice(GstStream& stream) {
    const auto tryDevice = [this, &stream] {
        if (GstElement* sink = gst_device_create_element(m_pOutputDevice, nullptr)) {
            if (stream.Preroll(GST_ELEMENT(gst_object_ref_sink(sink)), kPrerollTimeoutMs) ==
                AudioResult::Ok) {
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
        // A Snapcast identifier that is not well formed counts as a local output that
        // is not there: the default output plays, and the owner is told.
        m_Snapcast = ParseSnapcastOutput(id);
        m_SnapcastPending = SnapcastTrouble::None;
        m_bSnapcastTold = false;
        m_nServerBufferMs.reset();
        m_nLastLeadMs = m_Snapcast && m_Snapcast->leadMs >= 0
                            ? std::optional<int>(m_Snapcast->leadMs)
                            : std::nullopt;
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
    // A text file plays as the speech made of it, made ahead of now or here; an empty
    // one is turned away by the speech, which keeps the reason.
    const bool speech = m_pSpeech != nullptr && IsSpeechFile(path);
    if (const AudioResult checked = CheckFile(path);
        checked == AudioResult::FileNotFound || (checked != AudioResult::Ok && !speech)) {
        return checked;
    }
    std::string file = path;
    if (speech) {
        const std::optional<std::string> wav = m_pSpeech->WavFor(path);
        if (!wav) {
            return AudioResult::FileBad;
        }
        file = *wav;
    }
    const std::string uri = UriOf(file);
    if (uri.empty()) {
        return AudioResult::FileNotFound;
    }
    const AudioKind kind = AudioKindOfFile(file).value_or(AudioKind::Unknown);
    auto entry = std::make_unique<Sound>();
    if (mode == StreamMode::LengthOnly) {
        const AudioResult measured = MeasureLength(file, uri, kind, nullptr, &entry->length);
        if (measured != AudioResult::Ok && measured != AudioResult::Unsupported) {
            return measured;
        }
    } else {
        entry->stream = std::make_unique<GstStream>(uri, kind, ClampVolume(volume));
        if (const AudioResult prerolled = PrerollForPlay(*entry->stream);
            prerolled != AudioResult::Ok) {
            return prerolled;
        }
        // A stream that plays needs no length to play; one that cannot be measured
        // plays without.
        MeasureLength(file, uri, kind, entry->stream.get(), &entry->length);
    }
    if (entry->length) {
        m_lengths.Store(file, *entry->length);
    }
    const SoundHandle handle = m_nextHandle++;
    m_sounds.emplace(handle, std::move(entry));
    *sound = handle;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::GetLength(SoundHandle sound, TimeUnit unit, std::uint32_t* length) {
    const auto found = m_sounds.find(sound);
    if (found == m_sounds.end()) {
        return AudioResult::InvalidHandle;
    }
    if (unit != TimeUnit::Ms || !found->second->length) {
        return AudioResult::Unsupported;
    }
    *length = *found->second->length;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::Release(SoundHandle sound) {
    return m_sounds.erase(sound) != 0 ? AudioResult::Ok : AudioResult::InvalidHandle;
}

GstStream* GstAudioSystem::FindChannel(ChannelHandle channel) {
    if (channel == kNoChannel) {
        return nullptr;
    }
    for (auto& [handle, entry] : m_sounds) {
        if (entry->channel == channel) {
            return entry->stream.get();
        }
    }
    return nullptr;
}

AudioResult GstAudioSystem::PlaySound(SoundHandle sound, bool paused, ChannelHandle* channel) {
    const auto found = m_sounds.find(sound);
    if (found == m_sounds.end()) {
        return AudioResult::InvalidHandle;
    }
    Sound& entry = *found->second;
    if (!entry.stream || !entry.stream->IsOpen()) {
        return AudioResult::Unsupported;
    }
    if (entry.channel != kNoChannel || entry.stream->HasEnded()) {
        return AudioResult::ChannelBusy;
    }
    const auto playing = std::count_if(m_sounds.begin(), m_sounds.end(), [](const auto& s) {
        return s.second->channel != kNoChannel;
    });
    if (playing >= m_nMaxChannels) {
        return AudioResult::ChannelBusy;
    }
    if (!entry.stream->SetPaused(paused)) {
        return AudioResult::FileBad;
    }
    entry.channel = m_nextHandle++;
    *channel = entry.channel;
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::SetVolume(ChannelHandle channel, float volume) {
    GstStream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    stream->SetVolume(ClampVolume(volume));
    return AudioResult::Ok;
}

double GstAudioSystem::AppliedVolume(ChannelHandle channel) {
    GstStream* stream = FindChannel(channel);
    return stream != nullptr ? stream->AppliedVolume() : -1.0;
}

AudioResult GstAudioSystem::SetPaused(ChannelHandle channel, bool paused) {
    GstStream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    return stream->SetPaused(paused) ? AudioResult::Ok : AudioResult::FileBad;
}

AudioResult GstAudioSystem::GetPaused(ChannelHandle channel, bool* paused) {
    GstStream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    *paused = stream->IsPaused();
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::GetPosition(ChannelHandle channel, TimeUnit unit,
                                        std::uint32_t* position) {
    GstStream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    if (unit != TimeUnit::Ms) {
        return AudioResult::Unsupported;
    }
    *position = stream->Position();
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::SetPosition(ChannelHandle channel, std::uint32_t position,
                                        TimeUnit unit) {
    if (channel == kNoChannel) {
        return AudioResult::InvalidHandle;
    }
    const auto found = std::find_if(m_sounds.begin(), m_sounds.end(), [channel](const auto& s) {
        return s.second->channel == channel;
    });
    if (found == m_sounds.end()) {
        return AudioResult::InvalidHandle;
    }
    if (unit != TimeUnit::Ms) {
        return AudioResult::Unsupported;
    }
    const Sound& entry = *found->second;
    if (entry.stream->HasEnded() || (entry.length && position > *entry.length)) {
        return AudioResult::InvalidPosition;
    }
    return entry.stream->Seek(position) ? AudioResult::Ok : AudioResult::InvalidPosition;
}

AudioResult GstAudioSystem::IsPlaying(ChannelHandle channel, bool* playing) {
    *playing = false;
    GstStream* stream = FindChannel(channel);
    if (stream == nullptr) {
        return AudioResult::InvalidHandle;
    }
    *playing = !stream->HasEnded();
    if (!*playing && m_Snapcast) {
        CheckSnapcastLoss(*stream);
        // A server takes one sender at a time: an ended track lets its connection go at
        // once rather than when it is released.
        stream->Stop();
    }
    return AudioResult::Ok;
}

AudioResult GstAudioSystem::Stop(ChannelHandle channel) {
    for (auto& [handle, entry] : m_sounds) {
        if (channel != kNoChannel && entry->channel == channel) {
            entry->stream->Stop();
            entry->channel = kNoChannel;
            return AudioResult::Ok;
        }
    }
    return AudioResult::InvalidHandle;
}

}  // namespace player
