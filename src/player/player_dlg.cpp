#include "player/player_dlg.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QWindow>
#include <algorithm>

#include "player/status_display.h"
#include "widgets/skin_button.h"

namespace player {

namespace {

constexpr int kVolumeMax = 100;
constexpr int kPercentMax = 100;
constexpr int kStateCount = 4;
constexpr int kModeLine = 2;
constexpr int kFontPixels = 12;

const QColor kStatusText(0, 200, 200);
const QColor kStatusBackground(Qt::black);
const QColor kWindowBackground(24, 32, 40);
const QColor kWindowText(200, 200, 200);
const QColor kFrame(Qt::black);

// Where the controls sit: the top row (title, V, _, X), the status display, progress,
// the transport row with the volume, and below the compact height the queue list.
const QRect kTitleRect(6, 3, 120, 14);
const QRect kAnnounceRect(128, 3, 52, 16);
const QPoint kListTogglePos(186, 2);
const QPoint kHidePos(212, 2);
const QPoint kClosePos(240, 2);
const QRect kStatusRect(4, 22, 285, 48);
const QRect kProgressLabelRect(4, 72, 34, 14);
const QRect kProgressRect(38, 74, 251, 11);
const QPoint kPreviousPos(4, 88);
const QPoint kPlayPos(39, 88);
const QPoint kPausePos(75, 88);
const QPoint kNextPos(111, 88);
const QPoint kOpenPos(146, 92);
const QRect kVolumeLabelRect(184, 94, 34, 14);
const QRect kVolumeRect(216, 90, 73, 24);
const QRect kListRect(4, 120, 250, 86);
const QRect kUpRect(258, 120, 31, 26);
const QRect kDownRect(258, 150, 31, 26);
const QRect kDeleteRect(258, 180, 31, 26);

std::string TitleOf(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The dialog font of the original, with the CJK fonts found on Linux desktops behind it.
QFont WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                      QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(kFontPixels);
    return font;
}

CSkinButton* MakeSkinButton(QWidget* parent, const char* image, const char* tooltip, QPoint pos,
                            bool toggling) {
    auto* button = new CSkinButton(parent);
    button->SetBitmap(QString::fromLatin1(image), kStateCount, 0, Qt::black);
    button->SetTooltipText(QString::fromUtf8(tooltip));
    button->SetToggling(toggling);
    button->setGeometry(QRect(pos, button->sizeHint()));
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* text, const QRect& rect) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(rect);
    return label;
}

QPushButton* MakeListButton(QWidget* parent, const char* text, const char* name,
                            const QRect& rect) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setAccessibleName(QString::fromUtf8(name));
    button->setToolTip(QString::fromUtf8(name));
    button->setGeometry(rect);
    return button;
}

}  // namespace

CPlayerDlg::CPlayerDlg(IAudioSystem& audio, schedule::CSettings& settings,
                       platform::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint),
      m_Settings(settings),
      m_Dialogs(dialogs),
      m_Playback(audio, *this) {
    setWindowTitle(QString::fromUtf8(kTitle));
    setAccessibleName(QString::fromUtf8(kTitle));
    setFont(WindowFont());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kWindowBackground);
    colours.setColor(QPalette::WindowText, kWindowText);
    colours.setColor(QPalette::Button, kWindowBackground.lighter(150));
    colours.setColor(QPalette::ButtonText, kWindowText);
    setPalette(colours);
    setAutoFillBackground(true);
    setFixedSize(kWidth, kHeightCompact);

    m_Timer.setInterval(CPlaybackEngine::kTickIntervalMs);
    connect(&m_Timer, &QTimer::timeout, this, [this] { UpdateStatus(); });

    BuildControls();
    PlaceFromSettings();

    const std::string failure = m_Playback.InitFailureText();
    if (!failure.empty()) {
        m_Dialogs.Message(failure, kErrorCaption, platform::MessageIcon::Error,
                          platform::MessageButtons::Ok);
    }
}

CPlayerDlg::~CPlayerDlg() {
    m_Settings.SetPlayerPosition(x(), y());
    m_Playback.ClearQueue(true);
}

