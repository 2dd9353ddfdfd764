#pragma once
// The remote page's API without the HTTP around it: today's state and the bell log's last
// lines as JSON, and the actions of the page, each done through the bell session exactly
// as the menu command that does the same, logged as done remotely, and answered with
// what happened in the program's own words.

#include <QJsonObject>
#include <functional>
#include <string>

namespace player {
class CPlaybackEngine;
}  // namespace player
namespace session {
class CBellSession;
}  // namespace session

namespace remote {

// The bell log's lines the page shows, and the most a request may ask for.
inline constexpr int kDefaultLogLines = 50;
inline constexpr int kMaxLogLines = 500;

struct ApiReply {
    int status = 200;
    QJsonObject body;
};

class CRemoteApi {
public:
    // playback gives the player's engine (null while there is none).
    CRemoteApi(session::CBellSession& session, std::function<player::CPlaybackEngine*()> playback);

    // The school, today's timetable and kind of day, the next item with the seconds left,
    // today's list marked past / next / later, what plays, auto-play, and the names the
    // actions take (common tracks, playlists and timetables, in the stores' order).
    QJsonObject State() const;
    // The bell log's last lines (1..kMaxLogLines), oldest first.
    QJsonObject Log(int lines) const;

    // The actions; client names the caller in the bell log.
    ApiReply PlayCommon(int index, const std::string& client);
    ApiReply PlayPlaylist(int index, const std::string& client);
    ApiReply Stop(const std::string& client);
    // {"on": true|false}; without "on" auto-play is switched over.
    ApiReply SetAutoPlay(const QJsonObject& request, const std::string& client);
    // {"date": "YYYY-MM-DD" (today when missing), "timetable": "NAME.zxb" (a holiday when
    // missing or empty)}.
    ApiReply MarkDay(const QJsonObject& request, const std::string& client);
    // {"file": "音乐库/NAME"} (the last file used when missing): an emergency broadcast of
    // a file inside the program folder; a second one replaces the file.
    ApiReply StartEmergency(const QJsonObject& request, const std::string& client);
    ApiReply EndEmergency(const std::string& client);

private:
    void LogRemote(const std::string& what, const std::string& client);

    session::CBellSession& m_Session;
    std::function<player::CPlaybackEngine*()> m_Playback;
};

}  // namespace remote
