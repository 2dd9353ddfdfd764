// Files and folders that another user may have planted or opened up: plug-ins, the bell
// log, a saved file behind a symbolic link, and the single-instance socket.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "engine/event_log.h"
#include "engine/plugin_host.h"
#include "platform/single_instance.h"
#include "platform/virtual_clock.h"
#include "schedule/atomic_file.h"

namespace {

namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 65534;  // nobody
constexpr gid_t kOtherGroup = 100;   // users

std::string MakeTempDir() {
    std::string pattern = (fs::temp_directory_path() / "qelt-hostile-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern + "/";
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HostileNeighbours : public ::testing::Test {
protected:
    void SetUp() override {
        m_Dir = MakeTempDir();
        ASSERT_FALSE(m_Dir.empty());
    }
    void TearDown() override { fs::remove_all(m_Dir); }
    std::string m_Dir;
};

}  // namespace

TEST_F(HostileNeighbours, PluginsLoadOnlyFromFilesNobodyElseCouldHavePlanted) {
    const char* samples = std::getenv("QELT_PLUGIN_DIR");
    ASSERT_NE(samples, nullptr) << "QELT_PLUGIN_DIR names the built sample plug-ins";
    const std::string sample = std::string(samples) + "/sample_plugin.so";
    const auto install = [&](const std::string& name, fs::perms perms) {
        fs::copy_file(sample, m_Dir + name, fs::copy_options::overwrite_existing);
        fs::permissions(m_Dir + name, perms, fs::perm_options::replace);
    };
    const fs::perms ownerOnly = fs::perms::owner_read | fs::perms::owner_write;
    install("a_good.so", ownerOnly | fs::perms::group_read | fs::perms::others_read);
    install(".b_hidden.so", ownerOnly);
    install("c_group_writable.so", ownerOnly | fs::perms::group_write);
    install("d_world_writable.so", ownerOnly | fs::perms::others_write);
    fs::create_directory(m_Dir + "elsewhere");
    install("elsewhere/real.so", ownerOnly);
    fs::create_symlink(m_Dir + "elsewhere/real.so", m_Dir + "e_link.so");
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        install("f_foreign.so", ownerOnly);
        ASSERT_EQ(::chown((m_Dir + "f_foreign.so").c_str(), kOtherUser, kOtherGroup), 0);
    }

    std::map<std::string, std::string> refused;
    engine::CPluginHost host(m_Dir);
    host.SetRefusalHandler([&](const engine::PluginRefusal& refusal) {
        refused[fs::path(refusal.path).filename().string()] = refusal.reason;
    });
    EXPECT_EQ(host.LoadPlugins(), 1);
    EXPECT_EQ(host.Slots()[0].path, m_Dir + "a_good.so");
    EXPECT_EQ(host.Slots()[1].present, 0);
    EXPECT_EQ(refused.size(), asRoot ? 5U : 4U);
    EXPECT_EQ(refused[".b_hidden.so"], "以“.”开头的隐藏文件");
    EXPECT_EQ(refused["c_group_writable.so"], "可被其他用户或组写入");
    EXPECT_EQ(refused["d_world_writable.so"], "可被其他用户或组写入");
    EXPECT_EQ(refused["e_link.so"], "是符号链接");
    if (asRoot) {
        EXPECT_EQ(refused["f_foreign.so"], "不属于当前用户或 root");
    }
    EXPECT_EQ(host.Refusals().size(), refused.size());

    // A folder everyone may write: nothing in it is loaded, each file says why.
    const std::string open = MakeTempDir();
    fs::copy_file(sample, open + "good.so");
    fs::permissions(open, fs::perms::all, fs::perm_options::replace);
    engine::CPluginHost openHost(open);
    EXPECT_EQ(openHost.LoadPlugins(), 0);
    ASSERT_EQ(openHost.Refusals().size(), 1U);
    EXPECT_EQ(openHost.Refusals()[0].reason, "所在文件夹可被其他用户写入");
    fs::remove_all(open);
}

TEST_F(HostileNeighbours, BellLogNeitherFollowsLinksNorCarriesControlCharacters) {
    platform::VirtualClock clock({2026, 9, 1, 8, 0, 0, 0});

    // A link planted where the log goes: the file it names is not written to.
    const std::string victim = m_Dir + "victim.txt";
    std::ofstream(victim) << "keep\n";
    fs::create_symlink(victim, m_Dir + "QELT.log");
    {
        engine::CEventLog log(clock, m_Dir + "QELT.log");
        log.Write("start", "planted");
    }
    EXPECT_EQ(ReadText(victim), "keep\n");
    // The events log the user names may well be a link (/dev/stdout is one): followed.
    fs::create_symlink(victim, m_Dir + "events.log");
    {
        engine::CEventLog log(clock, m_Dir + "events.log", 0, 0,
                              engine::CEventLog::Target::AnyPath);
        log.Write("start", "named");
    }
    EXPECT_EQ(ReadText(victim), "keep\n2026-09-01 08:00:00 start named\n");
    std::ofstream(victim, std::ios::trunc) << "keep\n";

    // Rotation never writes through a link planted at an old file's name either.
    fs::remove(m_Dir + "QELT.log");
    fs::create_symlink(victim, m_Dir + "QELT.log.1");
    {
        engine::CEventLog log(clock, m_Dir + "QELT.log", 10, 2);
        log.Write("start", "first line, longer than ten bytes");
        log.Write("start", "second");
    }
    EXPECT_EQ(ReadText(victim), "keep\n");
    EXPECT_TRUE(fs::is_symlink(m_Dir + "QELT.log.2"));  // moved as a link, not followed
    EXPECT_EQ(ReadText(m_Dir + "QELT.log"), "2026-09-01 08:00:00 start second\n");

    // A title cannot command a terminal nor pose as a second line.
    const std::string title =
        "上课\x1b[2J\v\f\x7f\xc2\x9b\xe2\x80\xa8\xe2\x80\xa9\t\r\n\xff"
        "end";
    EXPECT_EQ(engine::CEventLog::FormatLine(clock.Now(), "item\x1b", title),
              "2026-09-01 08:00:00 item\xef\xbf\xbd 上课\xef\xbf\xbd[2J\xef\xbf\xbd\xef\xbf\xbd"
              "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd   \xef\xbf\xbd"
              "end\n");
}

TEST_F(HostileNeighbours, SavingThroughALinkReplacesTheTargetAndKeepsItsModeAndGroup) {
    fs::create_directory(m_Dir + "shared");
    fs::create_directory(m_Dir + "作息表");
    const std::string real = m_Dir + "shared/real.zxb";
    std::ofstream(real) << "old";
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        ASSERT_EQ(::chown(real.c_str(), static_cast<uid_t>(-1), kOtherGroup), 0);
    }
    const std::string link = m_Dir + "作息表/t.zxb";
    fs::create_symlink("../shared/real.zxb", link);

