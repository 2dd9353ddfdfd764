// Typed announcements kept as text files: their names, and no text ever written over.

#include "session/announcement.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "schedule/atomic_file.h"

namespace session {
namespace {

namespace fs = std::filesystem;

TEST(AnnouncementTest, NamedFromTheFirstWordsAndNeverWrittenOverAnotherText) {
    EXPECT_EQ(AnnouncementFileName("  第三节课将在五分钟后开始，请同学们做好准备\n明天见"),
              "第三节课将在五分钟后开始，请同学.txt");
    EXPECT_EQ(AnnouncementFileName("考试 A/B: 8:00*\n"), "考试 AB 800.txt");
    EXPECT_EQ(AnnouncementFileName("../.."), "播报.txt");
    EXPECT_EQ(AnnouncementFileName("???"), "播报.txt");

    const fs::path folder = fs::temp_directory_path() / "qelt_announcement_test" / "播报";
    fs::remove_all(folder.parent_path());
    const auto first = WriteAnnouncement(folder.string(), "放学了");
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (folder / "放学了.txt").string());
    EXPECT_EQ(schedule::ReadWholeFile(*first), "放学了");
    // The same text again is the same file; another text under the same name gets its own.
    EXPECT_EQ(WriteAnnouncement(folder.string(), "放学了"), first);
    const auto other = WriteAnnouncement(folder.string(), "放学了\n请排队离校");
    ASSERT_TRUE(other);
    EXPECT_EQ(*other, (folder / "放学了 (2).txt").string());
    EXPECT_EQ(schedule::ReadWholeFile(*first), "放学了");
    fs::remove_all(folder.parent_path());
}

}  // namespace
}  // namespace session
