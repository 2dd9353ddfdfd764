#pragma once
// Helpers shared by the schedule tests: a temporary folder, byte literals and a
// reporter that records every message.

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "schedule/message_reporter.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

std::string Bytes(std::initializer_list<int> bytes);
void WriteFile(const std::string& path, const std::string& data);
std::string ReadFile(const std::string& path);

struct RecordedMessage {
    std::string text;
    std::string caption;
    schedule::MessageOwner owner;
};

class RecordingReporter : public schedule::IMessageReporter {
public:
    void ShowError(const std::string& text, const std::string& caption,
                   schedule::MessageOwner owner) override {
        messages.push_back({text, caption, owner});
    }
    std::vector<RecordedMessage> messages;
};

}  // namespace testing_support
