#include "schedule/common_track_store.h"

#include "schedule/store_file.h"
#include "schedule/texts.h"
#include "schedule/track_block.h"

namespace schedule {

std::string CCommonTrackStore::Serialize() const {
    CBinaryWriter writer;
    writer.WriteBytes(kCommonTrackMagic);
    writer.WriteInt(GetCount());
    for (const CommonTrack& track : m_Records) {
        writer.WriteString(track.name);
        writer.WriteInt(track.order);
        WriteTrackBlock(writer, track.main);
        WriteTrackBlock(writer, track.secondary);
    }
    return writer.Data();
}

LoadStatus CCommonTrackStore::Parse(std::string_view data, std::vector<CommonTrack>& tracks) {
    CBinaryReader reader(data);
    std::int32_t count = 0;
    if (const LoadStatus header = ReadStoreHeader(reader, kCommonTrackMagic, count);
        header != LoadStatus::Ok) {
        return header;
    }
    tracks.clear();
    for (std::int32_t i = 0; i < count; ++i) {
        CommonTrack track;
        reader.ReadString(track.name);
        reader.ReadInt(track.order);
        ReadTrackBlock(reader, track.main);
        if (!ReadTrackBlock(reader, track.secondary)) {
            return LoadStatus::ReadError;
        }
        tracks.push_back(std::move(track));
    }
    return LoadStatus::Ok;
}

LoadStatus CCommonTrackStore::LoadFile(const std::string& path) {
    return LoadStoreFile(path, &CCommonTrackStore::Parse, m_Records, m_pReporter,
                         texts::kCommonTracksReadError, texts::kCommonTracksTooLarge,
                         m_strDamagedPath);
}

bool CCommonTrackStore::Save(const std::string& path) {
    if (!SaveStoreFile(path, Serialize(), m_pReporter, texts::kCommonTracksWriteError,
                       m_strDamagedPath)) {
        return false;
    }
    ClearModified();
    return true;
}

}  // namespace schedule
