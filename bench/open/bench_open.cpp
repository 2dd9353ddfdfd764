// Opening a track: the time from CreateStream until the first buffer has reached the
// sink (preroll), over 50 opens each of a WAV and an MP3 file, and the resident memory
// once an MP3 has been opened.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_media.h"
#include "player/gst_audio_system.h"

namespace {

constexpr int kOpens = 50;

double ResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
        }
    }
    return 0.0;
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * (values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

// Opens (prerolls) and releases file count times; each open's duration in ms.
bool TimeOpens(player::GstAudioSystem& audio, const std::string& file, int count,
               std::vector<double>* times) {
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        player::SoundHandle sound = player::kNoSound;
        if (audio.CreateStream(file, player::StreamMode::Play, 1.0f, &sound) !=
            player::AudioResult::Ok) {
            return false;
        }
        times->push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        audio.Release(sound);
    }
    return true;
}

}  // namespace

int main() {
    // Never a real sound device: the sink is a fake one unless one is given.
    setenv("QELT_AUDIO_SINK", "fakesink sync=true", 0);

    bench::TempFolder folder;
    const std::string wav = folder.Ok() ? folder.File("tone.wav") : "";
    const std::string mp3 = folder.Ok() ? folder.File("tone.mp3") : "";
    if (!folder.Ok() || !bench::MakeAudio(wav, "wav", 10) || !bench::MakeAudio(mp3, "cbr", 180)) {
        std::fprintf(stderr, "bench_open: could not make the input files (gst-launch-1.0)\n");
        return 0;
    }

    player::GstAudioSystem audio;
    if (audio.Create() != player::AudioResult::Ok || audio.Init(10) != player::AudioResult::Ok) {
        std::fprintf(stderr, "bench_open: GStreamer did not start\n");
        return 0;
    }
    std::vector<double> first;
    player::SoundHandle sound = player::kNoSound;
    const auto start = std::chrono::steady_clock::now();
    if (audio.CreateStream(mp3, player::StreamMode::Play, 1.0f, &sound) !=
        player::AudioResult::Ok) {
        std::fprintf(stderr, "bench_open: the MP3 did not open\n");
        return 0;
    }
    const double firstMp3 =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double rss = ResidentMb();
    audio.Release(sound);

    std::vector<double> wavTimes;
    std::vector<double> mp3Times;
    if (!TimeOpens(audio, wav, kOpens, &wavTimes) || !TimeOpens(audio, mp3, kOpens, &mp3Times)) {
        std::fprintf(stderr, "bench_open: an open failed\n");
        return 0;
    }
    std::vector<double> all = wavTimes;
    all.insert(all.end(), mp3Times.begin(), mp3Times.end());

    std::printf("BENCH open_first_buffer_median %.2f ms\n", Percentile(all, 0.5));
    std::printf("BENCH open_first_buffer_p99 %.2f ms\n", Percentile(all, 0.99));
    std::printf("BENCH open_first_buffer_wav_median %.2f ms\n", Percentile(wavTimes, 0.5));
    std::printf("BENCH open_first_buffer_mp3_median %.2f ms\n", Percentile(mp3Times, 0.5));
    std::printf("BENCH open_first_mp3_in_process %.1f ms\n", firstMp3);
    std::printf("BENCH rss_after_mp3_mb %.1f MB\n", rss);
    return 0;
}
