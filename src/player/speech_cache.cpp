#include "player/speech_cache.h"

#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include "schedule/atomic_file.h"
#include "schedule/text_codec.h"

namespace player {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::size_t kWavHeaderBytes = 44;
constexpr auto kPollInterval = std::chrono::milliseconds(5);

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Whether the bytes read as UTF-8. Short GB18030 texts are often valid UTF-8 too, but then
// of two-byte sequences (Greek, Cyrillic, Hebrew…), where a Chinese text in UTF-8 is
// mostly three-byte sequences: a text with more of the former is taken as GB18030.
bool LooksLikeUtf8(std::string_view bytes) {
    if (!g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) {
        return false;
    }
    int twoByte = 0;
    int longer = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        twoByte += (byte & 0xE0U) == 0xC0U ? 1 : 0;
        longer += (byte & 0xF0U) >= 0xE0U ? 1 : 0;
    }
    return twoByte <= longer;
}

// The argument with each "{name}" of the table replaced, in one pass, so that a text
// holding "{wav}" stays as it is.
std::string Expand(const std::string& argument,
                   const std::vector<std::pair<std::string, std::string>>& values) {
    std::string out;
    for (std::size_t i = 0; i < argument.size();) {
        bool replaced = false;
        for (const auto& [name, value] : values) {
            if (argument.compare(i, name.size(), name) == 0) {
                out += value;
                i += name.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += argument[i++];
        }
    }
    return out;
}

// The command line split as a shell would split it, without running one.
std::optional<std::vector<std::string>> SplitCommand(const std::string& command) {
    gchar** argv = nullptr;
    if (!g_shell_parse_argv(command.c_str(), nullptr, &argv, nullptr)) {
        return std::nullopt;
    }
    std::vector<std::string> words;
    for (gchar** word = argv; *word != nullptr; ++word) {
        words.emplace_back(*word);
    }
    g_strfreev(argv);
    return words;
}

std::optional<std::string> FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return access(name.c_str(), X_OK) == 0 ? std::optional(name) : std::nullopt;
    }
    gchar* found = g_find_program_in_path(name.c_str());
    if (found == nullptr) {
        return std::nullopt;
    }
    std::string path = found;
    g_free(found);
    return path;
}

std::string Sha256(const std::string& data) {
    gchar* sum = g_compute_checksum_for_string(G_CHECKSUM_SHA256, data.data(),
                                               static_cast<gssize>(data.size()));
    std::string text = sum;
    g_free(sum);
    return text;
}

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

}  // namespace

