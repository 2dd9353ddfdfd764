#pragma once
// The core keeps its texts as UTF-8 std::string; Qt wants QString. One spelling each way.

#include <QString>
#include <string>

namespace platform {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string S(const QString& text) {
    return text.toStdString();
}

}  // namespace platform
