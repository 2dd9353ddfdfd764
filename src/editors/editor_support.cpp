#include "editors/editor_support.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>

#include "player/player_dlg.h"
#include "schedule/app_paths.h"

namespace editors {

namespace {

using schedule::kMusicFolder;
constexpr const char* kErrorCaption = "错误";
}  // namespace

std::int32_t SecondsToMs(int seconds) {
    const std::int64_t ms = static_cast<std::int64_t>(seconds) * kMsPerSecond;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, INT_MIN, INT_MAX));
}

void ShowError(platform::Dialogs& dialogs, const std::string& text) {
    dialogs.Message(text, kErrorCaption, platform::MessageIcon::Error,
                    platform::MessageButtons::Ok);
}

bool Ask(platform::Dialogs& dialogs, const char* text, const char* caption) {
    return dialogs.Message(text, caption, platform::MessageIcon::Question,
                           platform::MessageButtons::YesNo) == platform::MessageAnswer::Yes;
}

platform::FileDialogRequest MusicFileRequest(const std::string& appDir) {
    platform::FileDialogRequest request;
    request.title = player::CPlayerDlg::kOpenTitle;
    request.folder = appDir + kMusicFolder;
    request.filter = player::CPlayerDlg::kMusicFilter;
    return request;
}

bool MakeStoreFolder(const std::string& file) {
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

}  // namespace editors
