#pragma once
// The controls of one track entry in a group box: its file with a browse button, whole
// play or a number of seconds, the file's length, auto play and the volume. The store
// editors show one for each track they edit.

#include <QGroupBox>

#include "schedule/records.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace platform {
class Dialogs;
}

namespace editors {

class CNumberField;

class CTrackEntryPanel : public QGroupBox {
    Q_OBJECT

public:
    // Every control's object name starts with namePrefix ("main" gives "mainFileEdit")
    // and the box is named namePrefix + "Group"; without a prefix the names start in
    // lower case ("fileEdit") and the box has none.
    CTrackEntryPanel(const QString& title, const QString& namePrefix, const QString& browseText,
                     QWidget* parent);

    QLineEdit* FileEdit() const { return m_pFile; }
    QPushButton* BrowseButton() const { return m_pBrowse; }
    QCheckBox* FullPlayCheck() const { return m_pFullPlay; }
    CNumberField* SecondsField() const { return m_pSeconds; }
    QCheckBox* AutoPlayCheck() const { return m_pAutoPlay; }
    CNumberField* VolumeField() const { return m_pVolume; }
    QCheckBox* DefaultVolumeCheck() const { return m_pDefaultVolume; }

    // Lets only digits be typed into the seconds and volume fields.
    void SetDigitsOnly(bool on);
    // The seconds and the volume; false (after the prompt) when one holds no whole number
    // or the seconds are negative.
    bool ReadNumbers(platform::Dialogs& dialogs, int& seconds, int& volume) const;
    // Copies the controls over the entry's path and play settings, with seconds and
    // volume as read from the number fields; the entry's length is left as it is.
    void ReadEntry(schedule::TrackEntry& entry, int seconds, int volume) const;
    void ShowEntry(const schedule::TrackEntry& entry);
    void ShowLength(int seconds);
    // Enables the seconds field unless the track plays whole and the volume field unless
    // it plays at the default volume; neither while the box itself is disabled.
    void ApplyEnabling();

signals:
    // The user changed a play setting. Changes of the file name are not included: each
    // editor handles those itself.
    void Edited();

private:
    QLineEdit* m_pFile = nullptr;
    QPushButton* m_pBrowse = nullptr;
    QCheckBox* m_pFullPlay = nullptr;
    CNumberField* m_pSeconds = nullptr;
    QLabel* m_pLength = nullptr;
    QCheckBox* m_pAutoPlay = nullptr;
    CNumberField* m_pVolume = nullptr;
    QCheckBox* m_pDefaultVolume = nullptr;
};

}  // namespace editors
