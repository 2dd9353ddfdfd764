#pragma once
// The JSON form of the three schedule files, as qelt-tool prints and reads it.

#include <nlohmann/json.hpp>

#include "schedule/model.h"

namespace tool {

nlohmann::ordered_json TimetableToJson(const schedule::CTimetable& timetable);
nlohmann::ordered_json CommonTracksToJson(const schedule::CCommonTrackStore& store);
nlohmann::ordered_json PlaylistsToJson(const schedule::CPlaylistStore& store);

// Each throws nlohmann::json::exception on a missing key or a value of the wrong type.
void TimetableFromJson(const nlohmann::json& json, schedule::CTimetable& timetable);
void CommonTracksFromJson(const nlohmann::json& json, schedule::CCommonTrackStore& store);
void PlaylistsFromJson(const nlohmann::json& json, schedule::CPlaylistStore& store);

}  // namespace tool
