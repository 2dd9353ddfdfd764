#include "schedule/track_block.h"

namespace schedule {

bool ReadTrackBlock(CBinaryReader& reader, TrackEntry& track) {
    reader.ReadString(track.path);
    reader.ReadInt(track.autoPlay);
    reader.ReadInt(track.useDefaultVolume);
    reader.ReadInt(track.fullPlay);
    reader.ReadInt(track.length);
    reader.ReadInt(track.limit);
    reader.ReadInt(track.volume);
    return reader.Ok();
}

void WriteTrackBlock(CBinaryWriter& writer, const TrackEntry& track) {
    writer.WriteString(track.path);
    writer.WriteInt(track.autoPlay);
    writer.WriteInt(track.useDefaultVolume);
    writer.WriteInt(track.fullPlay);
    writer.WriteInt(track.length);
    writer.WriteInt(track.limit);
    writer.WriteInt(track.volume);
}

}  // namespace schedule
