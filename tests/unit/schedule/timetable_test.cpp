#include "schedule/timetable.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "schedule/texts.h"
#include "test_support.h"

using namespace schedule;
using namespace testing_support;

namespace {

ScheduleItem ItemAt(int time, const std::string& title = "") {
    ScheduleItem item;
    item.time = time;
    item.title = title;
    return item;
}

std::vector<int> Times(const CTimetable& timetable, int day) {
    std::vector<int> times;
    for (const ScheduleItem& item : *timetable.GetDay(day)) {
        times.push_back(item.time);
    }
    return times;
}

const std::string kEmptyTimetable =
    Bytes({0x5A, 0x58, 0x42, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}) + std::string(28, '\0');

// An item block with four empty strings: 9 integers and 4 five-byte strings.
std::string ItemBlock(int time) {
    CBinaryWriter w;
    w.WriteInt(1);     // useDefaultVolume
    w.WriteInt(0);     // fullPlay
    w.WriteInt(5000);  // limit
    for (int i = 0; i < 4; ++i) {
        w.WriteBytes(Bytes({1, 0, 0, 0, 0}));  // title, musicName, path, params
    }
    w.WriteInt(1);     // useDefaultParams
    w.WriteInt(0);     // runBefore
    w.WriteInt(time);  // time
    w.WriteInt(2);     // kind
    w.WriteInt(0);     // autoPlay
    w.WriteInt(80);    // volume
    return w.Data();
}

std::string Int(int value) {
    CBinaryWriter w;
    w.WriteInt(value);
    return w.Data();
}

// A timetable file whose Monday holds the given blocks and every other day is empty.
std::string FileWithMonday(const std::vector<int>& times) {
    std::string data = Bytes({0x5A, 0x58, 0x42, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}) + Int(0) +
                       Int(static_cast<int>(times.size()));
    for (const int t : times) {
        data += ItemBlock(t);
    }
    for (int day = 2; day < 7; ++day) {
        data += Int(0);
    }
    return data;
}

}  // namespace

TEST(TimetableModel, AddingKeepsEachDaySortedAndRejectsBadArguments) {
    CTimetable timetable;
    const ScheduleItem seven = ItemAt(7 * 3600);
    const ScheduleItem nine = ItemAt(9 * 3600);
    const ScheduleItem eight = ItemAt(8 * 3600);

    EXPECT_FALSE(timetable.AddItem(7, &seven));
    EXPECT_FALSE(timetable.AddItem(-1, &seven));
    EXPECT_FALSE(timetable.AddItem(1, nullptr));
    EXPECT_FALSE(timetable.IsModified());

    ASSERT_TRUE(timetable.AddItem(1, &seven));
    ASSERT_TRUE(timetable.AddItem(1, &nine));
    ASSERT_TRUE(timetable.AddItem(1, &eight));
    EXPECT_EQ(Times(timetable, 1), (std::vector<int>{7 * 3600, 8 * 3600, 9 * 3600}));
    EXPECT_TRUE(timetable.IsModified());

    // Items at the same second keep the order they were added in.
    const ScheduleItem sameA = ItemAt(100, "A");
    const ScheduleItem sameB = ItemAt(100, "B");
    timetable.AddItem(3, &sameA);
    timetable.AddItem(3, &sameB);
    EXPECT_EQ(timetable.GetItem(3, 0)->title, "A");
    EXPECT_EQ(timetable.GetItem(3, 1)->title, "B");
}

TEST(TimetableModel, FindNextIsTheFirstItemStrictlyLater) {
    CTimetable timetable;
    const ScheduleItem eight = ItemAt(8 * 3600, "早读");
    const ScheduleItem eightTwenty = ItemAt(8 * 3600 + 20 * 60, "第一节");
    timetable.AddItem(1, &eight);
    timetable.AddItem(1, &eightTwenty);

    ScheduleItem next;
    EXPECT_EQ(timetable.FindNext(1, 8 * 3600 - 1, &next), 0);
    EXPECT_EQ(next.title, "早读");
    EXPECT_EQ(timetable.FindNext(1, 8 * 3600, &next), 1);
    EXPECT_EQ(next.title, "第一节");
    EXPECT_EQ(timetable.FindNext(1, 8 * 3600 + 20 * 60, &next), -1);
    EXPECT_EQ(timetable.FindNext(1, 0, nullptr), 0);
    EXPECT_EQ(timetable.FindNext(0, 0, &next), -1);  // empty day
    EXPECT_EQ(timetable.FindNext(7, 0, &next), -1);
    EXPECT_EQ(timetable.FindNext(-1, 0, &next), -1);
}

