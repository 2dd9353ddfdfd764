#include "player/audio_output.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets QELT_AUDIO_SINK for one scope and puts the old value back.
class SinkVariable {
public:
    explicit SinkVariable(const char* value) {
        if (const char* old = std::getenv(kName)) {
            m_old = old;
        }
        ::setenv(kName, value, 1);
    }
    ~SinkVariable() {
        if (m_old) {
            ::setenv(kName, m_old->c_str(), 1);
        } else {
            ::unsetenv(kName);
        }
    }
    SinkVariable(const SinkVariable&) = delete;
    SinkVariable& operator=(const SinkVariable&) = delete;

private:
    static constexpr const char* kName = "QELT_AUDIO_SINK";
    std::optional<std::string> m_old;
};

TEST(AudioOutputTest, AConfiguredSinkCountsWhenItMakesAnElement) {
    {
        SinkVariable sink("fakesink sync=true");
        EXPECT_TRUE(player::AudioOutputAvailable());
    }
    {
        SinkVariable sink("qeltnosuchsinkelement");
        EXPECT_FALSE(player::AudioOutputAvailable());
    }
    {
        SinkVariable sink("fakesink ! ! broken");
        EXPECT_FALSE(player::AudioOutputAvailable());
    }
}

}  // namespace
