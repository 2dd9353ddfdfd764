// Feeds arbitrary bytes to the INI reader and writer. A value written must read back,
// and a write must keep the other keys' values.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "schedule/profile_file.h"

using namespace schedule;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> before = CProfileFile::FindValue(bytes, "设置", "学校名称");
    const std::optional<std::string> other = CProfileFile::FindValue(bytes, "扩展运行", "程序1");
    if (before) {
        CProfileFile::ParseLeadingInt(*before);
    }

    const std::string written = CProfileFile::SetValue(bytes, "设置", "学校名称", "实验中学 1");
    const std::optional<std::string> after = CProfileFile::FindValue(written, "设置", "学校名称");
    if (!after || *after != CProfileFile::FindValue(
                                CProfileFile::SetValue("", "设置", "学校名称", "实验中学 1"),
                                "设置", "学校名称")) {
        std::abort();  // the value just written does not read back
    }
    if (CProfileFile::FindValue(written, "扩展运行", "程序1") != other) {
        std::abort();  // writing one key changed another section's key
    }
    return 0;
}
