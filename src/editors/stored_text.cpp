#include "editors/stored_text.h"

#include "schedule/text_codec.h"

namespace editors {

bool FitsStoredText(const std::string& utf8) {
    return schedule::EncodeFileText(utf8).size() <= kStoredTextMaxBytes;
}

std::string StoredTextTooLong(const std::string& what) {
    return what + "太长了:最多只能保存" + std::to_string(kStoredTextMaxBytes) +
           "个字节(一个汉字占2个字节)。";
}

}  // namespace editors
