// Text files spoken into the cache: reading their text, running the engine once per text
// and engine, keeping the cache within its bound, and saying why a text cannot be spoken.
// The engine here is a shell script that copies a prepared WAV file and notes its run.

#include "player/speech_cache.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "player/wav_writer.h"
#include "schedule/atomic_file.h"

namespace player {
namespace {

namespace fs = std::filesystem;

class SpeechCacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Dir =
            fs::temp_directory_path() /
            ("qelt_speech_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_Dir);
        fs::create_directories(m_Dir / "cache");
        // Half a second of sound, as an engine would write it.
        Write("spoken.wav", WavBytes(std::vector<std::int16_t>(4000, 1000), 8000));
        Write("engine.sh",
              "#!/bin/sh\n"
              "printf '%s\\n' \"$2\" >> \"" +
                  Path("runs") +
                  "\"\n"
                  "case \"$2\" in *fail*) exit 3;; *silent*) exit 0;; *slow*) sleep 5;; esac\n"
                  "cp \"" +
                  Path("spoken.wav") + "\" \"$1\"\n");
        fs::permissions(m_Dir / "engine.sh", fs::perms::owner_all);
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    std::string Path(const std::string& name) const { return (m_Dir / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        ASSERT_EQ(schedule::WriteFileAtomically(Path(name), bytes), schedule::WriteResult::Ok);
    }
    SpeechVoice Engine(int rate = 150) const { return {Path("engine.sh") + " {wav} {text}", rate}; }
    std::size_t CachedFiles() const {
        std::size_t count = 0;
        for (const auto& file : fs::directory_iterator(m_Dir / "cache")) {
            count += file.path().extension() == ".wav" ? 1 : 0;
        }
        return count;
    }

    fs::path m_Dir;
};

TEST(SpeechTextTest, TextFilesAreKnownByNameAndReadAsUtf8OrGb18030) {
    EXPECT_TRUE(IsSpeechFile("音乐库/通知.txt"));
    EXPECT_TRUE(IsSpeechFile("NOTE.TXT"));
    EXPECT_FALSE(IsSpeechFile(".txt"));
    EXPECT_FALSE(IsSpeechFile("bell.wav"));
    EXPECT_FALSE(IsSpeechFile("notes.txt.wav"));

    EXPECT_EQ(SpeechTextOf("\xEF\xBB\xBF  第三节课\r\n"), "第三节课");
    // "通知" in GB18030 is not valid UTF-8.
    EXPECT_EQ(SpeechTextOf("\xCD\xA8\xD6\xAA\n"), "通知");
    EXPECT_EQ(SpeechTextOf("温度 25°C"), "温度 25°C");
    EXPECT_EQ(SpeechTextOf(" \n\t "), "");
}

TEST_F(SpeechCacheTest, EachTextIsSpokenOnceAndTheCacheStaysWithinItsBound) {
    // Room for one spoken text and a half: a second text puts the first out.
    const auto size = fs::file_size(m_Dir / "spoken.wav");
    CSpeechCache cache(Path("cache"), size * 3 / 2);
    cache.SetVoice(Engine());

    Write("a.txt", "第一条 {wav}");
    const auto first = cache.WavFor(Path("a.txt"));
    ASSERT_TRUE(first);
    EXPECT_EQ(schedule::ReadWholeFile(*first), schedule::ReadWholeFile(Path("spoken.wav")));
    // The placeholder inside the text is the text's own, not replaced.
    EXPECT_EQ(schedule::ReadWholeFile(Path("runs")), "第一条 {wav}\n");
    EXPECT_EQ(cache.WavFor(Path("a.txt")), first);
    EXPECT_EQ(cache.EngineRuns(), 1);

    // Another rate is another sound; then the least recently used goes.
    cache.SetVoice(Engine(200));
    const auto faster = cache.WavFor(Path("a.txt"));
    ASSERT_TRUE(faster);
    EXPECT_NE(faster, first);
    EXPECT_EQ(cache.EngineRuns(), 2);
    EXPECT_EQ(CachedFiles(), 1u);
    EXPECT_FALSE(fs::exists(*first));
    EXPECT_TRUE(fs::exists(*faster));
    EXPECT_TRUE(cache.FailureOf(Path("a.txt")).empty());
}

TEST_F(SpeechCacheTest, ATextThatCannotBeSpokenSaysWhyAndTheEngineIsNotRunAgainAtOnce) {
    CSpeechCache cache(Path("cache"));
    cache.SetVoice(Engine());
    cache.SetTimeLimit(std::chrono::milliseconds(300));
    const auto reasonFor = [&](const std::string& name, const std::string& text) {
        Write(name, text);
        EXPECT_FALSE(cache.WavFor(Path(name))) << name;
        return cache.FailureOf(Path(name));
    };
    EXPECT_EQ(reasonFor("empty.txt", " \r\n"), "文本为空");
    EXPECT_EQ(reasonFor("fail.txt", "fail"), "播报引擎出错（退出码 3）");
    EXPECT_EQ(reasonFor("silent.txt", "silent"), "播报引擎没有写出声音");
    EXPECT_EQ(reasonFor("slow.txt", "slow"), "播报引擎超时（1 秒）");
    EXPECT_EQ(cache.EngineRuns(), 3);
    // Asked again (the item measured, prepared, then played): the failure is remembered.
    EXPECT_FALSE(cache.WavFor(Path("fail.txt")));
    EXPECT_EQ(cache.FailureOf(Path("fail.txt")), "播报引擎出错（退出码 3）");
    EXPECT_EQ(cache.EngineRuns(), 3);
    EXPECT_EQ(CachedFiles(), 0u);

    EXPECT_FALSE(cache.WavFor(Path("missing.txt")));
    EXPECT_EQ(cache.FailureOf(Path("missing.txt")), "无法读取文本文件");
    Write("long.txt", std::string(CSpeechCache::kMaxTextBytes + 1, 'a'));
    EXPECT_FALSE(cache.WavFor(Path("long.txt")));
    EXPECT_EQ(cache.FailureOf(Path("long.txt")), "文本过长（超过 64KB）");

    cache.SetVoice({"qelt-no-such-engine -v cmn", 150});
    EXPECT_EQ(reasonFor("b.txt", "文字"), "找不到播报引擎“qelt-no-such-engine”");
    cache.SetVoice({"espeak-ng 'unclosed", 150});
    EXPECT_EQ(reasonFor("c.txt", "文字"), "播报引擎的命令行有误：espeak-ng 'unclosed");
    EXPECT_EQ(cache.EngineRuns(), 3);
}

}  // namespace
}  // namespace player
