#include "schedule/store_file.h"

#include <filesystem>
#include <system_error>

namespace schedule {

LoadStatus ReadStoreHeader(CBinaryReader& reader, std::string_view magic, std::int32_t& count) {
    if (reader.Remaining() < 8) {
        return LoadStatus::WrongFormat;
    }
    std::int32_t magicValue = 0;
    reader.ReadInt(magicValue);
    reader.ReadInt(count);
    CBinaryReader expected(magic);
    std::int32_t expectedValue = 0;
    expected.ReadInt(expectedValue);
    if (magicValue != expectedValue && count <= 0) {
        return LoadStatus::WrongFormat;
    }
    return LoadStatus::Ok;
}

std::string DamagedCopyName(const std::string& path) {
    return FreshCopyName(path, ".damaged");
}

std::string FreshCopyName(const std::string& path, const std::string& suffix) {
    const std::string base = path + suffix;
    std::string name = base;
    // A folder that cannot be looked into ends the search; the copy then fails to be
    // written and nothing is saved over an earlier copy.
    std::error_code error;
    for (int n = 1; std::filesystem::exists(name, error) && !error; ++n) {
        name = base + "." + std::to_string(n);
    }
    return name;
}

bool SaveStoreFile(const std::string& path, const std::string& bytes, IMessageReporter* reporter,
                   const char* writeErrorText, std::string& damagedPath) {
    if (!damagedPath.empty() && damagedPath == path) {
        // The records that could not be read exist only in the damaged file now.
        if (const std::optional<std::string> damaged = ReadWholeFile(path)) {
            if (WriteFileAtomically(DamagedCopyName(path), *damaged) != WriteResult::Ok) {
                if (reporter != nullptr) {
                    reporter->ShowError(writeErrorText, kErrorCaption, MessageOwner::None);
                }
                return false;
            }
        }
    }
    const WriteResult result = WriteFileAtomically(path, bytes);
    if (result != WriteResult::Ok && reporter != nullptr) {
        reporter->ShowError(writeErrorText, kErrorCaption, MessageOwner::None);
    }
    if (result == WriteResult::Ok && damagedPath == path) {
        damagedPath.clear();
    }
    return result == WriteResult::Ok;
}

}  // namespace schedule
