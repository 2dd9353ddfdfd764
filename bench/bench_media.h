#pragma once
// Input files for the audio benchmarks, made with gst-launch-1.0 in a temporary folder.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace bench {

// A fresh temporary folder, removed with the object.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "qelt-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Ok() const { return !m_path.empty(); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Encodes seconds of 44.1 kHz stereo test sound into path. kind: "cbr" (128 kbit/s MP3
// with an Info header, as LAME writes it), "cbr_noinfo" (the same without the Info
// header, as many older encoders wrote them), "vbr" (VBR MP3 without a Xing header: the
// raw encoder output), "wav".
inline bool MakeAudio(const std::string& path, const std::string& kind, int seconds) {
    const int buffers = seconds * 44100 / 1024;
    std::string source =
        "audiotestsrc wave=ticks tick-interval=250000000 samplesperbuffer=1024 "
        "num-buffers=" +
        std::to_string(buffers) + " ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! ";
    std::string encoder;
    if (kind == "cbr") {
        encoder = "lamemp3enc target=bitrate bitrate=128 cbr=true ! xingmux ! ";
    } else if (kind == "cbr_noinfo") {
        encoder = "lamemp3enc target=bitrate bitrate=128 cbr=true ! ";
    } else if (kind == "vbr") {
        encoder = "lamemp3enc target=quality quality=4 ! ";
    } else {
        encoder = "wavenc ! ";
    }
    const std::string command = "gst-launch-1.0 -q " + source + encoder + "filesink location=\"" +
                                path + "\" >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 && std::filesystem::file_size(path) > 0;
}

}  // namespace bench