void CPlayerDlg::BuildControls() {
    // Created in the order Tab walks through them.
    m_pStatus = new CStatusDisplay(this);
    m_pStatus->setGeometry(kStatusRect);
    m_pStatus->SetBackgroundColour(kStatusBackground);
    m_pStatus->SetTextColour(kStatusText);

    m_pClose = MakeSkinButton(this, ":/player/close.png", "关闭音乐播放器", kClosePos, true);
    m_pTitle = MakeLabel(this, kTitle, kTitleRect);

    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, kPercentMax);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);
    m_pProgress->setGeometry(kProgressRect);
    m_pProgress->setAccessibleName(QStringLiteral("进度"));
    m_pProgress->installEventFilter(this);
    MakeLabel(this, "进度:", kProgressLabelRect);

    m_pPlay = MakeSkinButton(this, ":/player/play.png", "开始播放", kPlayPos, true);
    MakeLabel(this, "音量:", kVolumeLabelRect);
    m_pVolume = new QSlider(Qt::Horizontal, this);
    m_pVolume->setRange(0, kVolumeMax);
    m_pVolume->setValue(CPlaybackEngine::kDefaultVolume);
    m_pVolume->setGeometry(kVolumeRect);
    m_pVolume->setAccessibleName(QStringLiteral("音量"));
    m_pPause = MakeSkinButton(this, ":/player/pause.png", "暂停播放", kPausePos, true);
    m_pPrevious = MakeSkinButton(this, ":/player/prev.png", "前一首", kPreviousPos, true);
    m_pNext = MakeSkinButton(this, ":/player/next.png", "后一首", kNextPos, true);
    m_pOpen = MakeSkinButton(this, ":/player/open.png", "打开音乐文件", kOpenPos, true);
    for (CSkinButton* button : {m_pPlay, m_pPause, m_pPrevious, m_pNext}) {
        button->setEnabled(false);
    }

    m_pList = new QListWidget(this);
    m_pList->setGeometry(kListRect);
    m_pList->setAccessibleName(QStringLiteral("歌曲列表"));
    QPalette listColours = m_pList->palette();
    listColours.setColor(QPalette::Base, Qt::black);
    listColours.setColor(QPalette::Text, kStatusText);
    m_pList->setPalette(listColours);

    m_pListToggle =
        MakeSkinButton(this, ":/player/list.png", "显示或隐藏歌曲列表", kListTogglePos, false);
    m_pHide = MakeSkinButton(this, ":/player/hide.png", "隐藏音乐播放器", kHidePos, false);
    m_pUp = MakeListButton(this, "↑", "上移", kUpRect);
    m_pDown = MakeListButton(this, "↓", "下移", kDownRect);
    m_pDelete = MakeListButton(this, "删", "删除", kDeleteRect);
    // A flat text button in the title row, in the window's own colours.
    m_pAnnounce = MakeListButton(this, "播报...", "输入文字并立即播报", kAnnounceRect);
    m_pAnnounce->setFlat(true);
    m_pAnnounce->setFocusPolicy(Qt::NoFocus);
    m_pAnnounce->setStyleSheet(
        QStringLiteral("QPushButton { color: rgb(200, 200, 200); border: "
                       "1px solid rgb(90, 100, 110); padding: 0; }"
                       "QPushButton:hover { color: rgb(0, 200, 200); }"));
    for (QWidget* control : {static_cast<QWidget*>(m_pList), static_cast<QWidget*>(m_pUp),
                             static_cast<QWidget*>(m_pDown), static_cast<QWidget*>(m_pDelete)}) {
        control->setVisible(false);
    }

    connect(m_pClose, &QAbstractButton::clicked, this, [this] { OnClose(); });
    connect(m_pPlay, &QAbstractButton::clicked, this, [this] { Play(); });
    connect(m_pPause, &QAbstractButton::clicked, this, [this] { TogglePause(); });
    connect(m_pPrevious, &QAbstractButton::clicked, this, [this] { OnPrevious(); });
    connect(m_pNext, &QAbstractButton::clicked, this, [this] { OnNext(); });
    connect(m_pOpen, &QAbstractButton::clicked, this, [this] { OnOpen(); });
    connect(m_pAnnounce, &QAbstractButton::clicked, this, &CPlayerDlg::announceRequested);
    connect(m_pListToggle, &QAbstractButton::clicked, this, [this] { OnToggleList(); });
    connect(m_pHide, &QAbstractButton::clicked, this, [this] { hide(); });
    connect(m_pUp, &QAbstractButton::clicked, this, [this] { OnMove(false); });
    connect(m_pDown, &QAbstractButton::clicked, this, [this] { OnMove(true); });
    connect(m_pDelete, &QAbstractButton::clicked, this, [this] { OnDelete(); });
    connect(m_pList, &QListWidget::itemDoubleClicked, this, [this] { OnListDoubleClicked(); });

    // The volume changes when the user lets go of the thumb, not while it is dragged;
    // a step by key or by a click beside the thumb is let go at once.
    connect(m_pVolume, &QSlider::sliderReleased, this, [this] { ApplyVolume(m_pVolume->value()); });
    connect(m_pVolume, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction) {
            ApplyVolume(m_pVolume->sliderPosition());
        }
    });
}