TEST(TimetableModel, ModifyDeleteAndBounds) {
    CTimetable timetable;
    const ScheduleItem seven = ItemAt(7 * 3600);
    const ScheduleItem nine = ItemAt(9 * 3600);
    timetable.AddItem(2, &seven);
    timetable.AddItem(2, &nine);
    timetable.ClearModified();

    // Bad indexes change nothing, not even the modified flag.
    EXPECT_FALSE(timetable.ModifyItem(2, 2, seven));
    EXPECT_FALSE(timetable.ModifyItem(0, 0, seven));  // an empty day rejects every index
    EXPECT_FALSE(timetable.DeleteItem(2, -1));
    EXPECT_FALSE(timetable.DeleteItem(2, 2));
    EXPECT_FALSE(timetable.DeleteItem(9, 0));
    EXPECT_EQ(timetable.GetItem(2, 2), nullptr);
    EXPECT_EQ(timetable.GetItem(2, -1), nullptr);
    EXPECT_EQ(timetable.GetDay(7), nullptr);
    EXPECT_FALSE(timetable.IsModified());

    // Moving 07:00 to 10:00 leaves the day unsorted until SortAll.
    ASSERT_TRUE(timetable.ModifyItem(2, 0, ItemAt(10 * 3600)));
    EXPECT_EQ(Times(timetable, 2), (std::vector<int>{10 * 3600, 9 * 3600}));
    EXPECT_TRUE(timetable.IsModified());
    timetable.SortAll();
    EXPECT_EQ(Times(timetable, 2), (std::vector<int>{9 * 3600, 10 * 3600}));

    ASSERT_TRUE(timetable.DeleteItem(2, 0));
    EXPECT_EQ(Times(timetable, 2), (std::vector<int>{10 * 3600}));

    ScheduleItem copy;
    CTimetable::CopyItem(timetable.GetItem(2, 0), &copy);
    EXPECT_EQ(copy.time, 10 * 3600);
    CTimetable::CopyItem(nullptr, &copy);  // does nothing
    CTimetable::CopyItem(&copy, nullptr);
}

TEST(TimetableModel, DayOperationsAndClearAll) {
    CTimetable timetable;
    const ScheduleItem seven = ItemAt(7 * 3600);
    timetable.AddItem(3, &seven);
    timetable.ClearModified();

    EXPECT_FALSE(timetable.CopyDay(2, 2));
    EXPECT_FALSE(timetable.CopyDay(-1, 2));
    EXPECT_FALSE(timetable.CopyDay(2, 7));
    EXPECT_FALSE(timetable.IsModified());

    // Copying an empty Monday over Wednesday empties Wednesday.
    ASSERT_TRUE(timetable.CopyDay(1, 3));
    EXPECT_TRUE(timetable.GetDay(3)->empty());
    EXPECT_TRUE(timetable.IsModified());

    timetable.AddItem(4, &seven);
    ASSERT_TRUE(timetable.CopyDay(4, 5));
    EXPECT_EQ(Times(timetable, 5), Times(timetable, 4));

    // Clearing an empty day still counts as a change; a bad day is ignored.
    timetable.ClearModified();
    timetable.ClearDay(7);
    EXPECT_FALSE(timetable.IsModified());
    timetable.ClearDay(0);
    EXPECT_TRUE(timetable.IsModified());

    // ClearAll keeps the path and the modified flag; Reload needs a loaded timetable.
    TempDir dir;
    const std::string path = dir.File("a.zxb");
    WriteFile(path, kEmptyTimetable);
    ASSERT_TRUE(timetable.Load(path, true));
    timetable.SetTitle("x");
    timetable.ClearAll();
    EXPECT_EQ(timetable.GetPath(), path);
    EXPECT_TRUE(timetable.IsModified());
    EXPECT_FALSE(timetable.IsLoaded());
    EXPECT_TRUE(timetable.GetTitle().empty());
    EXPECT_FALSE(CTimetable().Reload());
}

TEST(TimetableFile, EmptyTimetableIsThirtySevenBytesBothWays) {
    TempDir dir;
    const std::string path = dir.File("empty.zxb");
    CTimetable timetable;
    ASSERT_TRUE(timetable.Save(path));
    EXPECT_EQ(ReadFile(path), kEmptyTimetable);

    CTimetable loaded;
    loaded.SetTitle("old");
    ASSERT_TRUE(loaded.Load(path, true));
    EXPECT_TRUE(loaded.IsLoaded());
    EXPECT_TRUE(loaded.GetTitle().empty());
    for (int day = 0; day < 7; ++day) {
        EXPECT_TRUE(loaded.GetDay(day)->empty());
    }
    EXPECT_EQ(loaded.GetPath(), path);
}

