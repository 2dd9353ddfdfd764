#pragma once
// The media player window: a small frameless window that shows what plays (four status
// lines, progress, volume, the queue) and controls it. It owns the playback engine and
// is the door through which the scheduling engine, the main frame and the editors reach it.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/engine_player.h"
#include "platform/dialogs.h"
#include "player/audio_system.h"
#include "player/playback_engine.h"
#include "player/playback_owner.h"
#include "schedule/settings.h"

class CSkinButton;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSlider;

namespace player {

class CStatusDisplay;

class CPlayerDlg : public QWidget, public engine::IPlayer, public IPlaybackOwner {
    Q_OBJECT

public:
    static constexpr int kWidth = 293;
    static constexpr int kHeightCompact = 120;
    static constexpr int kHeightWithList = 210;
    // The room kept between a restored position and the screen's right and bottom edges.
    static constexpr int kPlacementMarginX = 320;
    static constexpr int kPlacementMarginY = 160;

    // The texts of the window.
    static constexpr const char* kTitle = "媒体播放器";
    static constexpr const char* kOpenTitle = "请选择音乐文件";
    static constexpr const char* kMusicFilter =
        "所有音乐格式|*.MOD;*.S3M;*.XM;*.IT;*.MID;*.RMI;*.SGT;*.WAV;*.MP2;*.MP3;*.OGG;*.WMA;"
        "*.ASF;*.AIFF;*.FSB;*.OXM|波形文件WAV (*.WAV)|*.WAV|MP3/MP2音频 (*.MP3 *.MP2)|*.MP2;*.MP3|"
        "OGG音频文件 (*.OGG)|*.OGG|WMA音频格式 (*.WMA *.ASF)|*.WMA;*.ASF|MOD音频格式 (*.MOD)|*.MOD|"
        "AIFF音频格式(*.AIFF)|*.AIFF|MIDI音频格式(*.MID,*.RMI,*.SGT)|*.MID;*.RMI;*.SGT|"
        "语音播报文件 (*.TXT)|*.TXT|所有文件 (*.*)|*.*||";
    static constexpr const char* kDeleteQuestion = "真的要删除当前选中的歌曲吗?";
    static constexpr const char* kDeleteCaption = "删除当前歌曲";
    static constexpr const char* kErrorCaption = "错误";

    // Starts the audio system (a failure is shown once through dialogs) and places the
    // window from the saved position. The window starts hidden. audio, settings and
    // dialogs must outlive the window.
    CPlayerDlg(IAudioSystem& audio, schedule::CSettings& settings, platform::Dialogs& dialogs,
               QWidget* parent = nullptr);
    // Saves the window's position and stops what plays.
    ~CPlayerDlg() override;
    CPlayerDlg(const CPlayerDlg&) = delete;
    CPlayerDlg& operator=(const CPlayerDlg&) = delete;

    // Where a saved position puts the window on a screen of screenSize: the position
    // kept clear of the right and bottom edges, or nothing when the window is to be
    // centred (x or y is 0 after clamping).
    static std::optional<QPoint> PlacementFor(int savedX, int savedY, QSize screenSize);

    CPlaybackEngine& Engine() { return m_Playback; }

    // engine::IPlayer
    void ClearQueue(bool stopFirst) override { m_Playback.ClearQueue(stopFirst); }
    bool Append(const schedule::TrackEntry& entry) override { return m_Playback.Append(entry); }
    bool AddFile(const std::string& path, int autoPlay, int limitMs, int useDefaultVolume,
                 int volume) override {
        return m_Playback.AddFile(path, autoPlay, limitMs, useDefaultVolume, volume);
    }
    bool LoadTrack(int index) override { return m_Playback.LoadTrack(index); }
    // Shows one line "n.title" per queued entry.
    void RefreshList() override;
    std::uint32_t ProbeLength(const std::string& path) override {
        return m_Playback.ProbeLength(path);
    }
    void PrepareTrack(const schedule::TrackEntry& entry) override { m_Playback.Prepare(entry); }
    void DropPrepared() override { m_Playback.DropPrepared(); }
    void StartPrepared() override { m_Playback.StartPrepared(); }
    void WarmUpFor(const std::vector<std::string>& paths) override { m_Playback.WarmUpFor(paths); }
    // Lets the user choose music files and queues them for automatic, whole-file play
    // at the slider's volume; with clearFirst the queue is emptied once the user has
    // confirmed. Returns the number of files queued.
    int OpenFiles(bool clearFirst) override;
    // One progress step; the window's one-second timer calls it while a track plays.
    void UpdateStatus() override { m_Playback.Tick(); }
    bool IsPlaying() override { return m_Playback.IsPlaying(); }
    void SetDefaultVolume(int volume) override { m_Playback.SetDefaultVolume(volume); }