std::optional<QPoint> CPlayerDlg::PlacementFor(int savedX, int savedY, QSize screenSize) {
    int x = savedX;
    int y = savedY;
    if (x + kPlacementMarginX > screenSize.width()) {
        x = screenSize.width() - kPlacementMarginX;
    }
    if (y + kPlacementMarginY > screenSize.height()) {
        y = screenSize.height() - kPlacementMarginY;
    }
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (x == 0 || y == 0) {
        return std::nullopt;
    }
    return QPoint(x, y);
}

void CPlayerDlg::PlaceFromSettings() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen != nullptr ? screen->geometry() : QRect();
    const std::optional<QPoint> placed =
        PlacementFor(m_Settings.GetPlayerX(), m_Settings.GetPlayerY(), screenRect.size());
    if (placed) {
        move(*placed);
    } else {
        move(screenRect.center() - rect().center());
    }
}

void CPlayerDlg::RefreshList() {
    m_pList->clear();
    const auto& queue = m_Playback.Queue();
    for (std::size_t i = 0; i < queue.size(); ++i) {
        m_pList->addItem(QString::number(i + 1) + QLatin1Char('.') +
                         QString::fromStdString(TitleOf(queue[i].path)));
    }
}

int CPlayerDlg::OpenFiles(bool clearFirst) {
    platform::FileDialogRequest request;
    request.title = kOpenTitle;
    request.folder = m_strOpenFolder;
    request.filter = kMusicFilter;
    request.multiple = true;
    const std::vector<std::string> files = m_Dialogs.ChooseFiles(request);
    if (files.empty()) {
        return 0;
    }
    if (clearFirst) {
        m_Playback.ClearQueue(true);
    }
    int added = 0;
    for (const std::string& path : files) {
        if (m_Playback.AddFile(path, 1, -1, 0, -1)) {
            ++added;
        }
    }
    return added;
}

void CPlayerDlg::SetStatusLine(int line, const std::string& text) {
    m_pStatus->SetLine(line, QString::fromStdString(text));
}

void CPlayerDlg::SetProgress(int percent) {
    m_pProgress->setValue(std::clamp(percent, 0, kPercentMax));
}

void CPlayerDlg::EnableButton(PlayerButton button, bool enabled) {
    switch (button) {
        case PlayerButton::Play:
            m_pPlay->setEnabled(enabled);
            break;
        case PlayerButton::Pause:
            m_pPause->setEnabled(enabled);
            break;
        case PlayerButton::Previous:
            m_pPrevious->setEnabled(enabled);
            break;
        case PlayerButton::Next:
            m_pNext->setEnabled(enabled);
            break;
    }
}

void CPlayerDlg::SetVolumeSlider(int volume) {
    m_pVolume->setValue(volume);
}

int CPlayerDlg::VolumeSliderPosition() const {
    return m_pVolume->value();
}

void CPlayerDlg::SetProgressTimer(bool running) {
    if (running) {
        m_Timer.start();
    } else {
        m_Timer.stop();
    }
}

void CPlayerDlg::OnQueueCleared() {
    m_pList->clear();
}

void CPlayerDlg::OnTrackStarted(int, const std::string& path) {
    emit trackStarted(QString::fromStdString(path));
}

void CPlayerDlg::OnQueueFinished() {
    QMetaObject::invokeMethod(this, &CPlayerDlg::playbackFinished, Qt::QueuedConnection);
}

void CPlayerDlg::OnOpenFailed(int, const std::string& path) {
    emit openFailed(QString::fromStdString(path));
}

