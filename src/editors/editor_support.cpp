#include "editors/editor_support.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
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

StoreListControls BuildStoreList(QWidget* parent, const StoreListTexts& texts) {
    StoreListControls c;
    auto* listLabel = new QLabel(QString::fromUtf8(texts.listLabel), parent);
    c.list = new QListWidget(parent);
    c.list->setObjectName(QString::fromUtf8(texts.listName));
    listLabel->setBuddy(c.list);
    c.up = new QPushButton(QStringLiteral("上移(&U)"), parent);
    c.up->setObjectName(QString::fromUtf8(texts.upName));
    c.remove = new QPushButton(QStringLiteral("删除(&E)"), parent);
    c.remove->setObjectName(QString::fromUtf8(texts.deleteName));
    c.down = new QPushButton(QStringLiteral("下移(&D)"), parent);
    c.down->setObjectName(QString::fromUtf8(texts.downName));
    auto* listButtons = new QHBoxLayout;
    for (QPushButton* button : {c.up, c.remove, c.down}) {
        button->setAutoDefault(false);
        listButtons->addWidget(button);
    }

    auto* nameGroup = new QGroupBox(QString::fromUtf8(texts.nameTitle), parent);
    auto* nameLabel = new QLabel(QString::fromUtf8(texts.nameLabel), nameGroup);
    c.name = new QLineEdit(nameGroup);
    c.name->setObjectName(QStringLiteral("nameEdit"));
    nameLabel->setBuddy(c.name);
    c.add = new QPushButton(QStringLiteral("新增(&A)"), nameGroup);
    c.add->setObjectName(QStringLiteral("newButton"));
    c.add->setAutoDefault(false);
    auto* nameLayout = new QHBoxLayout(nameGroup);
    nameLayout->addWidget(nameLabel);
    nameLayout->addWidget(c.name, 1);
    nameLayout->addWidget(c.add);

    c.column = new QVBoxLayout;
    c.column->addWidget(listLabel);
    c.column->addWidget(c.list, 1);
    c.column->addLayout(listButtons);
    c.column->addWidget(nameGroup);
    return c;
}

void FillNames(QListWidget* list, const std::vector<std::string>& names) {
    list->clear();
    for (const std::string& name : names) {
        list->addItem(Q(name));
    }
}

int SelectedListRow(const QListWidget* list) {
    const int row = list->currentRow();
    return row >= 0 && list->item(row)->isSelected() ? row : -1;
}

}  // namespace editors
