#pragma once
// The main window's commands as actions: the action table, the menu bar's menus, the
// notification-area menu, the toolbar, and the menus built at run time (the track menus,
// the plug-in menu, the list's context menu). Every action runs the window's command
// handler with its id; the window sets marks, texts and enabling by id, and several
// actions (menu bar, tray menu) may share one.

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/plugin_host.h"

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace app {

class CFrameActions : public QObject {
public:
    // command runs a command id; menuShown is called before a menu shows, so it shows
    // the state of the moment.
    CFrameActions(QMainWindow& window, std::function<void(int id)> command,
                  std::function<void()> menuShown);

    // Builds the actions, the menu bar's menus, the notification-area menu and the toolbar.
    void Create();
    // Replaces "常用曲目播放(&C)" and "列表曲目播放(&L)" by the stores' names.
    void BuildTrackMenus(const std::vector<std::string>& commonTracks,
                         const std::vector<std::string>& playlists);
    // Adds the plug-ins' menu to the menu bar (none when there are no entries).
    void BuildPluginMenu(const std::vector<engine::PluginMenuEntry>& entries);
    // The list view's context menu (the caller shows and deletes it): new item when the
    // day is editable, edit/delete/play for a selected row, save when modified.
    QMenu* BuildListContextMenu(bool editable, bool rowSelected, bool modified);

    // The menu bar's or toolbar's action of a command (null when it has none).
    QAction* Action(int id) const;
    void SetCheck(int id, bool checked);
    void SetText(int id, const QString& text);
    void SetEnabled(int id, bool enabled);

    QMenu* PlayMenu() const { return m_pPlayMenu; }
    QMenu* TrayMenu() const { return m_pTrayMenu; }
    QToolBar* ToolBar() const { return m_pToolBar; }

private:
    QAction* MakeAction(int id, const char* text, const char* prompt = nullptr,
                        const char* icon = nullptr);
    // An action of a menu built at run time, running command id.
    QAction* AddCommand(QMenu* menu, int id, const QString& text);
    void CreateActions();
    void CreateMenus();
    void CreateTrayMenu();
    void CreateToolBar();

    QMainWindow& m_Window;
    std::function<void(int id)> m_Command;
    std::function<void()> m_MenuShown;
    std::multimap<int, QAction*> m_Actions;
    QMenu* m_pPlayMenu = nullptr;
    QMenu* m_pTrayMenu = nullptr;
    QToolBar* m_pToolBar = nullptr;
};

}  // namespace app