void CPlayerDlg::ApplyVolume(int volume) {
    if (m_Playback.IsPlaying()) {
        const bool limited = m_Playback.LimitMs() < m_Playback.LengthMs();
        SetStatusLine(kModeLine, std::string(limited ? "非全曲播放 - 音量:" : "全曲播放 - 音量:") +
                                     std::to_string(volume) + "\r\n");
    }
    m_Playback.SetChannelVolume(volume);
}

int CPlayerDlg::SelectedRow() const {
    const int row = m_pList->currentRow();
    const bool selected =
        row >= 0 && m_pList->item(row) != nullptr && m_pList->item(row)->isSelected();
    return selected ? row : -1;
}

void CPlayerDlg::OnOpen() {
    const int added = OpenFiles(false);
    RefreshList();
    // A cancelled dialog leaves a waiting track where it is.
    if (added > 0 && !m_Playback.IsPlaying()) {
        emit filesOpened();
        m_Playback.LoadTrack(0);
    }
    UpdateStatus();
}

void CPlayerDlg::OnNext() {
    if (m_Playback.Next() == 0) {
        m_pNext->setEnabled(false);
    }
    m_pPrevious->setEnabled(true);
}

void CPlayerDlg::OnPrevious() {
    if (m_Playback.Previous() == 0) {
        m_pPrevious->setEnabled(false);
    }
    m_pNext->setEnabled(true);
}

void CPlayerDlg::OnListDoubleClicked() {
    const int row = SelectedRow();
    if (row >= 0) {
        m_Playback.LoadTrack(row);
    }
}

void CPlayerDlg::OnMove(bool down) {
    const int row = SelectedRow();
    if (row < 0) {
        return;
    }
    const int moved = m_Playback.MoveEntry(row, down);
    RefreshList();
    m_pList->setCurrentRow(moved);
    m_pList->setFocus();
}

void CPlayerDlg::OnDelete() {
    const int row = SelectedRow();
    if (row < 0) {
        return;
    }
    const unsigned serial = m_Playback.QueueSerial();
    if (m_Dialogs.Message(kDeleteQuestion, kDeleteCaption, platform::MessageIcon::Question,
                          platform::MessageButtons::YesNo) != platform::MessageAnswer::Yes) {
        return;
    }
    // A bell may have replaced the queue while the question was open: the row chosen
    // belongs to the old queue then, and nothing is removed.
    if (m_Playback.QueueSerial() != serial) {
        return;
    }
    if (m_Playback.RemoveEntry(row)) {
        RefreshList();
        m_pList->setCurrentRow(row);
    }
}

void CPlayerDlg::OnToggleList() {
    m_bListShown = !m_bListShown;
    for (QWidget* control : {static_cast<QWidget*>(m_pList), static_cast<QWidget*>(m_pUp),
                             static_cast<QWidget*>(m_pDown), static_cast<QWidget*>(m_pDelete)}) {
        control->setVisible(m_bListShown);
    }
    setFixedSize(kWidth, m_bListShown ? kHeightWithList : kHeightCompact);
    update();
}

void CPlayerDlg::OnClose() {
    QMetaObject::invokeMethod(this, &CPlayerDlg::playbackFinished, Qt::QueuedConnection);
    m_Playback.ClearQueue(true);
    hide();
    m_pList->clear();
}

void CPlayerDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(kFrame);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

void CPlayerDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            hide();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OnClose();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

// The window has no caption: pressing anywhere on its body drags it.
void CPlayerDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    QWindow* window = windowHandle();
    if (window != nullptr && window->startSystemMove()) {
        return;
    }
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void CPlayerDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragOffset && (event->buttons() & Qt::LeftButton) != 0) {
        move(event->globalPosition().toPoint() - *m_dragOffset);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CPlayerDlg::mouseReleaseEvent(QMouseEvent* event) {
    m_dragOffset.reset();
    QWidget::mouseReleaseEvent(event);
}

// A left click on the progress bar seeks to the clicked share of the play limit.
bool CPlayerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pProgress && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_Playback.IsPlaying() && !m_Playback.IsPaused() &&
            m_pProgress->width() > 0) {
            const int x =
                std::clamp(static_cast<int>(mouse->position().x()), 0, m_pProgress->width());
            const int percent = x * kPercentMax / m_pProgress->width();
            SetProgress(percent);
            m_Playback.SeekPercent(percent);
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace player