TEST(TimetableFile, ItemBlockIsFiftySixBytesInFileOrder) {
    ScheduleItem item;
    item.useDefaultVolume = 1;
    item.fullPlay = 0;
    item.limit = 5000;
    item.useDefaultParams = 1;
    item.runBefore = 0;
    item.time = 8 * 3600;
    item.kind = ListMusic;
    item.autoPlay = 0;
    item.volume = 80;

    CTimetable timetable;
    timetable.AddItem(1, &item);
    const std::string expected = FileWithMonday({8 * 3600});
    ASSERT_EQ(ItemBlock(8 * 3600).size(), 56u);
    EXPECT_EQ(timetable.Serialize(), expected);

    TempDir dir;
    WriteFile(dir.File("t.zxb"), expected);
    CTimetable loaded;
    ASSERT_TRUE(loaded.Load(dir.File("t.zxb"), true));
    ASSERT_NE(loaded.GetItem(1, 0), nullptr);
    EXPECT_EQ(*loaded.GetItem(1, 0), item);
}

TEST(TimetableFile, RoundTripKeepsEveryFieldAndSortsDays) {
    CTimetable timetable;
    timetable.SetTitle("实验中学作息表");
    for (int day = 0; day < 7; ++day) {
        ScheduleItem item;
        item.time = 86399 - day;
        item.autoPlay = 0;
        item.kind = day % 3;
        item.volume = -1;
        item.useDefaultVolume = 7;
        item.fullPlay = 0;
        item.limit = -2147483647 - 1;
        item.path = "音乐库\\上课铃 " + std::to_string(day) + ".mp3";
        item.title = "第" + std::to_string(day) + "节 \"上课\"";
        item.musicName = "*.MP3";
        item.runBefore = 1;
        item.useDefaultParams = 0;
        item.params = "--bell 'a b'";
        timetable.AddItem(day, &item);
    }
    TempDir dir;
    const std::string path = dir.File("round.zxb");
    ASSERT_TRUE(timetable.Save(path));
    CTimetable loaded;
    ASSERT_TRUE(loaded.Load(path, true));
    EXPECT_EQ(loaded.GetTitle(), timetable.GetTitle());
    for (int day = 0; day < 7; ++day) {
        EXPECT_EQ(*loaded.GetDay(day), *timetable.GetDay(day)) << "day " << day;
    }

    // Monday listing 09:00 before 07:30 loads with 07:30 first; a count of -1 is empty.
    std::string unsorted = FileWithMonday({9 * 3600, 7 * 3600 + 1800});
    unsorted.replace(9, 4, Int(-1));  // Sunday's count
    WriteFile(path, unsorted);
    ASSERT_TRUE(loaded.Load(path, false));
    EXPECT_EQ(Times(loaded, 1), (std::vector<int>{7 * 3600 + 1800, 9 * 3600}));
    EXPECT_TRUE(loaded.GetDay(0)->empty());
}

TEST(TimetableFile, LongTitlesAreCutSafely) {
    TempDir dir;
    const std::string path = dir.File("title.zxb");
    CTimetable timetable;
    timetable.SetTitle(std::string(259, 't'));
    ASSERT_TRUE(timetable.Save(path));
    EXPECT_EQ(ReadFile(path).substr(4, 4), Int(260));
    CTimetable loaded;
    ASSERT_TRUE(loaded.Load(path, true));
    EXPECT_EQ(loaded.GetTitle(), std::string(259, 't'));

    timetable.SetTitle(std::string(300, 't'));
    ASSERT_TRUE(timetable.Save(path));
    EXPECT_EQ(ReadFile(path).substr(4, 4), Int(260));
    ASSERT_TRUE(loaded.Load(path, true));
    EXPECT_EQ(loaded.GetTitle(), std::string(259, 't'));
}

