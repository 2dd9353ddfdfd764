#pragma once
// The popup that slides out of the taskbar edge to announce schedule items. It never
// takes the focus; clicking it emits clicked() (the frame shows the player).

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

class CTaskbarNotifier : public QWidget {
    Q_OBJECT

public:
    enum class NotifierState { Idle, Appearing, Waiting, Disappearing };
    // Where the taskbar (panel) sits; the popup slides out of that edge.
    enum class TaskbarEdge { Top = 1, Left = 2, Right = 3, Bottom = 4 };

    // Style bits of SetTextFont.
    static constexpr int kStyleBold = 1;
    static constexpr int kStyleItalic = 2;
    static constexpr int kStyleUnderline = 4;
    // Pixels per animation step.
    static constexpr int kStep = 2;

    // Pass no parent to keep the popup showing while the main window is hidden; the
    // owner deletes it then.
    explicit CTaskbarNotifier(QWidget* parent = nullptr);
    ~CTaskbarNotifier() override;

    // Loads the skin image (a file or ":/…" resource); its size becomes the window
    // size and the text rectangle is reset to the whole skin. False when it cannot be
    // loaded: the notifier then has no size and shows nothing.
    bool SetSkin(const QString& resourcePath);
    void SetTextFont(const QString& face, int sizeInTenthsOfPoint, int normalStyle, int hoverStyle);
    void SetTextColor(const QColor& normal, const QColor& hover);
    void SetTextRect(const QRect& rect);

    // Shows text: slides in over showMs, stays stayMs, slides out over hideMs. A new
    // text while sliding in just replaces the text; while it stays or slides out the
    // popup is (back) fully shown for another full stay.
    void Show(const QString& text, int showMs, int stayMs, int hideMs);
    // Stops at once and hides.
    void Hide();

    NotifierState State() const { return m_nState; }
    QString Text() const { return m_strText; }
    QSize SkinSize() const { return m_skin.size(); }
    QRect TextRect() const { return m_rcText; }
    bool IsHovering() const { return m_bHovering; }

    // Where the taskbar is, from the screen and its work area (the screen less panels).
    static TaskbarEdge EdgeOf(const QRect& screen, const QRect& workArea);
    // The popup's position hidden next to the taskbar, and fully shown.
    static QPoint HiddenPosition(TaskbarEdge edge, const QRect& workArea, const QSize& size);
    static QPoint ShownPosition(TaskbarEdge edge, const QRect& workArea, const QSize& size);

signals:
    void clicked();

protected:
    // An idle notifier has nothing to show: showing it from outside does nothing.
    void setVisible(bool visible) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void OnAppearStep();
    void OnStayOver();
    void OnDisappearStep();
    // One step of slide from the current position toward target; true once there.
    bool StepToward(const QPoint& target);

    QPixmap m_skin;
    QRect m_rcText;
    QFont m_normalFont;
    QFont m_hoverFont;
    QColor m_normalColour = Qt::black;
    QColor m_hoverColour = QColor(0, 0, 200);
    QString m_strText;

    int m_nShowMs = 0;
    int m_nStayMs = 0;
    int m_nHideMs = 0;
    int m_nShowDelay = 1;
    int m_nHideDelay = 1;
    NotifierState m_nState = NotifierState::Idle;
    TaskbarEdge m_nEdge = TaskbarEdge::Bottom;
    QPoint m_ptStart;
    QPoint m_ptShown;
    bool m_bHovering = false;

    QTimer m_appearTimer;
    QTimer m_stayTimer;
    QTimer m_disappearTimer;
};
