#pragma once
// The run-time submenus of "播放控制(&E)" that list the common tracks and the playlists.

#include <QString>
#include <functional>
#include <string>
#include <vector>

class QMenu;

namespace app {

// The text of the submenu's entry index: "name(&1)".."name(&9)", then "name(&A)", ….
QString TrackMenuText(const std::string& name, int index);

// Replaces the submenu titled title in menu by one entry per name, entry i running
// command firstId + i. The new submenu takes the old one's place, or goes to the end
// when there was none; without names the submenu is removed.
void BuildTrackMenu(QMenu* menu, const std::vector<std::string>& names, const QString& title,
                    int firstId, const std::function<void(int id)>& onCommand);

}  // namespace app
