#include "schedule/playlist_store.h"

#include "schedule/store_file.h"
#include "schedule/texts.h"
#include "schedule/track_block.h"
#include "schedule/wildcard.h"

namespace schedule {

namespace {

void CopySettings(const Playlist& source, Playlist& destination) {
    destination.name = source.name;
    destination.randomPlay = source.randomPlay;
    destination.randomLimit = source.randomLimit;
    destination.randomLimitKind = source.randomLimitKind;
}

}  // namespace

bool CPlaylistStore::GetCopy(int index, Playlist* destination) const {
    const Playlist* source = Get(index);
    if (source == nullptr || destination == nullptr) {
        return false;
    }
    CopySettings(*source, *destination);
    destination->entries.insert(destination->entries.end(), source->entries.begin(),
                                source->entries.end());
    return true;
}

void CPlaylistStore::Expand(const Playlist* source, Playlist* destination,
                            const std::string& baseDir) {
    if (source == nullptr || destination == nullptr) {
        return;
    }
    CopySettings(*source, *destination);
    for (const TrackEntry& entry : source->entries) {
        if (!HasWildcards(entry.path)) {
            destination->entries.push_back(entry);
            continue;
        }
        for (const std::string& match : FindMatchingFiles(entry.path, baseDir)) {
            TrackEntry expanded = entry;
            expanded.path = match;
            destination->entries.push_back(std::move(expanded));
        }
    }
}

std::string CPlaylistStore::Serialize() const {
    CBinaryWriter writer;
    writer.WriteBytes(kPlaylistMagic);
    writer.WriteInt(GetCount());
    for (const Playlist& playlist : m_Records) {
        writer.WriteString(playlist.name);
        writer.WriteInt(static_cast<std::int32_t>(playlist.entries.size()));
        writer.WriteInt(playlist.randomPlay);
        writer.WriteInt(playlist.randomLimit);
        writer.WriteInt(playlist.randomLimitKind);
        for (const TrackEntry& entry : playlist.entries) {
            WriteTrackBlock(writer, entry);
        }
    }
    return writer.Data();
}

LoadStatus CPlaylistStore::Parse(std::string_view data, std::vector<Playlist>& playlists) {
    CBinaryReader reader(data);
    std::int32_t count = 0;
    if (const LoadStatus header = ReadStoreHeader(reader, kPlaylistMagic, count);
        header != LoadStatus::Ok) {
        return header;
    }
    playlists.clear();
    for (std::int32_t i = 0; i < count; ++i) {
        Playlist playlist;
        std::int32_t entryCount = 0;
        reader.ReadString(playlist.name);
        reader.ReadInt(entryCount);
        reader.ReadInt(playlist.randomPlay);
        reader.ReadInt(playlist.randomLimit);
        if (!reader.ReadInt(playlist.randomLimitKind)) {
            return LoadStatus::ReadError;
        }
        for (std::int32_t e = 0; e < entryCount; ++e) {
            TrackEntry entry;
            if (!ReadTrackBlock(reader, entry)) {
                return LoadStatus::ReadError;
            }
            playlist.entries.push_back(std::move(entry));
        }
        playlists.push_back(std::move(playlist));
    }
    return LoadStatus::Ok;
}

LoadStatus CPlaylistStore::LoadFile(const std::string& path) {
    return LoadStoreFile(path, &CPlaylistStore::Parse, m_Records, m_pReporter,
                         texts::kPlaylistsReadError, texts::kPlaylistsTooLarge, m_strDamagedPath);
}

bool CPlaylistStore::Save(const std::string& path) {
    if (!SaveStoreFile(path, Serialize(), m_pReporter, texts::kPlaylistsWriteError,
                       m_strDamagedPath)) {
        return false;
    }
    ClearModified();
    return true;
}

}  // namespace schedule