    ASSERT_EQ(schedule::WriteFileAtomically(link, "new"), schedule::WriteResult::Ok);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "../shared/real.zxb");
    EXPECT_EQ(ReadText(real), "new");
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640U);
    if (asRoot) {
        EXPECT_EQ(info.st_gid, kOtherGroup);
    }
    EXPECT_EQ(fs::directory_iterator(m_Dir + "作息表")->path(), link);  // no file left beside

    // A link to a file not made yet makes it where the link points; a loop fails cleanly.
    fs::create_symlink("../shared/later.zxb", m_Dir + "作息表/later.zxb");
    ASSERT_EQ(schedule::WriteFileAtomically(m_Dir + "作息表/later.zxb", "made"),
              schedule::WriteResult::Ok);
    EXPECT_EQ(ReadText(m_Dir + "shared/later.zxb"), "made");
    fs::create_symlink("loop.zxb", m_Dir + "作息表/loop.zxb");
    EXPECT_NE(schedule::WriteFileAtomically(m_Dir + "作息表/loop.zxb", "x"),
              schedule::WriteResult::Ok);
}

TEST_F(HostileNeighbours, SingleInstanceUsesOnlyAFolderOfItsOwnAndTrustsOnlyItsUser) {
    int argc = 1;
    char name[] = "ownership_and_links_test";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv);
    using Claim = platform::SingleInstance::Claim;
    const std::string tmp = m_Dir + "tmp";
    fs::create_directory(tmp);
    fs::permissions(tmp, fs::perms::all | fs::perms::sticky_bit, fs::perm_options::replace);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    const std::string own = tmp + "/qelt-" + std::to_string(::geteuid());

    // A runtime folder others may enter is not used: the copy makes a folder of its own.
    const std::string runtime = m_Dir + "runtime";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::all, fs::perm_options::replace);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    {
        platform::SingleInstance first(QStringLiteral("VarnelHostile"));
        EXPECT_EQ(first.SocketPath().toStdString().rfind(own + "/", 0), 0U);
        EXPECT_EQ(first.ClaimInstance(), Claim::Running);
        EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_all);
        platform::SingleInstance second(QStringLiteral("VarnelHostile"));
        EXPECT_EQ(second.ClaimInstance(), Claim::OtherCopyRunning);
    }

    // Without a runtime folder, a folder someone else opened up in its place is not used.
    ::unsetenv("XDG_RUNTIME_DIR");
    fs::permissions(own, fs::perms::all, fs::perm_options::replace);
    {
        platform::SingleInstance copy(QStringLiteral("VarnelHostile"));
        EXPECT_TRUE(copy.SocketPath().isEmpty());
        EXPECT_EQ(copy.ClaimInstance(), Claim::Unguarded);
    }
    fs::remove_all(own);
    fs::create_symlink(tmp, own);  // nor a link
    EXPECT_EQ(platform::SingleInstance(QStringLiteral("VarnelHostile")).ClaimInstance(),
              Claim::Unguarded);
    fs::remove(own);

    // Another user listening at the socket is not taken for a running copy.
    if (::geteuid() != 0) {
        GTEST_SKIP() << "another user's listener needs root to set up";
    }
    platform::SingleInstance probe(QStringLiteral("VarnelHostile"));
    const std::string socketPath = probe.SocketPath().toStdString();
    ASSERT_FALSE(socketPath.empty());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Bound by root inside the private folder, listening as another user.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
        const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                        ::setgid(kOtherGroup) == 0 && ::setuid(kOtherUser) == 0 &&
                        ::listen(fd, 4) == 0;
        const char done = ok ? '1' : '0';
        [[maybe_unused]] const ssize_t written = ::write(ready[1], &done, 1);
        ::pause();
        ::_exit(0);
    }
    char done = 0;
    ASSERT_EQ(::read(ready[0], &done, 1), 1);
    EXPECT_EQ(done, '1');
    EXPECT_EQ(probe.ClaimInstance(), Claim::Unguarded);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
}
