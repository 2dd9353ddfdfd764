#pragma once
// All playlists, in the user's order, with their file "Mlist.dat".

#include <string>
#include <string_view>
#include <vector>

#include "schedule/binary_io.h"
#include "schedule/message_reporter.h"
#include "schedule/named_store.h"
#include "schedule/records.h"

namespace schedule {

// The four bytes a playlist store starts with: "MALL".
inline constexpr std::string_view kPlaylistMagic{"MALL", 4};

class CPlaylistStore : public CNamedStore<Playlist> {
public:
    explicit CPlaylistStore(IMessageReporter* reporter = nullptr) : m_pReporter(reporter) {}
    void SetReporter(IMessageReporter* reporter) { m_pReporter = reporter; }

    // Copies the settings and entries of the playlist at index onto the end of destination.
    bool GetCopy(int index, Playlist* destination) const;

    // Copies source to destination with every wildcard entry replaced by one entry per
    // matching file. Relative patterns are searched from baseDir (the program folder).
    static void Expand(const Playlist* source, Playlist* destination,
                       const std::string& baseDir = std::string());

    // Reads the file. A file that fails part-way leaves the records read before the
    // failure; the first later Save over it keeps a copy of it as "NAME.damaged".
    bool Load(const std::string& path) { return LoadFile(path) == LoadStatus::Ok; }
    LoadStatus LoadFile(const std::string& path);
    // Replaces the file in one step; false when it could not be written.
    bool Save(const std::string& path);

    std::string Serialize() const;
    static LoadStatus Parse(std::string_view data, std::vector<Playlist>& playlists);

private:
    IMessageReporter* m_pReporter = nullptr;
    std::string m_strDamagedPath;  // a file that did not read whole and is not yet copied
};

}  // namespace schedule
