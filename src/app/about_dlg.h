#pragma once
// The about box: the program's icon, name and build, what it does, and links to the
// user guide, the feedback page and the project's mail address.

#include <QDialog>

#include "platform/dialogs.h"

namespace app {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(platform::Dialogs& dialogs, QWidget* parent = nullptr);
};

}  // namespace app
