#pragma once
// Helpers the store editors share: text conversions, the stored milliseconds, a guard
// for the values a dialog puts into its own controls, and the messages, music-file
// choice and store folder they all need.

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/qt_text.h"

namespace editors {

inline constexpr int kMsPerSecond = 1000;
inline constexpr int kFullVolume = 100;

using platform::Q;
using platform::S;

// Seconds typed by the user as the stored milliseconds, kept inside 32 bits.
std::int32_t SecondsToMs(int seconds);

// Shows text as an error with the editors' "错误" caption.
void ShowError(platform::Dialogs& dialogs, const std::string& text);
// Asks a yes/no question; true on Yes.
bool Ask(platform::Dialogs& dialogs, const char* text, const char* caption);

// The file dialog that picks music, starting in the music folder under appDir.
platform::FileDialogRequest MusicFileRequest(const std::string& appDir);

// Makes the folder a store file goes into, should it have gone since start-up; false
// when it still is not a folder, so the file cannot be written.
bool MakeStoreFolder(const std::string& file);

// Marks a dialog as putting values into its controls for the life of the object, so
// that their change notices are not taken for the user's edits.
class UpdateGuard {
public:
    explicit UpdateGuard(bool& flag) : m_Flag(flag), m_bOld(flag) { m_Flag = true; }
    ~UpdateGuard() { m_Flag = m_bOld; }
    UpdateGuard(const UpdateGuard&) = delete;
    UpdateGuard& operator=(const UpdateGuard&) = delete;

private:
    bool& m_Flag;
    bool m_bOld;
};

}  // namespace editors
