#pragma once
// The list of today's schedule items (control 1013) inside the pending view: one row per
// item with its time, title, music, play mode and file, marked as past, next or later.

#include <vector>

#include <QIcon>
#include <QTableWidget>

#include "schedule/common_track_store.h"
#include "schedule/playlist_store.h"
#include "schedule/records.h"

namespace views {

class CScheduleListView : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kControlId = 1013;

    // The row marks, in the order of the row icons.
    enum RowImage { RowPast = 0, RowNext = 1, RowLater = 2 };

    explicit CScheduleListView(QWidget* parent = nullptr);

    // The stores that resolve common-track and playlist items in columns 3 and 4; items
    // whose store is not set read as missing. The stores must outlive the view.
    void SetStores(const schedule::CCommonTrackStore* commonTracks,
                   const schedule::CPlaylistStore* playlists);

    // Replaces every row with the day's items; nextIndex is the next item's row, -1 when
    // today has none left (every row is then past).
    void Rebuild(const std::vector<schedule::ScheduleItem>& items, int nextIndex);
    // Moves the marks to a new next row (-1: every row is past) and scrolls it into view.
    void MarkNext(int nextIndex);

    // The selected row, -1 when none is selected.
    int GetSelectedRow() const;
    // The mark of a row, -1 for a row that does not exist.
    int GetRowImage(int row) const;

signals:
    // The user asked for the item menu (right button or the menu key).
    void rightClicked();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetRowImage(int row, RowImage image);
    void ScrollToNext();
    QStringList RowTexts(const schedule::ScheduleItem& item) const;

    const schedule::CCommonTrackStore* m_pCommonTracks = nullptr;
    const schedule::CPlaylistStore* m_pPlaylists = nullptr;
    int m_nNextRow = -1;  // the row marked next, -1 when every row has passed
    QIcon m_RowIcons[3];
};

}  // namespace views
