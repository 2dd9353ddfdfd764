#pragma once
// Answers the windows' message boxes and file and colour dialogs from a script, and
// records every message's text and caption.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace ui_test {

struct ShownMessage {
    std::string text;
    std::string caption;
    platform::MessageIcon icon;
    platform::MessageButtons buttons;
};

class ScriptedDialogs : public platform::Dialogs {
public:
    platform::MessageAnswer Message(const std::string& text, const std::string& caption,
                                    platform::MessageIcon icon,
                                    platform::MessageButtons buttons) override {
        messages.push_back({text, caption, icon, buttons});
        if (whileAsking) {
            whileAsking(messages.back());
        }
        if (buttons == platform::MessageButtons::Ok) {
            return platform::MessageAnswer::Ok;
        }
        if (answers.empty()) {
            return platform::MessageAnswer::No;
        }
        const platform::MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<std::string> ChooseFiles(const platform::FileDialogRequest& request) override {
        fileRequests.push_back(request);
        if (files.empty()) {
            return {};
        }
        std::vector<std::string> chosen = files.front();
        files.pop_front();
        return chosen;
    }
    std::optional<std::uint32_t> ChooseColour(std::uint32_t initial) override {
        colourRequests.push_back(initial);
        if (colours.empty()) {
            return std::nullopt;
        }
        const std::optional<std::uint32_t> chosen = colours.front();
        colours.pop_front();
        return chosen;
    }

    // Runs while a message is open, as a tick or a bell would in the event loop.
    std::function<void(const ShownMessage&)> whileAsking;
    // Answers to Yes/No questions in turn; No once they run out.
    std::deque<platform::MessageAnswer> answers;
    // What the file dialogs return in turn; a cancel once they run out.
    std::deque<std::vector<std::string>> files;
    std::deque<std::optional<std::uint32_t>> colours;

    std::vector<ShownMessage> messages;
    std::vector<platform::FileDialogRequest> fileRequests;
    std::vector<std::uint32_t> colourRequests;
};

}  // namespace ui_test
