#pragma once
// The GStreamer sink of the Snapcast output, with the local output beside it held back
// by the lead, so that the office hears each bell when the campus does.

#include <string>

#include "player/snapcast_output.h"

// GStreamer's own type name, so that this header needs no GStreamer headers.
using GstElement = struct _GstElement;  // NOLINT(bugprone-reserved-identifier)

namespace player {

// The sink for output (see SnapcastSinkDescription), each local sink in it delayed by
// localDelayMs; the caller owns the reference. Null when localSink does not describe a
// sink.
GstElement* BuildSnapcastSink(const SnapcastOutput& output, const std::string& localSink,
                              int localDelayMs);
// The local sink alone, delayed the same way (the server cannot be reached).
GstElement* BuildDelayedSink(const std::string& description, int delayMs);

}  // namespace player