bool IsSpeechFile(const std::string& path) {
    constexpr std::string_view kExtension = ".txt";
    if (path.size() <= kExtension.size()) {
        return false;
    }
    const std::string_view tail = std::string_view(path).substr(path.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

std::string SpeechTextOf(std::string_view bytes) {
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        bytes.remove_prefix(kUtf8Mark.size());
    }
    std::string text = LooksLikeUtf8(bytes) ? std::string(bytes) : schedule::DecodeFileText(bytes);
    const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

SpeechVoice VoiceOf(const schedule::CSettings& settings) {
    return SpeechVoice{settings.GetSpeechEngine(),
                       std::clamp(settings.GetSpeechRate(), kMinSpeechRate, kMaxSpeechRate)};
}

std::string CSpeechCache::DefaultFolder() {
    return (fs::path(g_get_user_cache_dir()) / "qelt" / "speech").string();
}

CSpeechCache::CSpeechCache(std::string folder, std::uint64_t maxBytes)
    : m_strFolder(std::move(folder)), m_nMaxBytes(maxBytes) {}

std::optional<std::string> CSpeechCache::WavFor(const std::string& textPath) {
    std::string reason;
    std::optional<std::string> wav;
    if (const auto bytes = schedule::ReadWholeFile(textPath); !bytes) {
        reason = "无法读取文本文件";
    } else if (bytes->size() > kMaxTextBytes) {
        reason = "文本过长（超过 64KB）";
    } else {
        wav = WavForText(SpeechTextOf(*bytes), &reason);
    }
    if (wav) {
        m_Reasons.erase(textPath);
    } else {
        m_Reasons[textPath] = reason;
    }
    return wav;
}

std::string CSpeechCache::FailureOf(const std::string& textPath) const {
    const auto found = m_Reasons.find(textPath);
    return found == m_Reasons.end() ? std::string() : found->second;
}

std::optional<std::string> CSpeechCache::WavForText(const std::string& text, std::string* reason) {
    if (text.empty()) {
        *reason = "文本为空";
        return std::nullopt;
    }
    const SpeechVoice voice = m_VoiceSource();
    // The same text spoken by the same engine at the same rate is the same sound.
    const std::string key = Sha256(voice.command + '\n' + std::to_string(voice.rate) + '\n' + text);
    const std::string wav = (fs::path(m_strFolder) / (key + ".wav")).string();
    std::error_code error;
    if (fs::is_regular_file(wav, error)) {
        // Kept as recently used, so trimming takes the texts no longer rung first.
        fs::last_write_time(wav, fs::file_time_type::clock::now(), error);
        return wav;
    }
    if (const auto failed = m_Failed.find(key);
        failed != m_Failed.end() &&
        std::chrono::steady_clock::now() - failed->second.when < kRetryAfter) {
        *reason = failed->second.reason;
        return std::nullopt;
    }
    *reason = Synthesise(voice, text, key, wav);
    if (!reason->empty()) {
        m_Failed[key] = Failure{*reason, std::chrono::steady_clock::now()};
        return std::nullopt;
    }
    m_Failed.erase(key);
    Trim();
    return wav;
}

std::string CSpeechCache::Synthesise(const SpeechVoice& voice, const std::string& text,
                                     const std::string& key, const std::string& wav) {
    const auto words = SplitCommand(voice.command);
    if (!words || words->empty()) {
        return "播报引擎的命令行有误：" + voice.command;
    }
    const auto program = FindProgram(words->front());
    if (!program) {
        return "找不到播报引擎“" + words->front() + "”";
    }
    std::error_code error;
    fs::create_directories(m_strFolder, error);
    if (error) {
        return "无法创建缓存文件夹 " + m_strFolder;
    }

    // Written beside the cache under names of this process, renamed into place whole.
    const std::string stem =
        (fs::path(m_strFolder) / (key + "." + std::to_string(getpid()))).string();
    const std::string textFile = stem + ".txt";
    const std::string partial = stem + ".part.wav";
    if (schedule::WriteFileAtomically(textFile, text) != schedule::WriteResult::Ok) {
        return "无法写入缓存文件夹 " + m_strFolder;
    }

    std::vector<std::string> arguments(words->begin() + 1, words->end());
    const bool asWritten = std::any_of(arguments.begin(), arguments.end(), [](const auto& word) {
        return word.find("{wav}") != std::string::npos;
    });
    if (!asWritten) {
        // espeak-ng: the rate, UTF-8 input, the output file and the text from a file, so
        // that a text starting with "-" is never read as an option.
        arguments.insert(arguments.end(),
                         {"-s", "{rate}", "-b", "1", "-w", "{wav}", "-f", "{textfile}"});
    }
    const std::vector<std::pair<std::string, std::string>> values = {
        {"{textfile}", textFile},
        {"{text}", text},
        {"{wav}", partial},
        {"{rate}", std::to_string(voice.rate)}};
    for (std::string& argument : arguments) {
        argument = Expand(argument, values);
    }

    ++m_nEngineRuns;
    std::string reason;
    const auto process = m_Runner.Start(*program, arguments, m_strFolder);
    if (process == platform::ProcessRunner::kNoProcess) {
        reason = "无法启动播报引擎“" + *program + "”";
    } else {
        const auto deadline = std::chrono::steady_clock::now() + m_TimeLimit;
        std::optional<int> code;
        while (!(code = m_Runner.ExitCode(process)) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kPollInterval);
        }
        if (!code) {
            m_Runner.EndRunningPrograms();
            const auto seconds = std::chrono::ceil<std::chrono::seconds>(m_TimeLimit).count();
            reason = "播报引擎超时（" + std::to_string(seconds) + " 秒）";
        } else if (*code != 0) {
            reason = "播报引擎出错（退出码 " + std::to_string(*code) + "）";
        } else if (fs::file_size(partial, error) <= kWavHeaderBytes || error) {
            reason = "播报引擎没有写出声音";
        } else {
            fs::rename(partial, wav, error);
            if (error) {
                reason = "无法写入缓存文件夹 " + m_strFolder;
            }
        }
    }
    RemoveQuietly(textFile);
    RemoveQuietly(partial);
    return reason;
}

void CSpeechCache::Trim() {
    struct Entry {
        fs::path path;
        fs::file_time_type used;
        std::uintmax_t size;
    };
    std::vector<Entry> entries;
    std::uint64_t total = 0;
    std::error_code error;
    for (const auto& file : fs::directory_iterator(m_strFolder, error)) {
        const fs::path& path = file.path();
        const std::string name = path.filename().string();
        // Only finished sounds count; another process's parts are its own.
        if (path.extension() != ".wav" || name.find(".part.") != std::string::npos) {
            continue;
        }
        std::error_code entryError;
        Entry entry{path, file.last_write_time(entryError), file.file_size(entryError)};
        if (!entryError) {
            total += entry.size;
            entries.push_back(std::move(entry));
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.used < b.used; });
    // The newest stays even when it alone is over the bound: it is about to be played.
    for (std::size_t i = 0; i + 1 < entries.size() && total > m_nMaxBytes; ++i) {
        if (fs::remove(entries[i].path, error)) {
            total -= entries[i].size;
        }
    }
}

}  // namespace player
