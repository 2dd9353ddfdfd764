#pragma once
// The main window's client area. In the pending layout it shows the school name, the
// timetable's title and, in a box, the next schedule item over a background colour or
// picture; in the list layout it keeps the two headings in a band at the top and the list
// of today's items fills the rest.

#include <cstdint>
#include <string>

#include <QFrame>

#include "schedule/records.h"
#include "schedule/settings.h"
#include "views/picture_image.h"

namespace views {

class CScheduleListView;

class CPendingWnd : public QFrame {
    Q_OBJECT
public:
    // Height of the heading band above the list in the list layout.
    static constexpr int kListTop = 100;
    static constexpr auto kDefaultBackColour =
        static_cast<std::uint32_t>(schedule::ini::kDefaultBackgroundColor);

    explicit CPendingWnd(QWidget* parent = nullptr);
    ~CPendingWnd() override;

    // Texts are UTF-8.
    void SetCaption(const std::string& text);
    void SetTimetableTitle(const std::string& text);
    // Shows the item as the next one, or, without an item, that today's items are done.
    void SetNextItem(const schedule::ScheduleItem* item);
    // On a holiday the box says so instead of naming an item; SetNextItem shows items
    // again once the holiday is over.
    void SetHoliday(bool holiday);
    // A line under the caption in either layout ("今日按星期五作息"); an alert is white on
    // red (an emergency broadcast). Empty: none.
    void SetDayNote(const std::string& text, bool alert);
    const std::string& GetDayNote() const { return m_strDayNote; }

    const std::string& GetCaption() const { return m_strCaption; }
    const std::string& GetTimetableTitle() const { return m_strTimetableTitle; }
    const std::string& GetItemTitle() const { return m_strItemTitle; }
    const std::string& GetTimeText() const { return m_strTimeText; }
    const std::string& GetMusicName() const { return m_strMusicName; }
    const std::string& GetPlayMode() const { return m_strPlayMode; }

    // The background colour as a platform colour word (red in the low byte).
    std::uint32_t GetBackColour() const { return m_BackColour; }
    void SetBackColour(std::uint32_t colour);

    // 1: the pending layout; 0: the list layout, with the list shown and focused.
    int GetPendingMode() const { return m_nPendingMode; }
    void SetPendingMode(int mode);

    // Whether the picture, rather than the colour, is the background.
    bool GetShowPicture() const { return m_bShowPicture; }
    void SetShowPicture(bool show);

    // The background picture; call update() after loading or releasing it directly.
    CPictureImage& GetPicture() { return m_Picture; }
    // Loads the background from a file; a single space (or nothing) names the built-in
    // picture, which also stands in for a file that cannot be loaded. Returns whether the
    // picture asked for was loaded.
    bool LoadBackgroundPicture(const std::string& path);

    CScheduleListView* GetListView() const { return m_pListView; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawTextLayer(QPainter& painter) const;
    // Rectangle of the pending layout's item box, shadow included, in client coordinates.
    QRect ItemBoxRect() const;
    void UpdateAccessibleTexts();

    bool m_bHoliday = false;
    std::string m_strDayNote;
    bool m_bNoteAlert = false;
    std::string m_strItemTitle;
    std::string m_strMusicName;
    std::string m_strPlayMode;
    std::string m_strTimeText;
    std::string m_strTimetableTitle;
    std::string m_strCaption;
    int m_nPendingMode = 1;
    bool m_bShowPicture = false;
    CPictureImage m_Picture;
    std::uint32_t m_BackColour = kDefaultBackColour;
    QFont m_BigFont;
    QFont m_SmallFont;
    CScheduleListView* m_pListView = nullptr;
};

}  // namespace views
