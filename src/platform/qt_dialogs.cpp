#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace platform {

namespace {

// "*.mp3" → "*.[mM][pP]3": Qt's name filters compare letter case on this system.
QString CaseFreePattern(const QString& pattern) {
    QString out;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper()) {
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

QStringList QtDialogs::NameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << CaseFreePattern(p.trimmed());
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters;
}

QWidget* QtDialogs::Parent() const {
    return m_pParent != nullptr ? m_pParent : QApplication::activeWindow();
}

MessageAnswer QtDialogs::Message(const std::string& text, const std::string& caption,
                                 MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(Parent());
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    switch (icon) {
        case MessageIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
    }
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

std::vector<std::string> QtDialogs::ChooseFiles(const FileDialogRequest& request) {
    QFileDialog dialog(Parent(), QString::fromStdString(request.title),
                       QString::fromStdString(request.folder));
    // The type list shows each description as written ("波形文件WAV (*.WAV)"); the
    // patterns added for matching either letter case stay out of sight.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(NameFilters(request.filter));
    if (request.save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    } else {
        dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles
                                            : QFileDialog::ExistingFile);
    }
    if (!request.fileName.empty()) {
        dialog.selectFile(QString::fromStdString(request.fileName));
    }
    std::vector<std::string> files;
    if (dialog.exec() == QDialog::Accepted) {
        for (const QString& f : dialog.selectedFiles()) {
            files.push_back(f.toStdString());
        }
    }
    return files;
}

std::optional<std::uint32_t> QtDialogs::ChooseColour(std::uint32_t initial) {
    const QColor start(static_cast<int>(initial & 0xFFu), static_cast<int>((initial >> 8) & 0xFFu),
                       static_cast<int>((initial >> 16) & 0xFFu));
    const QColor chosen = QColorDialog::getColor(start, Parent());
    if (!chosen.isValid()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(chosen.red()) |
           (static_cast<std::uint32_t>(chosen.green()) << 8) |
           (static_cast<std::uint32_t>(chosen.blue()) << 16);
}

}  // namespace platform
