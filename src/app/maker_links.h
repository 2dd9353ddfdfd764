#pragma once
// Where the program's help, feedback and mail links lead.

#include <QDir>
#include <QFileInfo>
#include <QString>

namespace app {

inline constexpr const char* kGuideFile = "doc/index.html";
inline constexpr const char* kInstalledGuideFile = "../share/doc/qelt/index.html";
inline constexpr const char* kProjectMail = "mailto:qelt-dev@lists.qelt.org";
inline constexpr const char* kProjectMailText = "QELT 开发组 <qelt-dev@lists.qelt.org>";

// The user guide's first page: doc/index.html beside the executable in a build or a
// copied program folder, else ../share/doc/qelt/index.html of an installed copy. When
// neither exists, the first, so the failure to open it names the expected place.
inline QString GuidePath(const QString& executableFolder) {
    const QDir folder(executableFolder);
    QString beside = folder.absoluteFilePath(QString::fromUtf8(kGuideFile));
    if (QFileInfo(beside).isFile()) {
        return beside;
    }
    const QString installed =
        QDir::cleanPath(folder.absoluteFilePath(QString::fromUtf8(kInstalledGuideFile)));
    return QFileInfo(installed).isFile() ? installed : beside;
}

}  // namespace app
