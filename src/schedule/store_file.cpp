#include "schedule/store_file.h"

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

bool SaveStoreFile(const std::string& path, const std::string& bytes, IMessageReporter* reporter,
                   const char* writeErrorText) {
    const WriteResult result = WriteFileAtomically(path, bytes);
    if (result == WriteResult::WriteFailed && reporter != nullptr) {
        reporter->ShowError(writeErrorText, kErrorCaption, MessageOwner::None);
    }
    return result == WriteResult::Ok;
}

}  // namespace schedule
