// Reading files far longer than the program writes: a settings file padded with 30 MB of
// blank lines, read key by key as the program starts; each figure is the best of a few
// runs, in ms.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "schedule/settings.h"
#include "schedule/text_codec.h"

namespace {

constexpr int kRuns = 3;
constexpr std::size_t kIniBytes = std::size_t{30} << 20;

double BestMs(const std::function<void()>& run) {
    double best = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
    }
    return best;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every key the program reads at start, from a fresh settings object, so the file is
// parsed once each run.
void ReadAllSettings(const std::string& path) {
    const schedule::CSettings settings(path);
    std::size_t sum = settings.GetTimetablePath().size() + settings.GetSchoolName().size() +
                      settings.GetBackgroundPicture().size() + settings.GetOutputDevice().size() +
                      settings.GetProgramBefore().size() + settings.GetParamsBefore().size() +
                      settings.GetProgramAfter().size() + settings.GetParamsAfter().size() +
                      settings.ReadPresetTitles().size();
    sum += static_cast<std::size_t>(
        settings.GetShutdownDelayMinutes() + settings.GetDefaultVolume() +
        settings.GetBackgroundColor() + settings.GetPlayerX() + settings.GetPlayerY() +
        settings.GetAutoShutdown() + settings.GetShowPlayer() + settings.GetPopupPrompt() +
        settings.GetShowPending() + settings.GetShowBackgroundPicture() + settings.GetExtRun());
    if (sum == 0) {
        std::fprintf(stderr, "bench_files: nothing read\n");
    }
}

}  // namespace

int main() {
    char pattern[] = "/tmp/qelt-bench-files-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path dir(pattern);

    const std::string ini = (dir / "QELT.INI").string();
    WriteFile(ini, std::string(kIniBytes, '\n') +
                       schedule::EncodeFileText("[设置]\r\n学校名称=一中\r\n[常用标题]\r\n"
                                                "标题数=2147483647\r\n1=上课\r\n"));
    std::printf("BENCH ini_parse_30mb_ms %.1f ms\n", BestMs([&] { ReadAllSettings(ini); }));

    std::filesystem::remove_all(dir);
    return 0;
}
