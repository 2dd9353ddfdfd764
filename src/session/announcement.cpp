#include "session/announcement.h"

#include <QString>
#include <filesystem>
#include <system_error>

#include "schedule/atomic_file.h"

namespace session {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxCopies = 1000;

bool FitsFileName(QChar c) {
    static const QString kRefused = QStringLiteral("/\\:*?\"<>|");
    return !c.isNull() && c.category() != QChar::Other_Control && !kRefused.contains(c);
}

}  // namespace

std::string AnnouncementFileName(const std::string& text) {
    const QString all = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QString name;
    for (const QChar c : all.trimmed()) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
            name.size() >= kAnnouncementNameChars) {
            break;
        }
        if (FitsFileName(c)) {
            name += c;
        }
    }
    // A name starting with a dot would be hidden, one of dots alone a folder's.
    while (name.startsWith(QLatin1Char('.'))) {
        name.remove(0, 1);
    }
    name = name.trimmed();
    if (name.isEmpty()) {
        name = QString::fromUtf8(kAnnouncementFolder);
    }
    return (name + QStringLiteral(".txt")).toStdString();
}

std::optional<std::string> WriteAnnouncement(const std::string& folder, const std::string& text) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        return std::nullopt;
    }
    const fs::path first = fs::path(folder) / AnnouncementFileName(text);
    for (int copy = 1; copy <= kMaxCopies; ++copy) {
        fs::path path = first;
        if (copy > 1) {
            path.replace_filename(first.stem().string() + " (" + std::to_string(copy) + ")" +
                                  first.extension().string());
        }
        if (!fs::exists(path, error)) {
            return schedule::WriteFileAtomically(path.string(), text) == schedule::WriteResult::Ok
                       ? std::optional(path.string())
                       : std::nullopt;
        }
        if (schedule::ReadWholeFile(path.string()) == text) {
            return path.string();
        }
    }
    return std::nullopt;
}

}  // namespace session
