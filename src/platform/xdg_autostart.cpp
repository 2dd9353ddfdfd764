#include "platform/xdg_autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace platform {

namespace {

// A word of an Exec line, quoted when it holds anything the desktop would split on.
QString ExecWord(QString word) {
    if (!word.contains(QRegularExpression(QStringLiteral("[\\s\"'\\\\$`%]")))) {
        return word;
    }
    word.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    word.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    word.replace(QLatin1Char('$'), QStringLiteral("\\$"));
    word.replace(QLatin1Char('`'), QStringLiteral("\\`"));
    word.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + word + QLatin1Char('"');
}

// The program an Exec line starts: its first word, unquoted.
QString ExecProgram(const QString& exec) {
    const QString line = exec.trimmed();
    if (!line.startsWith(QLatin1Char('"'))) {
        return line.section(QLatin1Char(' '), 0, 0)
            .replace(QStringLiteral("%%"), QStringLiteral("%"));
    }
    QString program;
    for (int i = 1; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\') && i + 1 < line.size()) {
            program += line[++i];
        } else if (line[i] == QLatin1Char('"')) {
            break;
        } else {
            program += line[i];
        }
    }
    return program.replace(QStringLiteral("%%"), QStringLiteral("%"));
}

}  // namespace

XdgAutostart::XdgAutostart(QString program, QString programFolder)
    : m_strProgram(std::move(program)), m_strFolder(std::move(programFolder)) {}

QString XdgAutostart::EntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/QELT.desktop");
}

bool XdgAutostart::IsAutostartSet() const {
    QFile file(EntryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    // An entry the desktop's settings switched off (Hidden, or GNOME's enabled key)
    // does not start the program, whatever its Exec line says.
    QTextStream in(&file);
    bool startsThis = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QStringLiteral("Exec="))) {
            startsThis = ExecProgram(line.mid(5)).compare(m_strProgram, Qt::CaseInsensitive) == 0;
        } else if (line.compare(QStringLiteral("Hidden=true"), Qt::CaseInsensitive) == 0 ||
                   line.compare(QStringLiteral("X-GNOME-Autostart-enabled=false"),
                                Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    return startsThis;
}

bool XdgAutostart::SetAutostart(bool on) {
    const QString path = EntryPath();
    if (!on) {
        return !QFileInfo::exists(path) || QFile::remove(path);
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QString exec = ExecWord(m_strProgram);
    if (!m_strFolder.isEmpty()) {
        exec += QStringLiteral(" --dir ") + ExecWord(m_strFolder);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    const QString entry = QStringLiteral(
                              "[Desktop Entry]\n"
                              "Type=Application\n"
                              "Name=QELT\n"
                              "Comment=按作息表播放铃声与音乐\n"
                              "Exec=%1\n"
                              "Icon=org.qelt.qelt\n"
                              "Terminal=false\n"
                              "X-GNOME-Autostart-enabled=true\n")
                              .arg(exec);
    file.write(entry.toUtf8());
    return file.commit();
}

}  // namespace platform
