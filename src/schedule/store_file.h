#pragma once
// What the common-track and playlist store files have in common: a four-byte magic, a
// count of blocks, and the same rules for reading and replacing the file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/atomic_file.h"
#include "schedule/binary_io.h"
#include "schedule/message_reporter.h"

namespace schedule {

// Reads the eight-byte header. A file is a store when its magic is right or, whatever
// its magic, its count is positive; a file shorter than the header is not one.
LoadStatus ReadStoreHeader(CBinaryReader& reader, std::string_view magic, std::int32_t& count);

// Reads the store file at path into records, which change only when the whole file
// was read; a read error is reported with readErrorText.
template <typename Record, typename Parse>
LoadStatus LoadStoreFile(const std::string& path, Parse parse, std::vector<Record>& records,
                         IMessageReporter* reporter, const char* readErrorText) {
    const std::optional<std::string> data = ReadWholeFile(path);
    if (!data) {
        return LoadStatus::CannotOpen;
    }
    std::vector<Record> fresh;
    const LoadStatus status = parse(*data, fresh);
    if (status == LoadStatus::ReadError && reporter != nullptr) {
        reporter->ShowError(readErrorText, kErrorCaption, MessageOwner::None);
    }
    if (status == LoadStatus::Ok) {
        records = std::move(fresh);
    }
    return status;
}

// Replaces the store file; a failed write is reported with writeErrorText. A file that
// cannot be created is not reported.
bool SaveStoreFile(const std::string& path, const std::string& bytes, IMessageReporter* reporter,
                   const char* writeErrorText);

}  // namespace schedule
