#pragma once
// One playbin pipeline over one file, without a GLib main loop: prerolled with its sink
// within a bounded wait (so its length is known at once), then played, paused and sought;
// end of stream and errors are found by polling its bus.

#include <cstdint>
#include <optional>
#include <string>

#include "player/audio_kind.h"
#include "player/audio_system.h"

// GStreamer's own type names, so that this header needs no GStreamer headers.
using GstBus = struct _GstBus;          // NOLINT(bugprone-reserved-identifier)
using GstElement = struct _GstElement;  // NOLINT(bugprone-reserved-identifier)

namespace player {

class GstStream {
public:
    // uri: the file's URI; kind: what it holds (AIFF files are built differently);
    // volume: linear, 0.0..1.0, in place from the first buffer on.
    GstStream(std::string uri, AudioKind kind, double volume);
    ~GstStream();
    GstStream(const GstStream&) = delete;
    GstStream& operator=(const GstStream&) = delete;

    // Builds the pipeline with the sink described (a GStreamer bin description) and
    // prerolls it: Ok once its first buffer reached the sink, FileBad when it failed,
    // Timeout after timeoutMs, InitFailed when the sink cannot be made (a wrong
    // description must not fall back to a real device).
    AudioResult Preroll(const std::string& sinkDescription, int timeoutMs);
    // The same with a sink element, of which it takes the caller's reference.
    AudioResult Preroll(GstElement* sink, int timeoutMs);
    // Lets the pipeline go.
    void Close();
    bool IsOpen() const { return m_pPipeline != nullptr; }

    // The length the prerolled pipeline tells, if it tells one.
    std::optional<std::uint32_t> Duration() const { return m_nDuration; }

    // Playing, or paused; false when the pipeline refused.
    bool SetPaused(bool paused);
    bool IsPaused() const { return m_bPaused; }
    // Stops for good: the pipeline is shut and the stream counts as ended.
    void Stop();
    // True once the stream reached its end, failed or was stopped.
    bool HasEnded();
    // The name of the element whose error ended the stream; empty when none did.
    const std::string& ErrorSource() const { return m_strErrorSource; }

    void SetVolume(double volume);
    // The linear volume the pipeline applies.
    double AppliedVolume() const;

    // The position in ms; right after a seek, the seek's target until the pipeline can
    // tell again.
    std::uint32_t Position();
    // A flushing, accurate seek; false when the pipeline refused it.
    bool Seek(std::uint32_t positionMs);

private:
    // Reads every waiting bus message, so that end of stream and errors are noticed and
    // the bus does not grow.
    void PollBus();

    std::string m_strUri;
    AudioKind m_Kind;
    double m_dVolume;
    GstElement* m_pPipeline = nullptr;
    GstBus* m_pBus = nullptr;
    std::optional<std::uint32_t> m_nDuration;
    bool m_bPaused = true;
    bool m_bEnded = false;
    bool m_bSeekPending = false;
    std::uint32_t m_nSeekTarget = 0;
    std::uint32_t m_nLastPosition = 0;
    std::string m_strErrorSource;
};

}  // namespace player
