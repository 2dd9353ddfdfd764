#pragma once
// All common tracks, in the user's order, with their file "M2list.dat".

#include <string>
#include <string_view>
#include <vector>

#include "schedule/binary_io.h"
#include "schedule/message_reporter.h"
#include "schedule/named_store.h"
#include "schedule/records.h"

namespace schedule {

// The four bytes a common-track store starts with: "M2L" and a zero.
inline constexpr std::string_view kCommonTrackMagic{"M2L\0", 4};

class CCommonTrackStore : public CNamedStore<CommonTrack> {
public:
    explicit CCommonTrackStore(IMessageReporter* reporter = nullptr) : m_pReporter(reporter) {}
    void SetReporter(IMessageReporter* reporter) { m_pReporter = reporter; }

    // Reads the file. A file that fails part-way leaves the records read before the
    // failure; the first later Save over it keeps a copy of it as "NAME.damaged".
    bool Load(const std::string& path) { return LoadFile(path) == LoadStatus::Ok; }
    LoadStatus LoadFile(const std::string& path);
    // Replaces the file in one step; false when it could not be written.
    bool Save(const std::string& path);

    std::string Serialize() const;
    static LoadStatus Parse(std::string_view data, std::vector<CommonTrack>& tracks);

private:
    IMessageReporter* m_pReporter = nullptr;
    std::string m_strDamagedPath;  // a file that did not read whole and is not yet copied
};

}  // namespace schedule
