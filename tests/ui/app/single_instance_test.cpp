// One running copy per user: a second copy finds the first and asks it to show itself;
// a socket left behind by a crashed copy does not block a new start.

#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QTest>
#include <filesystem>
#include <fstream>

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

}  // namespace
