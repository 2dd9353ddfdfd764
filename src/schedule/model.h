#pragma once
// The schedule data model: records, the timetable, both stores and their files.

#include "schedule/common_track_store.h"
#include "schedule/message_reporter.h"
#include "schedule/playlist_store.h"
#include "schedule/records.h"
#include "schedule/timetable.h"