    // The engine's other operations, for the main frame and the editors.
    void Play() { m_Playback.Play(); }
    void TogglePause() { m_Playback.TogglePause(); }
    void Stop() { m_Playback.Stop(); }
    int Next() { return m_Playback.Next(); }
    int Previous() { return m_Playback.Previous(); }
    void SeekPercent(int percent) { m_Playback.SeekPercent(percent); }
    void SetChannelVolume(int volume) { m_Playback.SetChannelVolume(volume); }
    int MoveEntry(int index, bool down) { return m_Playback.MoveEntry(index, down); }
    bool RemoveEntry(int index) { return m_Playback.RemoveEntry(index); }

    // The folder the open dialog starts in ("." unless set).
    void SetOpenFolder(const std::string& folder) { m_strOpenFolder = folder; }
    bool IsListShown() const { return m_bListShown; }
    bool IsProgressTimerRunning() const { return m_Timer.isActive(); }

    // player::IPlaybackOwner
    void SetStatusLine(int line, const std::string& text) override;
    void SetProgress(int percent) override;
    void EnableButton(PlayerButton button, bool enabled) override;
    void SetVolumeSlider(int volume) override;
    int VolumeSliderPosition() const override;
    void SetProgressTimer(bool running) override;
    void OnQueueCleared() override;
    void OnTrackStarted(int index, const std::string& path) override;
    void OnQueueFinished() override;
    void OnOpenFailed(int index, const std::string& path) override;

signals:
    // Playing has finished: the last track of the queue ended, or the user closed the
    // player with X or Enter. Delivered from the event loop once the operation that
    // caused it has finished, so a receiver may run programs or touch the queue.
    void playbackFinished();
    // A track began to sound (path as queued).
    void trackStarted(const QString& path);
    // The user opened files in this window and they start now (a manual play).
    void filesOpened();
    // A queue entry could not be opened; nothing plays now.
    void openFailed(const QString& path);
    // The user asked to type a text and have it spoken ("播报...").
    void announceRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void PlaceFromSettings();
    void ApplyVolume(int volume);
    int SelectedRow() const;

    // Commands of the window's controls.
    void OnOpen();
    void OnNext();
    void OnPrevious();
    void OnListDoubleClicked();
    void OnMove(bool down);
    void OnDelete();
    void OnToggleList();
    void OnClose();

    schedule::CSettings& m_Settings;
    platform::Dialogs& m_Dialogs;
    std::string m_strOpenFolder = ".";
    bool m_bListShown = false;
    std::optional<QPoint> m_dragOffset;  // set while the body is dragged by hand
    QTimer m_Timer;

    CStatusDisplay* m_pStatus = nullptr;
    CSkinButton* m_pClose = nullptr;
    QLabel* m_pTitle = nullptr;
    QProgressBar* m_pProgress = nullptr;
    CSkinButton* m_pPlay = nullptr;
    QSlider* m_pVolume = nullptr;
    CSkinButton* m_pPause = nullptr;
    CSkinButton* m_pPrevious = nullptr;
    CSkinButton* m_pNext = nullptr;
    CSkinButton* m_pOpen = nullptr;
    QListWidget* m_pList = nullptr;
    CSkinButton* m_pListToggle = nullptr;
    CSkinButton* m_pHide = nullptr;
    QPushButton* m_pUp = nullptr;
    QPushButton* m_pDown = nullptr;
    QPushButton* m_pDelete = nullptr;
    QPushButton* m_pAnnounce = nullptr;

    CPlaybackEngine m_Playback;  // last: it reports to this window from its start
};

}  // namespace player
