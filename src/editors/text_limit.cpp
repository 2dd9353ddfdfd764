#include "editors/text_limit.h"

#include <QLineEdit>

#include "platform/dialogs.h"
#include "schedule/text_codec.h"

namespace editors {

namespace {
constexpr const char* kTooLongText = "%1太长了：最多只能保存%2个字节（一个汉字占2个字节）。";
constexpr const char* kErrorCaption = "错误";
}  // namespace

bool TextFits(const QString& text, std::size_t maxBytes) {
    return TextFits(text.toStdString(), maxBytes);
}

bool TextFits(const std::string& utf8, std::size_t maxBytes) {
    return schedule::EncodeFileText(utf8).size() <= maxBytes;
}

void ShowTooLong(platform::Dialogs& dialogs, const QString& what, std::size_t maxBytes) {
    const QString text = QString::fromUtf8(kTooLongText).arg(what).arg(maxBytes);
    dialogs.Message(text.toStdString(), kErrorCaption, platform::MessageIcon::Error,
                    platform::MessageButtons::Ok);
}

bool CheckFieldFits(platform::Dialogs& dialogs, QLineEdit* field, const QString& what,
                    std::size_t maxBytes) {
    if (TextFits(field->text(), maxBytes)) {
        return true;
    }
    ShowTooLong(dialogs, what, maxBytes);
    field->setFocus();
    field->selectAll();
    return false;
}

}  // namespace editors
