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

// Reads the store file at path into records. A file that reads whole replaces them; a
// file that fails part-way replaces them with the records read completely before the
// failure, reports readErrorText, and is remembered in damagedPath so that the first
// save over it keeps a copy. A file too large to be a store is not read and is reported
// with tooLargeText; the records stay as they were.
template <typename Record, typename Parse>
LoadStatus LoadStoreFile(const std::string& path, Parse parse, std::vector<Record>& records,
                         IMessageReporter* reporter, const char* readErrorText,
                         const char* tooLargeText, std::string& damagedPath) {
    ReadFailure failure = ReadFailure::None;
    const std::optional<std::string> data = ReadWholeFile(path, &failure);
    if (!data) {
        if (failure != ReadFailure::TooLarge) {
            return LoadStatus::CannotOpen;
        }
        if (reporter != nullptr) {
            reporter->ShowError(tooLargeText, kErrorCaption, MessageOwner::None);
        }
        return LoadStatus::TooLarge;
    }
    std::vector<Record> fresh;
    const LoadStatus status = parse(*data, fresh);
    if (status == LoadStatus::ReadError && reporter != nullptr) {
        reporter->ShowError(readErrorText, kErrorCaption, MessageOwner::None);
    }
    if (status == LoadStatus::Ok || status == LoadStatus::ReadError) {
        records = std::move(fresh);
        damagedPath = status == LoadStatus::ReadError ? path : std::string();
    }
    return status;
}

// The name a damaged store file is kept under: "NAME.damaged", or "NAME.damaged.N" with
// the first N that is free, so that an earlier copy is never overwritten.
std::string DamagedCopyName(const std::string& path);
// "PATH" + suffix, or with ".N" added for the first N that is free.
std::string FreshCopyName(const std::string& path, const std::string& suffix);

// Replaces the store file; a file that cannot be created (a missing or read-only folder)
// or written is reported with writeErrorText. When path is damagedPath, the damaged file
// is first copied beside itself; if that copy cannot be made nothing is written over it.
bool SaveStoreFile(const std::string& path, const std::string& bytes, IMessageReporter* reporter,
                   const char* writeErrorText, std::string& damagedPath);

}  // namespace schedule
