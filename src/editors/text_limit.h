#pragma once
// Texts the editors store in the settings and timetable files have a byte limit once
// encoded; a longer text is refused in the editor instead of being cut on save.

#include <QString>
#include <cstddef>
#include <string>

class QLineEdit;

namespace platform {
class Dialogs;
}

namespace editors {

// The longest text a file string or a settings value holds, in encoded bytes.
inline constexpr std::size_t kFileTextMaxBytes = 259;
// The longest preset title the settings file gives back, in encoded bytes.
inline constexpr std::size_t kPresetTitleMaxBytes = 199;

// Whether text takes at most maxBytes bytes in the files' encoding.
bool TextFits(const QString& text, std::size_t maxBytes);
bool TextFits(const std::string& utf8, std::size_t maxBytes);

// Says that the text named what is too long for the files.
void ShowTooLong(platform::Dialogs& dialogs, const QString& what, std::size_t maxBytes);

// True when the field's text fits; otherwise says that the text named what is too long,
// selects the field's text and gives it the focus.
bool CheckFieldFits(platform::Dialogs& dialogs, QLineEdit* field, const QString& what,
                    std::size_t maxBytes);

}  // namespace editors
