#include "schedule/timetable.h"

#include <algorithm>
#include <utility>

#include "schedule/atomic_file.h"
#include "schedule/texts.h"

namespace schedule {

namespace {

bool ValidDay(int day) {
    return day >= 0 && day < kDaysPerWeek;
}

void SortDay(CTimetable::Day& day) {
    // Stable, so items due at the same second keep the order in which they were added.
    std::stable_sort(day.begin(), day.end(),
                     [](const ScheduleItem& a, const ScheduleItem& b) { return a.time < b.time; });
}

bool ReadItem(CBinaryReader& reader, ScheduleItem& item) {
    reader.ReadInt(item.useDefaultVolume);
    reader.ReadInt(item.fullPlay);
    reader.ReadInt(item.limit);
    reader.ReadString(item.title);
    reader.ReadString(item.musicName);
    reader.ReadString(item.path);
    reader.ReadString(item.params);
    reader.ReadInt(item.useDefaultParams);
    reader.ReadInt(item.runBefore);
    reader.ReadInt(item.time);
    reader.ReadInt(item.kind);
    reader.ReadInt(item.autoPlay);
    reader.ReadInt(item.volume);
    return reader.Ok();
}

void WriteItem(CBinaryWriter& writer, const ScheduleItem& item) {
    writer.WriteInt(item.useDefaultVolume);
    writer.WriteInt(item.fullPlay);
    writer.WriteInt(item.limit);
    writer.WriteString(item.title);
    writer.WriteString(item.musicName);
    writer.WriteString(item.path);
    writer.WriteString(item.params);
    writer.WriteInt(item.useDefaultParams);
    writer.WriteInt(item.runBefore);
    writer.WriteInt(item.time);
    writer.WriteInt(item.kind);
    writer.WriteInt(item.autoPlay);
    writer.WriteInt(item.volume);
}

}  // namespace

CTimetable::Day* CTimetable::GetDay(int day) {
    return ValidDay(day) ? &m_Days[static_cast<std::size_t>(day)] : nullptr;
}

const CTimetable::Day* CTimetable::GetDay(int day) const {
    return ValidDay(day) ? &m_Days[static_cast<std::size_t>(day)] : nullptr;
}

void CTimetable::SetTitle(const std::string& title) {
    m_strTitle = title;
    m_bModified = true;
}

bool CTimetable::AddItem(int day, const ScheduleItem* item) {
    Day* list = GetDay(day);
    if (list == nullptr || item == nullptr) {
        return false;
    }
    list->push_back(*item);
    SortDay(*list);
    m_bModified = true;
    return true;
}

bool CTimetable::ModifyItem(int day, int index, const ScheduleItem& item) {
    ScheduleItem* target = GetItem(day, index);
    if (target == nullptr) {
        return false;
    }
    *target = item;
    m_bModified = true;
    return true;
}

bool CTimetable::DeleteItem(int day, int index) {
    if (GetItem(day, index) == nullptr) {
        return false;
    }
    Day& list = m_Days[static_cast<std::size_t>(day)];
    list.erase(list.begin() + index);
    m_bModified = true;
    return true;
}

ScheduleItem* CTimetable::GetItem(int day, int index) {
    return const_cast<ScheduleItem*>(std::as_const(*this).GetItem(day, index));
}

const ScheduleItem* CTimetable::GetItem(int day, int index) const {
    const Day* list = GetDay(day);
    if (list == nullptr || index < 0 || static_cast<std::size_t>(index) >= list->size()) {
        return nullptr;
    }
    return &(*list)[static_cast<std::size_t>(index)];
}

void CTimetable::CopyItem(const ScheduleItem* source, ScheduleItem* destination) {
    if (source != nullptr && destination != nullptr) {
        *destination = *source;
    }
}

void CTimetable::ClearDay(int day) {
    if (Day* list = GetDay(day)) {
        list->clear();
        m_bModified = true;
    }
}

bool CTimetable::CopyDay(int sourceDay, int destinationDay) {
    if (sourceDay == destinationDay || !ValidDay(sourceDay) || !ValidDay(destinationDay)) {
        return false;
    }
    m_Days[static_cast<std::size_t>(destinationDay)] = m_Days[static_cast<std::size_t>(sourceDay)];
    m_bModified = true;
    return true;
}

void CTimetable::ClearAll() {
    for (Day& day : m_Days) {
        day.clear();
    }
    m_strTitle.clear();
    m_bLoaded = false;
}

void CTimetable::SortAll() {
    for (Day& day : m_Days) {
        SortDay(day);
    }
}

int CTimetable::FindNext(int day, int time, ScheduleItem* next) const {
    const Day* list = GetDay(day);
    if (list == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < list->size(); ++i) {
        if ((*list)[i].time > time) {
            CopyItem(&(*list)[i], next);
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string CTimetable::Serialize() const {
    CBinaryWriter writer;
    writer.WriteBytes(kTimetableMagic);
    writer.WriteString(m_strTitle);
    for (const Day& day : m_Days) {
        writer.WriteInt(static_cast<std::int32_t>(day.size()));
        for (const ScheduleItem& item : day) {
            WriteItem(writer, item);
        }
    }
    return writer.Data();
}

LoadStatus CTimetable::Parse(std::string_view data, std::string& title,
                             std::array<Day, kDaysPerWeek>& days) {
    if (data.size() < kTimetableMagic.size() || data.substr(0, 4) != kTimetableMagic) {
        return LoadStatus::WrongFormat;
    }
    CBinaryReader reader(data.substr(4));
    reader.ReadString(title);
    for (Day& day : days) {
        day.clear();
        std::int32_t count = 0;
        if (!reader.ReadInt(count)) {
            return LoadStatus::ReadError;
        }
        for (std::int32_t i = 0; i < count; ++i) {
            ScheduleItem item;
            if (!ReadItem(reader, item)) {
                return LoadStatus::ReadError;
            }
            day.push_back(std::move(item));
        }
    }
    return reader.Ok() ? LoadStatus::Ok : LoadStatus::ReadError;
}

LoadStatus CTimetable::LoadFile(const std::string& path, bool storePath) {
    ReadFailure failure = ReadFailure::None;
    const std::optional<std::string> data = ReadWholeFile(path, &failure);
    if (!data) {
        if (failure == ReadFailure::TooLarge) {
            Report(texts::kTimetableTooLarge, MessageOwner::None);
            return LoadStatus::TooLarge;
        }
        return LoadStatus::CannotOpen;
    }
    std::string title;
    std::array<Day, kDaysPerWeek> days;
    const LoadStatus status = Parse(*data, title, days);
    if (status == LoadStatus::WrongFormat) {
        Report(texts::kNotTimetable, MessageOwner::MainWindow);
        return status;
    }
    if (status == LoadStatus::ReadError) {
        Report(texts::kTimetableReadError, MessageOwner::None);
        return status;
    }
    m_strTitle = std::move(title);
    m_Days = std::move(days);
    SortAll();
    if (storePath) {
        m_strPath = path;
    }
    m_bLoaded = true;
    return LoadStatus::Ok;
}

bool CTimetable::Save(const std::string& path) {
    switch (WriteFileAtomically(path, Serialize())) {
        case WriteResult::Ok:
            return true;
        case WriteResult::CannotCreate:
            Report(texts::kTimetableCreateError, MessageOwner::MainWindow);
            return false;
        case WriteResult::WriteFailed:
            Report(texts::kTimetableWriteError, MessageOwner::None);
            return false;
    }
    return false;
}

bool CTimetable::Reload() {
    if (!m_bLoaded) {
        return false;
    }
    ClearAll();
    return Load(m_strPath, false);
}

void CTimetable::Report(const char* text, MessageOwner owner) const {
    if (m_pReporter != nullptr) {
        m_pReporter->ShowError(text, kErrorCaption, owner);
    }
}

}  // namespace schedule
