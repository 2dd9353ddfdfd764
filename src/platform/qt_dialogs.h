#pragma once
// The dialogs of the running program: QMessageBox, QFileDialog and QColorDialog.

#include <QString>
#include <QStringList>

#include "platform/dialogs.h"

class QWidget;

namespace platform {

class QtDialogs : public Dialogs {
public:
    // Dialogs open over parent, or over the active window when parent is null.
    explicit QtDialogs(QWidget* parent = nullptr) : m_pParent(parent) {}

    MessageAnswer Message(const std::string& text, const std::string& caption, MessageIcon icon,
                          MessageButtons buttons) override;
    std::vector<std::string> ChooseFiles(const FileDialogRequest& request) override;
    std::optional<std::uint32_t> ChooseColour(std::uint32_t initial) override;

    // "描述|*.a;*.b|…||" as Qt name filters whose patterns match either letter case.
    static QStringList NameFilters(const std::string& filter);

private:
    QWidget* Parent() const;

    QWidget* m_pParent;
};

}  // namespace platform
