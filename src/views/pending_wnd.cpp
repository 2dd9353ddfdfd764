#include "views/pending_wnd.h"

#include <QPaintEvent>
#include <QPainter>

#include "views/schedule_list_view.h"
#include "views/view_style.h"

namespace views {

namespace {

constexpr int kBigFontPixels = 32;
constexpr int kSmallFontPixels = 16;

const QColor kShadowColour(60, 60, 60);
const QColor kCaptionColour(255, 0, 0);
const QColor kTitleColour(255, 255, 0);
const QColor kBoxColour(255, 192, 128);
const QColor kValueColour(0, 0, 255);

// Text positions are the top-left corners of the texts.
constexpr QPoint kCaptionAt(50, 20);
constexpr QPoint kShadowOffset(1, 1);
constexpr QPoint kPendingTitleAt(200, 100);
constexpr QPoint kListTitleAt(300, 60);
// The day's note, under the caption and above the list in both layouts.
constexpr QPoint kNoteAt(50, 62);
constexpr int kNotePadding = 4;
const QColor kNoteColour(255, 255, 255);
const QColor kAlertColour(208, 0, 0);

constexpr QRect kBox(120, 160, 340, 150);
constexpr QPoint kBoxShadowOffset(5, 5);
constexpr int kLabelX = 130;
constexpr int kValueX = 220;
constexpr int kFirstLineY = 180;
constexpr int kLineStep = 30;

void DrawTextAt(QPainter& painter, const QPoint& topLeft, const std::string& text) {
    painter.drawText(topLeft + QPoint(0, painter.fontMetrics().ascent()),
                     QString::fromStdString(text));
}

// A heading with its grey shadow one pixel down and to the right.
void DrawHeading(QPainter& painter, const QPoint& at, const QColor& colour,
                 const std::string& text) {
    painter.setPen(kShadowColour);
    DrawTextAt(painter, at + kShadowOffset, text);
    painter.setPen(colour);
    DrawTextAt(painter, at, text);
}

}  // namespace

CPendingWnd::CPendingWnd(QWidget* parent)
    : QFrame(parent),
      m_strTimetableTitle(texts::kNoTimetable),
      m_strCaption(texts::kDefaultCaption),
      m_BigFont(MakeHeadingFont(kBigFontPixels)),
      m_SmallFont(MakeLabelFont(kSmallFontPixels)) {
    setObjectName(QStringLiteral("pendingView"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    // Every paint covers the whole area, so Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);

    m_pListView = new CScheduleListView(this);
    m_pListView->hide();
    UpdateAccessibleTexts();
}

CPendingWnd::~CPendingWnd() = default;

void CPendingWnd::SetCaption(const std::string& text) {
    m_strCaption = text;
    UpdateAccessibleTexts();
    update();
}

void CPendingWnd::SetTimetableTitle(const std::string& text) {
    m_strTimetableTitle = text;
    UpdateAccessibleTexts();
    update();
}

void CPendingWnd::SetHoliday(bool holiday) {
    m_bHoliday = holiday;
    if (holiday) {
        SetNextItem(nullptr);
    }
}

void CPendingWnd::SetDayNote(const std::string& text, bool alert) {
    m_strDayNote = text;
    m_bNoteAlert = alert;
    UpdateAccessibleTexts();
    update();
}

void CPendingWnd::SetNextItem(const schedule::ScheduleItem* item) {
    if (m_bHoliday) {
        m_strItemTitle = texts::kHoliday;
        m_strMusicName.clear();
        m_strPlayMode.clear();
        m_strTimeText.clear();
    } else if (item != nullptr) {
        m_strItemTitle = item->title;
        m_strMusicName = item->musicName;
        m_strPlayMode = item->autoPlay != 0 ? texts::kAutoPlay : texts::kManualPlay;
        m_strTimeText = FormatTimeOfDay(item->time);
    } else {
        m_strItemTitle = texts::kItemsFinished;
        m_strMusicName.clear();
        m_strPlayMode.clear();
        m_strTimeText.clear();
    }
    UpdateAccessibleTexts();
    // The item's texts live in the box (and may run past its right edge), so repaint
    // the band from the box down with its background: the old values must vanish.
    if (m_nPendingMode != 0) {
        const QRect box = ItemBoxRect();
        update(QRect(box.left(), box.top(), width() - box.left(), box.height()));
    }
}

void CPendingWnd::SetBackColour(std::uint32_t colour) {
    m_BackColour = colour;
    update();
}

void CPendingWnd::SetPendingMode(int mode) {
    m_nPendingMode = mode != 0 ? 1 : 0;
    if (m_nPendingMode == 0) {
        m_pListView->show();
        m_pListView->setFocus();
    } else {
        m_pListView->hide();
    }
    UpdateAccessibleTexts();
    update();
}

void CPendingWnd::SetShowPicture(bool show) {
    m_bShowPicture = show;
    update();
}

bool CPendingWnd::LoadBackgroundPicture(const std::string& path) {
    const bool builtIn = path.empty() || path == " ";
    bool loaded = !builtIn && m_Picture.LoadFromFile(path);
    if (!loaded) {
        const bool builtInLoaded = m_Picture.LoadFromResource(CPictureImage::kBuiltInPicture);
        loaded = builtIn && builtInLoaded;
    }
    update();
    return loaded;
}

void CPendingWnd::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect client = contentsRect();
    painter.setClipRect(event->rect() & client);
    // The colour goes down first even under a picture, so a holder that has lost its
    // picture never leaves stale pixels behind.
    painter.fillRect(client, ColourFromWord(m_BackColour));
    if (m_bShowPicture) {
        m_Picture.Draw(painter, client);
    }
    painter.translate(client.topLeft());
    DrawTextLayer(painter);
    painter.resetTransform();
    painter.setClipping(false);
    drawFrame(&painter);
}

void CPendingWnd::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const QRect client = contentsRect();
    m_pListView->setGeometry(client.adjusted(0, kListTop, 0, 0));
}

void CPendingWnd::DrawTextLayer(QPainter& painter) const {
    painter.setFont(m_BigFont);
    DrawHeading(painter, kCaptionAt, kCaptionColour, m_strCaption);
    if (!m_strDayNote.empty()) {
        painter.setFont(m_SmallFont);
        if (m_bNoteAlert) {
            const QRect text =
                painter.fontMetrics().boundingRect(QString::fromStdString(m_strDayNote));
            painter.fillRect(
                QRect(kNoteAt, text.size())
                    .adjusted(-kNotePadding, -kNotePadding, kNotePadding, kNotePadding),
                kAlertColour);
            painter.setPen(kNoteColour);
            DrawTextAt(painter, kNoteAt, m_strDayNote);
        } else {
            DrawHeading(painter, kNoteAt, kNoteColour, m_strDayNote);
        }
        painter.setFont(m_BigFont);
    }
    if (m_nPendingMode == 0) {
        DrawHeading(painter, kListTitleAt, kTitleColour, m_strTimetableTitle);
        return;
    }
    DrawHeading(painter, kPendingTitleAt, kTitleColour, m_strTimetableTitle);

    painter.fillRect(kBox.translated(kBoxShadowOffset), Qt::black);
    painter.fillRect(kBox, kBoxColour);

    painter.setFont(m_SmallFont);
    const char* const labels[] = {texts::kNextTitleLabel, texts::kPlayTimeLabel, texts::kTrackLabel,
                                  texts::kPlayModeLabel};
    const std::string* const values[] = {&m_strItemTitle, &m_strTimeText, &m_strMusicName,
                                         &m_strPlayMode};
    for (int line = 0; line < 4; ++line) {
        const int y = kFirstLineY + line * kLineStep;
        painter.setPen(Qt::black);
        DrawTextAt(painter, QPoint(kLabelX, y), labels[line]);
        painter.setPen(kValueColour);
        DrawTextAt(painter, QPoint(kValueX, y), *values[line]);
    }
}

QRect CPendingWnd::ItemBoxRect() const {
    return kBox.united(kBox.translated(kBoxShadowOffset)).translated(contentsRect().topLeft());
}

void CPendingWnd::UpdateAccessibleTexts() {
    setAccessibleName(
        QString::fromStdString(m_strCaption + " " + m_strTimetableTitle +
                               (m_strDayNote.empty() ? std::string() : " " + m_strDayNote)));
    if (m_nPendingMode == 0) {
        setAccessibleDescription(QString());
        return;
    }
    const std::string description = std::string(texts::kNextTitleLabel) + m_strItemTitle + "\n" +
                                    texts::kPlayTimeLabel + m_strTimeText + "\n" +
                                    texts::kTrackLabel + m_strMusicName + "\n" +
                                    texts::kPlayModeLabel + m_strPlayMode;
    setAccessibleDescription(QString::fromStdString(description));
}

}  // namespace views
