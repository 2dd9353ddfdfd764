#pragma once
// The system settings dialog: school name, automatic shutdown and its delay, the display
// the main window starts with, the player and prompt switches, start with the desktop,
// the default volume, the audio output and the remote page. Applying changes the main window at
// once and writes the settings. Modeless: it deletes itself when it closes.

#include <QDialog>
#include <string>

#include "editors/editor_host.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;

namespace editors {

class CNumberField;

class CSettingsDlg : public QDialog {
    Q_OBJECT

public:
    // The parent defaults to the host's window.
    explicit CSettingsDlg(IEditorHost& host, QWidget* parent = nullptr);

    // Applies the controls to the main window and the settings file; false when a field
    // holds something unusable (the dialog is left on it) or the settings file could not
    // be written (the user was told), so OK keeps the dialog open.
    bool Apply();

public slots:
    void accept() override;

private:
    void ShowVolume(int volume);
    // Lists the default output, the system's outputs and a stored one that is missing,
    // and selects the stored one.
    void FillOutputDevices();
    // Opens the Snapcast dialog; OK chooses its output, cancel the output chosen before.
    void ChooseSnapcast();
    // Shows the Snapcast output id in the list (its one entry for it) and chooses it.
    void ShowSnapcastOutput(const std::string& id);
    // The "远程控制" group, filled from the settings' "远程" section.
    QWidget* CreateRemoteGroup();
    void ShowRemoteAddress();
    // Writes the remote page's keys and puts them in force; false when it could not be done
    // (said, except an unwritten file when reportUnwritten is false).
    bool ApplyRemote(bool reportUnwritten);
    // The "语音" group: the engine that speaks text files and its rate.
    QWidget* CreateSpeechGroup();
    // Writes the group's keys when they differ from the file's; false when not written.
    bool ApplySpeech();

    IEditorHost& m_Host;
    QLineEdit* m_pSchoolName = nullptr;
    QCheckBox* m_pAutoShutdown = nullptr;
    CNumberField* m_pDelay = nullptr;
    QCheckBox* m_pShowPending = nullptr;
    QCheckBox* m_pShowPlayer = nullptr;
    QCheckBox* m_pPopupPrompt = nullptr;
    QCheckBox* m_pAutostart = nullptr;
    QSlider* m_pVolume = nullptr;
    QLabel* m_pVolumeLabel = nullptr;
    QComboBox* m_pOutputDevice = nullptr;  // each item's data is the output's identifier
    int m_nOutputIndex = 0;                // the output chosen before the Snapcast dialog
    QCheckBox* m_pRemoteOn = nullptr;
    QLineEdit* m_pRemoteAddress = nullptr;
    QSpinBox* m_pRemotePort = nullptr;
    QLineEdit* m_pRemoteUrl = nullptr;
    QComboBox* m_pSpeechEngine = nullptr;
    QSpinBox* m_pSpeechRate = nullptr;
    // The token shown and written on apply (a new one once regenerated).
    std::string m_strRemoteToken;
};

}  // namespace editors
