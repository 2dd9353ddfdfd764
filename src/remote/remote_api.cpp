#include "remote/remote_api.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "engine/engine_texts.h"
#include "platform/qt_text.h"
#include "player/playback_engine.h"
#include "schedule/day_calendar.h"
#include "schedule/time_text.h"
#include "session/bell_session.h"

namespace remote {

namespace {

using schedule::kSecondsPerMinute;

using platform::Q;

constexpr const char* kLogKind = "remote";
constexpr const char* kTimetableFilter = "*.zxb";
// The bell log's tail read for its last lines: far more than kMaxLogLines lines take.
constexpr qint64 kLogTailBytes = 256 * 1024;

constexpr const char* kDayNormal = "正常作息";
constexpr const char* kDayHoliday = "今日为节假日，不播放作息项";
constexpr const char* kDaySpecial = "今日按特别作息表播放：%1";
constexpr const char* kPlayingCommon = "已开始播放常用曲目：%1";
constexpr const char* kPlayingPlaylist = "已开始播放播放列表：%1";
constexpr const char* kNoSuchTrack = "没有这个常用曲目";
constexpr const char* kNoSuchPlaylist = "没有这个播放列表";
constexpr const char* kStopped = "已停止播放";
constexpr const char* kNothingPlaying = "当前没有播放";
constexpr const char* kAutoPlayOn = "已开启自动播放";
constexpr const char* kAutoPlayOff = "已关闭自动播放";
constexpr const char* kBadAutoPlay = "\"on\" 应为 true 或 false";
constexpr const char* kBadDate = "日期应写作 YYYY-MM-DD，作息表应为文件名";
constexpr const char* kMarkedHoliday = "%1 已设为节假日";
constexpr const char* kMarkedSpecial = "%1 已设为按 %2 播放";
constexpr const char* kNoSuchTimetable = "作息表文件夹中没有这个作息表：%1";
constexpr const char* kCalendarUnreadable = "节假日文件无法读取，未作修改";
constexpr const char* kCalendarNotWritten = "节假日文件无法写入";
constexpr const char* kBadEmergencyFile = "\"file\" 应为程序文件夹中的文件，如 音乐库/警报.mp3";
constexpr const char* kEmergencyStarted = "紧急广播已开始：%1";
constexpr const char* kEmergencyNoFile = "没有可播放的紧急广播文件";
constexpr const char* kEmergencyEnded = "紧急广播已解除";
constexpr const char* kNoEmergency = "当前没有紧急广播";

QString Clock(int seconds) {
    return Q(schedule::FormatTimeOfDay(seconds));
}

QJsonArray Names(const std::vector<std::string>& names) {
    QJsonArray array;
    for (const std::string& name : names) {
        array.append(Q(name));
    }
    return array;
}

ApiReply Reply(int status, const QString& message) {
    return {status, QJsonObject{{"ok", status == 200}, {"message", message}}};
}

}  // namespace

CRemoteApi::CRemoteApi(session::CBellSession& session,
                       std::function<player::CPlaybackEngine*()> playback)
    : m_Session(session), m_Playback(std::move(playback)) {}

QJsonObject CRemoteApi::State() const {
    const engine::CScheduleEngine& engine = m_Session.Engine();
    const platform::LocalTime now = m_Session.Clock().Now();
    const int second = now.SecondsSinceMidnight();

    QJsonObject state;
    state["school"] = Q(m_Session.Settings().GetSchoolName());
    state["date"] = QString::asprintf("%04d-%02d-%02d", now.year, now.month, now.day);
    state["time"] = Clock(second);
    state["weekday"] = now.weekday;
    state["timetable"] = Q(engine.DayTimetable().GetTitle());
    state["autoPlay"] = engine.Options().autoPlay;

    QJsonObject day;
    if (engine.IsHoliday()) {
        day = {{"kind", "holiday"}, {"text", kDayHoliday}};
    } else if (engine.MakeupWeekday() >= 0 && !engine.IsSpecialDay()) {
        day = {{"kind", "makeup"},
               {"text", QString::fromUtf8(engine::texts::FormatText(
                                              engine::texts::kMakeupDay,
                                              {schedule::kWeekdayNames[engine.MakeupWeekday()]})
                                              .c_str())},
               {"weekday", engine.MakeupWeekday()}};
    } else if (engine.IsSpecialDay()) {
        day = {{"kind", "special"},
               {"text", QString::fromUtf8(kDaySpecial).arg(Q(engine.SpecialTimetableName()))},
               {"timetable", Q(engine.SpecialTimetableName())}};
    } else {
        day = {{"kind", "normal"}, {"text", kDayNormal}};
    }
    state["day"] = day;
    state["emergency"] = QJsonValue::Null;
    if (engine.IsEmergency()) {
        state["emergency"] = QJsonObject{{"file", QFileInfo(Q(engine.EmergencyFile())).fileName()}};
    }

    // Today's list as the list view marks it: rows before the next are past, every row
    // when nothing is left today (and on a holiday).
    const int next = engine.IsHoliday() ? -1 : engine.NextIndex();
    QJsonArray items;
    if (const schedule::CTimetable::Day* list = engine.DayTimetable().GetDay(engine.Today())) {
        const int rows = static_cast<int>(list->size());
        const int nextRow = next < 0 || next >= rows ? rows : next;
        for (int row = 0; row < rows; ++row) {
            const schedule::ScheduleItem& item = (*list)[static_cast<std::size_t>(row)];
            items.append(QJsonObject{
                {"time", Clock(item.time)},
                {"title", Q(item.title)},
                {"music", Q(item.musicName)},
                {"autoPlay", item.autoPlay != 0},
                {"state", row < nextRow ? "past" : (row == nextRow ? "next" : "later")}});
        }
        if (nextRow < rows) {
            const schedule::ScheduleItem& item = engine.NextItem();
            state["next"] = QJsonObject{{"row", nextRow},
                                        {"time", Clock(item.time)},
                                        {"title", Q(item.title)},
                                        {"inSeconds", std::max(0, item.time - second)}};
        }
    }
    state["items"] = items;
    if (!state.contains("next")) {
        state["next"] = QJsonValue::Null;
    }

    state["playing"] = QJsonValue::Null;
    if (player::CPlaybackEngine* playback = m_Playback ? m_Playback() : nullptr;
        playback != nullptr && playback->IsLoaded()) {
        const player::CPlaybackEngine::TickResult& tick = playback->LastTick();
        state["playing"] = QJsonObject{{"title", Q(playback->Title())},
                                       {"paused", tick.paused},
                                       {"positionMs", static_cast<qint64>(tick.position)},
                                       {"lengthMs", static_cast<qint64>(playback->LimitMs())},
                                       {"percent", tick.percent}};
    }

    std::vector<std::string> names;
    m_Session.CommonTracks().GetNames(names);
    state["commonTracks"] = Names(names);
    names.clear();
    m_Session.Playlists().GetNames(names);
    state["playlists"] = Names(names);
    const QDir folder(Q(m_Session.AppDir()) +
                      QString::fromUtf8(schedule::CDayCalendar::kFolderName));
    QJsonArray timetables;
    for (const QString& name : folder.entryList({QString::fromLatin1(kTimetableFilter)},
                                                QDir::Files | QDir::Readable, QDir::Name)) {
        timetables.append(name);
    }
    state["timetables"] = timetables;
    return state;
}

QJsonObject CRemoteApi::Log(int lines) const {
    lines = std::clamp(lines, 1, kMaxLogLines);
    QStringList tail;
    QFile file(Q(m_Session.BellLogPath()));
    if (file.open(QIODevice::ReadOnly)) {
        const qint64 start = std::max<qint64>(0, file.size() - kLogTailBytes);
        file.seek(start);
        QByteArray bytes = file.readAll();
        if (start > 0) {
            // The first line read may be cut; it is not shown.
            bytes.remove(0, bytes.indexOf('\n') + 1);
        }
        tail = QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (tail.size() > lines) {
            tail = tail.mid(tail.size() - lines);
        }
    }
    QJsonArray array;
    for (const QString& line : tail) {
        array.append(line);
    }
    return QJsonObject{{"lines", array}};
}

void CRemoteApi::LogRemote(const std::string& what, const std::string& client) {
    m_Session.Log(kLogKind, what + " from " + client);
}

ApiReply CRemoteApi::PlayCommon(int index, const std::string& client) {
    std::vector<std::string> names;
    m_Session.CommonTracks().GetNames(names);
    if (index < 0 || index >= static_cast<int>(names.size())) {
        return Reply(404, QString::fromUtf8(kNoSuchTrack));
    }
    const std::string name = names[static_cast<std::size_t>(index)];
    LogRemote("play common " + std::to_string(index) + " " + name, client);
    m_Session.PlayCommonTrackFromMenu(index);
    return Reply(200, QString::fromUtf8(kPlayingCommon).arg(Q(name)));
}

ApiReply CRemoteApi::PlayPlaylist(int index, const std::string& client) {
    std::vector<std::string> names;
    m_Session.Playlists().GetNames(names);
    if (index < 0 || index >= static_cast<int>(names.size())) {
        return Reply(404, QString::fromUtf8(kNoSuchPlaylist));
    }
    const std::string name = names[static_cast<std::size_t>(index)];
    LogRemote("play playlist " + std::to_string(index) + " " + name, client);
    m_Session.PlayPlaylistFromMenu(index);
    return Reply(200, QString::fromUtf8(kPlayingPlaylist).arg(Q(name)));
}

ApiReply CRemoteApi::Stop(const std::string& client) {
    LogRemote("stop", client);
    return Reply(200, QString::fromUtf8(m_Session.StopPlayback() ? kStopped : kNothingPlaying));
}

ApiReply CRemoteApi::SetAutoPlay(const QJsonObject& request, const std::string& client) {
    bool on = !m_Session.Options().autoPlay;
    if (request.contains("on")) {
        if (!request.value("on").isBool()) {
            return Reply(400, QString::fromUtf8(kBadAutoPlay));
        }
        on = request.value("on").toBool();
    }
    LogRemote(on ? "autoplay on" : "autoplay off", client);
    m_Session.SetAutoPlay(on);
    return Reply(200, QString::fromUtf8(on ? kAutoPlayOn : kAutoPlayOff));
}

ApiReply CRemoteApi::MarkDay(const QJsonObject& request, const std::string& client) {
    const platform::LocalTime now = m_Session.Clock().Now();
    std::optional<schedule::CalendarDate> date =
        schedule::CalendarDate{now.year, now.month, now.day};
    if (request.contains("date")) {
        date = schedule::CalendarDate::Parse(request.value("date").toString().toStdString());
    }
    if (!date || (request.contains("timetable") && !request.value("timetable").isString())) {
        return Reply(400, QString::fromUtf8(kBadDate));
    }
    const std::string timetable = request.value("timetable").toString().toStdString();
    const QString dateText = Q(date->ToString());
    LogRemote("calendar " + date->ToString() + (timetable.empty() ? "" : " " + timetable), client);
    switch (m_Session.MarkDay(*date, timetable)) {
        case session::CBellSession::MarkDayResult::Done:
            return Reply(200, timetable.empty()
                                  ? QString::fromUtf8(kMarkedHoliday).arg(dateText)
                                  : QString::fromUtf8(kMarkedSpecial).arg(dateText, Q(timetable)));
        case session::CBellSession::MarkDayResult::NoSuchTimetable:
            return Reply(404, QString::fromUtf8(kNoSuchTimetable).arg(Q(timetable)));
        case session::CBellSession::MarkDayResult::CalendarUnreadable:
            return Reply(409, QString::fromUtf8(kCalendarUnreadable));
        case session::CBellSession::MarkDayResult::NotWritten:
            break;
    }
    return Reply(500, QString::fromUtf8(kCalendarNotWritten));
}

ApiReply CRemoteApi::StartEmergency(const QJsonObject& request, const std::string& client) {
    // Only a file inside the program folder, named relatively, may be played from afar.
    const QString file = request.value("file").toString();
    if ((request.contains("file") && !request.value("file").isString()) ||
        QDir::isAbsolutePath(file) || file.contains(QLatin1Char('\\')) ||
        QDir::cleanPath(file).startsWith(QStringLiteral(".."))) {
        return Reply(400, QString::fromUtf8(kBadEmergencyFile));
    }
    LogRemote("emergency " + file.toStdString(), client);
    if (m_Session.StartEmergency(file.toStdString(), session::EmergencySource::Remote, client) !=
        session::EmergencyResult::Started) {
        return Reply(404, QString::fromUtf8(kEmergencyNoFile));
    }
    return Reply(200, QString::fromUtf8(kEmergencyStarted)
                          .arg(QFileInfo(Q(m_Session.Engine().EmergencyFile())).fileName()));
}

ApiReply CRemoteApi::EndEmergency(const std::string& client) {
    LogRemote("emergency-end", client);
    return m_Session.EndEmergency(session::EmergencySource::Remote, client)
               ? Reply(200, QString::fromUtf8(kEmergencyEnded))
               : Reply(409, QString::fromUtf8(kNoEmergency));
}

}  // namespace remote
