#include "player/gst_stream.h"

#include <gst/gst.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace player {

namespace {

// playbin's flags: decode audio only, and apply the volume in software so that it
// never changes the volume of the whole sound card.
constexpr guint kPlayFlagAudio = 0x2;
constexpr guint kPlayFlagSoftVolume = 0x10;

std::uint32_t NanosecondsToMs(gint64 ns) {
    const gint64 ms = (ns + GST_MSECOND / 2) / GST_MSECOND;
    return static_cast<std::uint32_t>(std::clamp<gint64>(ms, 0, 0xFFFFFFFE));
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

}  // namespace

GstStream::GstStream(std::string uri, AudioKind kind, double volume)
    : m_strUri(std::move(uri)), m_Kind(kind), m_dVolume(volume) {}

GstStream::~GstStream() {
    Close();
}

void GstStream::Close() {
    if (m_pPipeline != nullptr) {
        gst_element_set_state(m_pPipeline, GST_STATE_NULL);
        gst_object_unref(m_pPipeline);
        m_pPipeline = nullptr;
    }
    if (m_pBus != nullptr) {
        gst_object_unref(m_pBus);
        m_pBus = nullptr;
    }
}

AudioResult GstStream::Preroll(const std::string& sinkDescription, int timeoutMs) {
    GError* error = nullptr;
    GstElement* sink = gst_parse_bin_from_description(sinkDescription.c_str(), TRUE, &error);
    g_clear_error(&error);
    if (sink == nullptr) {
        return AudioResult::InitFailed;
    }
    return Preroll(GST_ELEMENT(gst_object_ref_sink(sink)), timeoutMs);
}

AudioResult GstStream::Preroll(GstElement* sink, int timeoutMs) {
    Close();
    const bool aiff = m_Kind == AudioKind::Aiff || m_Kind == AudioKind::AiffCompanded;
    // An AIFF parser pushes its first buffer before playbin's decoder has linked its
    // output when another format was decoded earlier in the process, and the pipeline
    // then never prerolls; playbin3 links in time.
    GstElement* pipeline = gst_element_factory_make(aiff ? "playbin3" : "playbin", nullptr);
    if (pipeline == nullptr) {
        gst_object_unref(sink);
        return AudioResult::InitFailed;
    }
    m_pPipeline = pipeline;
    m_pBus = gst_element_get_bus(pipeline);

    // The volume is in place before preroll: the first buffer passes the volume element
    // while the pipeline prerolls, long before PLAYING.
    g_object_set(pipeline, "uri", m_strUri.c_str(), "flags", kPlayFlagAudio | kPlayFlagSoftVolume,
                 "audio-sink", sink, "volume", m_dVolume, nullptr);
    gst_object_unref(sink);

    // The pipeline is built while prerolling, so the parser that refuses companded
    // AIFF-C is set aside for that time only (libav's demuxer reads such files).
    std::optional<SkippedFactory> skipped;
    if (m_Kind == AudioKind::AiffCompanded) {
        skipped.emplace("aiffparse");
    }
    if (gst_element_set_state(pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        return AudioResult::FileBad;
    }
    // Preroll: the first buffer reaches the sink and the stream's length is known.
    GstMessage* message = gst_bus_timed_pop_filtered(
        m_pBus, static_cast<GstClockTime>(std::max(timeoutMs, 0)) * GST_MSECOND,
        static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
    if (message == nullptr) {
        return AudioResult::Timeout;
    }
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    gst_message_unref(message);
    if (type != GST_MESSAGE_ASYNC_DONE) {
        return AudioResult::FileBad;
    }

    gint64 duration = 0;
    if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration) && duration > 0) {
        m_nDuration = NanosecondsToMs(duration);
    }
    return AudioResult::Ok;
}

bool GstStream::SetPaused(bool paused) {
    if (m_pPipeline == nullptr) {
        return false;
    }
    if (paused != m_bPaused && !m_bEnded &&
        gst_element_set_state(m_pPipeline, paused ? GST_STATE_PAUSED : GST_STATE_PLAYING) ==
            GST_STATE_CHANGE_FAILURE) {
        return false;
    }
    m_bPaused = paused;
    return true;
}

void GstStream::Stop() {
    if (m_pPipeline != nullptr) {
        gst_element_set_state(m_pPipeline, GST_STATE_NULL);
    }
    m_bEnded = true;
}

bool GstStream::HasEnded() {
    PollBus();
    return m_bEnded;
}

void GstStream::PollBus() {
    if (m_pBus == nullptr) {
        return;
    }
    while (GstMessage* message = gst_bus_pop(m_pBus)) {
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) {
            m_bEnded = true;
        }
        if (type == GST_MESSAGE_ERROR && m_strErrorSource.empty() &&
            GST_MESSAGE_SRC(message) != nullptr && GST_MESSAGE_SRC_NAME(message) != nullptr) {
            m_strErrorSource = GST_MESSAGE_SRC_NAME(message);
        }
        gst_message_unref(message);
    }
}

void GstStream::SetVolume(double volume) {
    m_dVolume = volume;
    if (m_pPipeline != nullptr) {
        g_object_set(m_pPipeline, "volume", static_cast<gdouble>(volume), nullptr);
    }
}

double GstStream::AppliedVolume() const {
    gdouble volume = 0.0;
    if (m_pPipeline != nullptr) {
        g_object_get(m_pPipeline, "volume", &volume, nullptr);
    }
    return volume;
}

std::uint32_t GstStream::Position() {
    PollBus();
    gint64 now = 0;
    if (m_pPipeline != nullptr && gst_element_query_position(m_pPipeline, GST_FORMAT_TIME, &now) &&
        now >= 0) {
        m_bSeekPending = false;
        m_nLastPosition = NanosecondsToMs(now);
    } else if (m_bSeekPending) {
        m_nLastPosition = m_nSeekTarget;
    }
    return m_nLastPosition;
}

bool GstStream::Seek(std::uint32_t positionMs) {
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (m_pPipeline == nullptr ||
        !gst_element_seek_simple(m_pPipeline, GST_FORMAT_TIME, flags,
                                 static_cast<gint64>(positionMs) * GST_MSECOND)) {
        return false;
    }
    m_bSeekPending = true;
    m_nSeekTarget = positionMs;
    m_nLastPosition = positionMs;
    return true;
}

}  // namespace player
