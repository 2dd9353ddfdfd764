#pragma once
// Starting with the desktop: an XDG autostart entry "QELT.desktop" in
// $XDG_CONFIG_HOME/autostart (default ~/.config/autostart) whose Exec line names the
// program's executable.

#include <QString>

namespace platform {

class XdgAutostart {
public:
    // program: the executable's full path; programFolder: the folder passed with --dir
    // when it is not the executable's own (empty otherwise).
    XdgAutostart(QString program, QString programFolder);

    // Whether the entry exists and starts this executable (compared without regard to
    // letter case).
    bool IsAutostartSet() const;
    // Writes (atomically) or removes the entry; false when that failed.
    bool SetAutostart(bool on);

    // The entry's full path.
    static QString EntryPath();

private:
    QString m_strProgram;
    QString m_strFolder;
};

}  // namespace platform
