#include "engine/engine_texts.h"

#include <cstring>

namespace engine::texts {

std::string FormatText(const char* format, std::initializer_list<std::string> values) {
    std::string text;
    auto value = values.begin();
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd') && value != values.end()) {
            text += *value++;
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

}  // namespace engine::texts
