#include "tool/json_convert.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace tool {

using nlohmann::json;
using nlohmann::ordered_json;
using namespace schedule;

namespace {

ordered_json ItemToJson(const ScheduleItem& item) {
    return ordered_json{{"time", item.time},
                        {"autoPlay", item.autoPlay},
                        {"kind", item.kind},
                        {"volume", item.volume},
                        {"useDefaultVolume", item.useDefaultVolume},
                        {"fullPlay", item.fullPlay},
                        {"limit", item.limit},
                        {"path", item.path},
                        {"title", item.title},
                        {"musicName", item.musicName},
                        {"runBefore", item.runBefore},
                        {"useDefaultParams", item.useDefaultParams},
                        {"params", item.params}};
}

ordered_json TrackToJson(const TrackEntry& track) {
    return ordered_json{{"path", track.path},
                        {"fullPlay", track.fullPlay},
                        {"length", track.length},
                        {"limit", track.limit},
                        {"autoPlay", track.autoPlay},
                        {"volume", track.volume},
                        {"useDefaultVolume", track.useDefaultVolume}};
}

ScheduleItem ItemFromJson(const json& j) {
    ScheduleItem item;
    j.at("time").get_to(item.time);
    j.at("autoPlay").get_to(item.autoPlay);
    j.at("kind").get_to(item.kind);
    j.at("volume").get_to(item.volume);
    j.at("useDefaultVolume").get_to(item.useDefaultVolume);
    j.at("fullPlay").get_to(item.fullPlay);
    j.at("limit").get_to(item.limit);
    j.at("path").get_to(item.path);
    j.at("title").get_to(item.title);
    j.at("musicName").get_to(item.musicName);
    j.at("runBefore").get_to(item.runBefore);
    j.at("useDefaultParams").get_to(item.useDefaultParams);
    j.at("params").get_to(item.params);
    return item;
}

TrackEntry TrackFromJson(const json& j) {
    TrackEntry track;
    j.at("path").get_to(track.path);
    j.at("fullPlay").get_to(track.fullPlay);
    j.at("length").get_to(track.length);
    j.at("limit").get_to(track.limit);
    j.at("autoPlay").get_to(track.autoPlay);
    j.at("volume").get_to(track.volume);
    j.at("useDefaultVolume").get_to(track.useDefaultVolume);
    return track;
}

}  // namespace

ordered_json TimetableToJson(const CTimetable& timetable) {
    ordered_json days = ordered_json::array();
    for (int day = 0; day < kDaysPerWeek; ++day) {
        ordered_json items = ordered_json::array();
        for (const ScheduleItem& item : *timetable.GetDay(day)) {
            items.push_back(ItemToJson(item));
        }
        days.push_back(std::move(items));
    }
    return ordered_json{{"type", "timetable"}, {"title", timetable.GetTitle()}, {"days", days}};
}

ordered_json CommonTracksToJson(const CCommonTrackStore& store) {
    ordered_json tracks = ordered_json::array();
    for (const CommonTrack& track : store.Records()) {
        tracks.push_back(ordered_json{{"name", track.name},
                                      {"order", track.order},
                                      {"main", TrackToJson(track.main)},
                                      {"secondary", TrackToJson(track.secondary)}});
    }
    return ordered_json{{"type", "commonTracks"}, {"tracks", tracks}};
}

ordered_json PlaylistsToJson(const CPlaylistStore& store) {
    ordered_json playlists = ordered_json::array();
    for (const Playlist& playlist : store.Records()) {
        ordered_json entries = ordered_json::array();
        for (const TrackEntry& entry : playlist.entries) {
            entries.push_back(TrackToJson(entry));
        }
        playlists.push_back(ordered_json{{"name", playlist.name},
                                         {"randomPlay", playlist.randomPlay},
                                         {"randomLimit", playlist.randomLimit},
                                         {"randomLimitKind", playlist.randomLimitKind},
                                         {"entries", entries}});
    }
    return ordered_json{{"type", "playlists"}, {"playlists", playlists}};
}

void TimetableFromJson(const json& j, CTimetable& timetable) {
    const json& days = j.at("days");
    if (!days.is_array() || days.size() != kDaysPerWeek) {
        throw std::invalid_argument("\"days\" must be an array of 7 day arrays, Sunday first");
    }
    timetable.ClearAll();
    timetable.SetTitle(j.at("title").get<std::string>());
    // The items are gathered and sorted once: a sort after each item made a large
    // timetable cost N^2 log N. The sort is stable, so items due at the same second keep
    // the order they are given in, as they would item by item.
    for (int day = 0; day < kDaysPerWeek; ++day) {
        CTimetable::Day& items = *timetable.GetDay(day);
        for (const json& item : days.at(static_cast<std::size_t>(day))) {
            items.push_back(ItemFromJson(item));
        }
    }
    timetable.SortAll();
}

void CommonTracksFromJson(const json& j, CCommonTrackStore& store) {
    std::vector<CommonTrack> tracks;
    for (const json& t : j.at("tracks")) {
        CommonTrack track;
        t.at("name").get_to(track.name);
        t.at("order").get_to(track.order);
        track.main = TrackFromJson(t.at("main"));
        track.secondary = TrackFromJson(t.at("secondary"));
        tracks.push_back(std::move(track));
    }
    store.SetRecords(std::move(tracks));
}

void PlaylistsFromJson(const json& j, CPlaylistStore& store) {
    std::vector<Playlist> playlists;
    for (const json& p : j.at("playlists")) {
        Playlist playlist;
        p.at("name").get_to(playlist.name);
        p.at("randomPlay").get_to(playlist.randomPlay);
        p.at("randomLimit").get_to(playlist.randomLimit);
        p.at("randomLimitKind").get_to(playlist.randomLimitKind);
        for (const json& entry : p.at("entries")) {
            playlist.entries.push_back(TrackFromJson(entry));
        }
        playlists.push_back(std::move(playlist));
    }
    store.SetRecords(std::move(playlists));
}

}  // namespace tool
