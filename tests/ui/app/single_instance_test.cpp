// One running copy per user: a second copy finds the first and asks it to show itself;
// a socket left behind by a crashed copy does not block a new start; a later copy's
// request (an emergency broadcast) is answered, and only a peer of the same user counts.

#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTest>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>

namespace {

namespace fs = std::filesystem;

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qelt-runtime-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_Dir = pattern;
        fs::permissions(m_Dir, fs::perms::owner_all, fs::perm_options::replace);
        setenv("XDG_RUNTIME_DIR", m_Dir.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(m_Dir); }

    std::string m_Dir;
};

TEST_F(SingleInstanceTest, SecondCopyAsksTheFirstToShowItself) {
    platform::SingleInstance first(QStringLiteral("VarnelTest"));
    int activations = 0;
    QObject::connect(&first, &platform::SingleInstance::activationRequested,
                     [&activations] { ++activations; });
    ASSERT_EQ(first.ClaimInstance(), platform::SingleInstance::Claim::Running);

    platform::SingleInstance second(QStringLiteral("VarnelTest"));
    EXPECT_EQ(second.ClaimInstance(), platform::SingleInstance::Claim::OtherCopyRunning);
    EXPECT_TRUE(QTest::qWaitFor([&activations] { return activations == 1; }, 3000));
}

TEST_F(SingleInstanceTest, LeftoverSocketOfACrashedCopyIsReplaced) {
    {
        platform::SingleInstance probe(QStringLiteral("VarnelTest"));
        std::ofstream(probe.SocketPath().toStdString()) << "stale";
    }
    platform::SingleInstance next(QStringLiteral("VarnelTest"));
    EXPECT_EQ(next.ClaimInstance(), platform::SingleInstance::Claim::Running);
}

TEST_F(SingleInstanceTest, RequestsAreAnsweredAndOnlyPeersOfThisUserCount) {
    using Result = platform::SingleInstance::RequestResult;
    constexpr int kTimeoutMs = 3000;
    const auto send = [](const QString& command, const QString& argument) {
        // The running copy answers from its event loop, so the request comes from a thread.
        auto answer = std::async(std::launch::async, [command, argument] {
            return platform::SingleInstance::SendRequest(QStringLiteral("VarnelTest"), command,
                                                         argument, kTimeoutMs);
        });
        EXPECT_TRUE(QTest::qWaitFor(
            [&answer] {
                return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
            },
            kTimeoutMs * 2));
        return answer.get();
    };
    EXPECT_EQ(send(QStringLiteral("emergency"), QString()), Result::NoCopy);

    platform::SingleInstance running(QStringLiteral("VarnelTest"));
    ASSERT_EQ(running.ClaimInstance(), platform::SingleInstance::Claim::Running);
    std::vector<QString> asked;
    running.SetRequestHandler([&asked](const QString& command, const QString& argument) {
        asked.push_back(command + QLatin1Char('|') + argument);
        return argument != QStringLiteral("坏.wav");
    });
    EXPECT_EQ(send(QStringLiteral("emergency"), QStringLiteral("/学校/警报 1.wav")), Result::Taken);
    EXPECT_EQ(send(QStringLiteral("emergency"), QStringLiteral("坏.wav")), Result::Refused);
    EXPECT_EQ(send(QStringLiteral("emergency-end"), QString()), Result::Taken);
    EXPECT_EQ(asked, (std::vector<QString>{QStringLiteral("emergency|/学校/警报 1.wav"),
                                           QStringLiteral("emergency|坏.wav"),
                                           QStringLiteral("emergency-end|")}));

    // The peer's user as the kernel tells it, for this user and for another.
    int pair[2] = {-1, -1};
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EXPECT_TRUE(platform::SingleInstance::PeerIsUser(pair[0], ::geteuid()));
    EXPECT_FALSE(platform::SingleInstance::PeerIsUser(pair[0], ::geteuid() + 1));
    EXPECT_FALSE(platform::SingleInstance::PeerIsUser(-1, ::geteuid()));
    ::close(pair[0]);
    ::close(pair[1]);
    if (::geteuid() != 0) {
        return;
    }
    // Run as root, a process of another user really connects: it is not this user.
    constexpr uid_t kNobody = 65534;
    const std::string path = m_Dir + "/open.sock";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(m_Dir.c_str(), 0755), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const int peer = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool ok = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 &&
                        ::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        _exit(ok ? 0 : 1);
    }
    // The connection waits in the queue after the child has gone; its user is kept.
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const int accepted = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
    ASSERT_GE(accepted, 0);
    EXPECT_FALSE(platform::SingleInstance::PeerIsUser(accepted, ::geteuid()));
    EXPECT_TRUE(platform::SingleInstance::PeerIsUser(accepted, kNobody));
    ::close(accepted);
    ::close(listener);
}

}  // namespace

namespace {

TEST_F(SingleInstanceTest, CopiesUnderRelatedNamesAreFoundAndOnlyLiveOnesAnswer) {
    // Two copies without a display for two program folders run side by side.
    auto zoneA = std::make_unique<platform::SingleInstance>(QStringLiteral("VarnelTest-a"));
    platform::SingleInstance zoneB(QStringLiteral("VarnelTest-b"));
    ASSERT_EQ(zoneA->ClaimInstance(), platform::SingleInstance::Claim::Running);
    ASSERT_EQ(zoneB.ClaimInstance(), platform::SingleInstance::Claim::Running);
    platform::SingleInstance windowed(QStringLiteral("VarnelTest"));
    ASSERT_EQ(windowed.ClaimInstance(), platform::SingleInstance::Claim::Running);
    QStringList names = platform::SingleInstance::RunningNames(QStringLiteral("VarnelTest-"));
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("VarnelTest-a"), QStringLiteral("VarnelTest-b")}));
    EXPECT_TRUE(platform::SingleInstance::Answers(QStringLiteral("VarnelTest-a")));
    EXPECT_TRUE(platform::SingleInstance::Answers(QStringLiteral("VarnelTest")));

    // One that ended answers no more; a name nobody took never did.
    zoneA.reset();
    EXPECT_FALSE(platform::SingleInstance::Answers(QStringLiteral("VarnelTest-a")));
    EXPECT_FALSE(platform::SingleInstance::Answers(QStringLiteral("VarnelTest-c")));
    EXPECT_EQ(platform::SingleInstance::RunningNames(QStringLiteral("VarnelTest-")),
              QStringList{QStringLiteral("VarnelTest-b")});
}

}  // namespace
