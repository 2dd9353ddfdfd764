#pragma once
// The track block shared by the common-track and playlist stores.

#include "schedule/binary_io.h"
#include "schedule/records.h"

namespace schedule {

// Fields in file order: path, autoPlay, useDefaultVolume, fullPlay, length, limit, volume.
bool ReadTrackBlock(CBinaryReader& reader, TrackEntry& track);
void WriteTrackBlock(CBinaryWriter& writer, const TrackEntry& track);

}  // namespace schedule
