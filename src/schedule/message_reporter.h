#pragma once
// How the data classes tell the user about a file they could not read or write.
// The windows show a message box; tests record the texts.

#include <string>

namespace schedule {

// Whether the message box belongs to the main window or stands on its own.
enum class MessageOwner { MainWindow, None };

class IMessageReporter {
public:
    virtual ~IMessageReporter() = default;
    // An error message with the error icon and an OK button.
    virtual void ShowError(const std::string& text, const std::string& caption,
                           MessageOwner owner) = 0;
};

// The caption of every error message.
inline constexpr const char* kErrorCaption = "错误";

}  // namespace schedule
