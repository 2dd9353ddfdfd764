// Measuring music files: ProbeLength over 200 copies of a 3-minute CBR MP3 (with and
// without an Info header) and 20 VBR MP3s without a Xing header, against
// gst-discoverer-1.0 started once per file. Every copy has a path of its own, so the
// length cache never answers for a file measured before.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_media.h"
#include "player/gst_audio_system.h"
#include "player/playback_engine.h"
#include "player/silent_playback_owner.h"

namespace {

constexpr int kCbrCopies = 200;
constexpr int kVbrCopies = 20;
constexpr int kSeconds = 180;
constexpr double kTolerance = 0.01;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

std::vector<std::string> Copies(const bench::TempFolder& folder, const std::string& source,
                                const std::string& stem, int count) {
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder.File(stem + std::to_string(i) + ".mp3"));
        std::filesystem::copy_file(source, files.back(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    return files;
}

// Probes every file; returns files per second and counts lengths off by more than 1 %.
double ProbeAll(player::CPlaybackEngine& engine, const std::vector<std::string>& files,
                int* wrong) {
    const auto start = std::chrono::steady_clock::now();
    for (const auto& file : files) {
        const std::uint32_t length = engine.ProbeLength(file);
        if (length == player::kLengthUnknown ||
            std::fabs(static_cast<double>(length) - kSeconds * 1000.0) >
                kSeconds * 1000.0 * kTolerance) {
            ++*wrong;
        }
    }
    return files.size() / Seconds(std::chrono::steady_clock::now() - start);
}

double DiscovererCli(const std::vector<std::string>& files) {
    const auto start = std::chrono::steady_clock::now();
    for (const auto& file : files) {
        const std::string command = "gst-discoverer-1.0 \"" + file + "\" >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "bench_probe: gst-discoverer-1.0 failed on %s\n", file.c_str());
        }
    }
    return files.size() / Seconds(std::chrono::steady_clock::now() - start);
}

}  // namespace

int main() {
    bench::TempFolder folder;
    const std::string cbr = folder.Ok() ? folder.File("source_cbr.mp3") : "";
    const std::string bare = folder.Ok() ? folder.File("source_cbr_noinfo.mp3") : "";
    const std::string vbr = folder.Ok() ? folder.File("source_vbr.mp3") : "";
    if (!folder.Ok() || !bench::MakeAudio(cbr, "cbr", kSeconds) ||
        !bench::MakeAudio(bare, "cbr_noinfo", kSeconds) ||
        !bench::MakeAudio(vbr, "vbr", kSeconds)) {
        std::fprintf(stderr, "bench_probe: could not make the input files (gst-launch-1.0)\n");
        return 0;
    }
    const auto cbrFiles = Copies(folder, cbr, "cbr", kCbrCopies);
    const auto bareFiles = Copies(folder, bare, "bare", kCbrCopies);
    const auto vbrFiles = Copies(folder, vbr, "vbr", kVbrCopies);

    player::GstAudioSystem audio;
    player::CSilentPlaybackOwner owner;
    player::CPlaybackEngine engine(audio, owner);
    engine.ProbeLength(cbr);  // loads the decoders once, as the program has by then

    int wrongCbr = 0;
    int wrongVbr = 0;
    const double cbrRate = ProbeAll(engine, cbrFiles, &wrongCbr);
    const double bareRate = ProbeAll(engine, bareFiles, &wrongCbr);
    const double vbrRate = ProbeAll(engine, vbrFiles, &wrongVbr);
    std::vector<std::string> all = cbrFiles;
    all.insert(all.end(), vbrFiles.begin(), vbrFiles.end());
    const double cliRate = DiscovererCli(all);
    const double ourRate = all.size() / (cbrFiles.size() / cbrRate + vbrFiles.size() / vbrRate);

    std::printf("BENCH probe_cbr_files_per_s %.1f files/s\n", cbrRate);
    std::printf("BENCH probe_cbr_noinfo_files_per_s %.1f files/s\n", bareRate);
    std::printf("BENCH probe_vbr_files_per_s %.1f files/s\n", vbrRate);
    std::printf("BENCH probe_discoverer_cli_files_per_s %.1f files/s\n", cliRate);
    std::printf("BENCH probe_speedup_vs_cli %.1f x\n", ourRate / cliRate);
    std::printf("BENCH probe_lengths_off_by_more_than_1pct %d files\n", wrongCbr + wrongVbr);
    return 0;
}
