#pragma once
// The message boxes and the file and colour dialogs the windows show, behind one
// interface so that tests answer them from a script and see every text and caption.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct FileDialogRequest {
    std::string title;
    // The folder the dialog starts in.
    std::string folder;
    // The filter in its "描述|*.a;*.b|所有文件 (*.*)|*.*||" form; patterns match without
    // regard to letter case.
    std::string filter;
    bool multiple = false;
    bool save = false;
    // The file name proposed (selected when it exists in the folder), and a save
    // dialog's extension added when none is typed.
    std::string fileName;
    std::string defaultExtension;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MessageAnswer Message(const std::string& text, const std::string& caption,
                                  MessageIcon icon, MessageButtons buttons) = 0;
    // The chosen files with full paths; empty when the user cancelled.
    virtual std::vector<std::string> ChooseFiles(const FileDialogRequest& request) = 0;
    // The chosen colour as a platform colour word (red in the low byte), or none.
    virtual std::optional<std::uint32_t> ChooseColour(std::uint32_t initial) = 0;
};

}  // namespace platform
