#pragma once
// One line of the bell log ("YYYY-MM-DD HH:MM:SS KIND TEXT") as a school reads it: the
// event in words, the timetable item it concerns and the file it played. The file's own
// format stays as scripts read it; only its reader turns it into words.

#include <optional>
#include <string>

namespace engine {

struct BellLogEntry {
    std::string date;   // "YYYY-MM-DD"
    std::string time;   // "HH:MM:SS"
    std::string kind;   // as written: "play", "skip", ...
    std::string event;  // in words: "播放", "跳过（节假日）", ...
    std::string item;   // "08:00:00 上课（上课铃）" for the events of an item
    std::string file;   // the full path of a played or missing file, or the program run
    // A bell: an item that rang or should have, and what it played.
    bool bell = false;
    // Something went wrong: a bell passed over for a fault, a file that did not play, a
    // program that failed, a refused power-off, a timetable or calendar that cannot be read.
    bool problem = false;
};

// The entry of one line; none for a line that does not start with a date and a time.
std::optional<BellLogEntry> ParseBellLogLine(const std::string& line);

}  // namespace engine
