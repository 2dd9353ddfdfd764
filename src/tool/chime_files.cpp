#include "tool/chime_files.h"

#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "player/wav_writer.h"
#include "schedule/atomic_file.h"

namespace tool {

namespace {

// A bell's partials: the strike note, an octave and a twelfth above, and a hum below.
struct Partial {
    double ratio;
    double amplitude;
    double decayPerSecond;
};
constexpr Partial kPartials[] = {
    {1.0, 0.55, 2.2},
    {2.0, 0.22, 3.5},
    {3.0, 0.10, 5.0},
    {0.5, 0.13, 1.6},
};
constexpr double kAttackSeconds = 0.004;
constexpr double kPeak = 0.7 * 32767.0;

// Encoding a few seconds takes milliseconds; this only bounds a stuck pipeline.
constexpr GstClockTime kEncodeTimeout = 20 * GST_SECOND;
constexpr double kVorbisQuality = 0.3;

}  // namespace

std::vector<std::int16_t> SynthesizeChime(const std::vector<double>& frequenciesHz,
                                          double noteSeconds, double ringSeconds) {
    const double totalSeconds =
        noteSeconds * static_cast<double>(std::max<std::size_t>(frequenciesHz.size(), 1) - 1) +
        ringSeconds;
    const auto count = static_cast<std::size_t>(totalSeconds * kChimeSampleRate);
    std::vector<double> mix(count, 0.0);
    for (std::size_t note = 0; note < frequenciesHz.size(); ++note) {
        const auto start =
            static_cast<std::size_t>(static_cast<double>(note) * noteSeconds * kChimeSampleRate);
        for (std::size_t i = start; i < count; ++i) {
            const double t = static_cast<double>(i - start) / kChimeSampleRate;
            const double attack = std::min(1.0, t / kAttackSeconds);
            double value = 0.0;
            for (const Partial& partial : kPartials) {
                value += partial.amplitude * std::exp(-partial.decayPerSecond * t) *
                         std::sin(2.0 * std::numbers::pi * frequenciesHz[note] * partial.ratio * t);
            }
            mix[i] += attack * value;
        }
    }
    // Scale the loudest point to the peak level, then fade the tail to silence.
    double loudest = 0.0;
    for (double value : mix) {
        loudest = std::max(loudest, std::abs(value));
    }
    const double scale = loudest > 0.0 ? kPeak / loudest : 0.0;
    const std::size_t fade = std::min<std::size_t>(count, kChimeSampleRate / 10);
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        double gain = scale;
        if (i >= count - fade) {
            gain *= static_cast<double>(count - i) / static_cast<double>(fade);
        }
        samples[i] = static_cast<std::int16_t>(std::lround(mix[i] * gain));
    }
    return samples;
}

bool WriteWav(const std::string& path, const std::vector<std::int16_t>& samples) {
    return schedule::WriteFileAtomically(path, player::WavBytes(samples, kChimeSampleRate)) ==
           schedule::WriteResult::Ok;
}

bool EncodeOgg(const std::string& wavPath, const std::string& oggPath, std::string& error) {
    GError* gerror = nullptr;
    if (!gst_init_check(nullptr, nullptr, &gerror)) {
        error = gerror != nullptr ? gerror->message : "GStreamer could not start";
        g_clear_error(&gerror);
        return false;
    }
    // The file names are set as properties, so no character of theirs needs quoting.
    GstElement* pipeline = gst_parse_launch(
        "filesrc name=in ! wavparse ! audioconvert ! vorbisenc name=enc ! oggmux ! "
        "filesink name=out",
        &gerror);
    if (pipeline == nullptr || gerror != nullptr) {
        error = gerror != nullptr ? gerror->message : "no Vorbis encoding pipeline";
        g_clear_error(&gerror);
        if (pipeline != nullptr) {
            gst_object_unref(pipeline);
        }
        return false;
    }
    GstElement* in = gst_bin_get_by_name(GST_BIN(pipeline), "in");
    GstElement* enc = gst_bin_get_by_name(GST_BIN(pipeline), "enc");
    GstElement* out = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    g_object_set(in, "location", wavPath.c_str(), nullptr);
    g_object_set(enc, "quality", kVorbisQuality, nullptr);
    g_object_set(out, "location", oggPath.c_str(), nullptr);
    gst_object_unref(in);
    gst_object_unref(enc);
    gst_object_unref(out);

    bool ok = false;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        error = "the encoding pipeline did not start";
    } else {
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, kEncodeTimeout, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        if (message == nullptr) {
            error = "encoding timed out";
        } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            gst_message_parse_error(message, &gerror, nullptr);
            error = gerror != nullptr ? gerror->message : "encoding failed";
            g_clear_error(&gerror);
        } else {
            ok = true;
        }
        if (message != nullptr) {
            gst_message_unref(message);
        }
        gst_object_unref(bus);
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (!ok) {
        std::error_code ignored;
        std::filesystem::remove(oggPath, ignored);
    }
    return ok;
}

}  // namespace tool