TEST(TimetableFile, BadFilesLeaveTheTimetableAsItWas) {
    TempDir dir;
    RecordingReporter reporter;
    CTimetable timetable(&reporter);
    const ScheduleItem item = ItemAt(3600, "保留");
    timetable.AddItem(2, &item);
    const std::string good = dir.File("good.zxb");
    ASSERT_TRUE(timetable.Save(good));
    ASSERT_TRUE(timetable.Load(good, true));
    timetable.SetTitle("已修改");
    const CTimetable before = timetable;

    const auto expectUnchanged = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(timetable.GetTitle(), before.GetTitle());
        EXPECT_EQ(timetable.GetPath(), before.GetPath());
        EXPECT_EQ(timetable.IsLoaded(), before.IsLoaded());
        EXPECT_EQ(timetable.IsModified(), before.IsModified());
        EXPECT_EQ(*timetable.GetDay(2), *before.GetDay(2));
    };

    // A missing file: false, no message.
    EXPECT_FALSE(timetable.Load(dir.File("missing.zxb"), true));
    EXPECT_TRUE(reporter.messages.empty());
    expectUnchanged("missing");

    // Wrong magic, and a file shorter than the magic: "not a timetable file".
    for (const std::string& bytes : {Bytes({0x5A, 0x58, 0x43, 0x00}) + kEmptyTimetable.substr(4),
                                     Bytes({0x5A, 0x58}), std::string()}) {
        WriteFile(dir.File("bad.zxb"), bytes);
        reporter.messages.clear();
        EXPECT_FALSE(timetable.Load(dir.File("bad.zxb"), true));
        ASSERT_EQ(reporter.messages.size(), 1u);
        EXPECT_EQ(reporter.messages[0].text, texts::kNotTimetable);
        EXPECT_EQ(reporter.messages[0].caption, "错误");
        EXPECT_EQ(reporter.messages[0].owner, MessageOwner::MainWindow);
        expectUnchanged("wrong magic");
    }

    // A file that ends early, or holds a string count above 260: the read error, and the
    // timetable in memory stays exactly as it was.
    const std::string full = FileWithMonday({7 * 3600, 8 * 3600});
    std::string overlong = full;
    overlong.replace(4, 4, Int(261));
    for (const std::string& bytes :
         {full.substr(0, full.size() - 10), full.substr(0, 20), overlong}) {
        WriteFile(dir.File("short.zxb"), bytes);
        reporter.messages.clear();
        EXPECT_EQ(timetable.LoadFile(dir.File("short.zxb"), true), LoadStatus::ReadError);
        ASSERT_EQ(reporter.messages.size(), 1u);
        EXPECT_EQ(reporter.messages[0].text, texts::kTimetableReadError);
        EXPECT_EQ(reporter.messages[0].owner, MessageOwner::None);
        expectUnchanged("read error");
    }

    // A good file loaded without storing its path keeps the old path and modified flag.
    WriteFile(dir.File("other.zxb"), full);
    ASSERT_TRUE(timetable.Load(dir.File("other.zxb"), false));
    EXPECT_EQ(timetable.GetPath(), good);
    EXPECT_TRUE(timetable.IsModified());
    EXPECT_EQ(Times(timetable, 1), (std::vector<int>{7 * 3600, 8 * 3600}));

    // Reload reads the stored path again.
    ASSERT_TRUE(timetable.Reload());
    EXPECT_EQ(*timetable.GetDay(2), *before.GetDay(2));
    EXPECT_TRUE(timetable.GetDay(1)->empty());
}

TEST(TimetableFile, AFailedSaveKeepsTheOldFile) {
    TempDir dir;
    RecordingReporter reporter;
    const std::string path = dir.File("keep.zxb");
    WriteFile(path, kEmptyTimetable);

    CTimetable big(&reporter);
    for (int i = 0; i < 200; ++i) {
        const ScheduleItem item = ItemAt(i, std::string(200, 'x'));
        big.AddItem(i % 7, &item);
    }

    // The disk fills up while the file is written: writes beyond 1000 bytes fail.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = big.Save(path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, texts::kTimetableWriteError);
    EXPECT_EQ(reporter.messages[0].owner, MessageOwner::None);
    EXPECT_EQ(ReadFile(path), kEmptyTimetable);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              1);

    // A folder that does not exist: the file cannot be created.
    reporter.messages.clear();
    EXPECT_FALSE(big.Save(dir.File("no/such/folder.zxb")));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, texts::kTimetableCreateError);
    EXPECT_EQ(reporter.messages[0].owner, MessageOwner::MainWindow);

    // And a normal save replaces the file.
    ASSERT_TRUE(big.Save(path));
    CTimetable loaded;
    ASSERT_TRUE(loaded.Load(path, true));
    EXPECT_EQ(loaded.GetDay(3)->size(), big.GetDay(3)->size());
}
