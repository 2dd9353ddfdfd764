#include "views/schedule_list_view.h"

#include <iterator>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QShowEvent>

#include "views/view_style.h"

namespace views {

namespace {

constexpr int kIconSize = 32;
constexpr int kRowPadding = 4;
constexpr int kListFontPixels = 16;
constexpr int kImageRole = Qt::UserRole;

struct Column {
    const char* header;
    int width;
};
constexpr Column kColumns[] = {
    {"时间", 120}, {"作息项标题", 120}, {"曲目名", 160}, {"播放方式", 80}, {"文件名", 180},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

constexpr const char* kMissingMode = "******";
constexpr const char* kCommonTrack = "常用曲目";
constexpr const char* kCommonTrackMissing = "常用曲目(不存在)";
constexpr const char* kPlaylist = "列表曲目";
constexpr const char* kPlaylistMissing = "列表曲目(不存在)";
constexpr const char* kRandomPlay = "随机播放";
constexpr const char* kFirstAuto = "首曲自动";
constexpr const char* kFirstManual = "首曲手动";

// What a screen reader says for a row's mark, which is otherwise only a picture.
constexpr const char* kImageNames[] = {"已过", "下一项", "未到"};
constexpr const char* kImageFiles[] = {":/views/row_past.png", ":/views/row_next.png",
                                       ":/views/row_later.png"};

QString PlayModeText(std::int32_t autoPlay) {
    return QString::fromUtf8(autoPlay != 0 ? texts::kAutoPlay : texts::kManualPlay);
}

}  // namespace

CScheduleListView::CScheduleListView(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("scheduleList"));
    setAccessibleName(QStringLiteral("今日作息项"));
    setFont(MakeLabelFont(kListFontPixels));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setIconSize(QSize(kIconSize, kIconSize));
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kIconSize + kRowPadding);
    horizontalHeader()->setHighlightSections(false);

    setColumnCount(kColumnCount);
    QStringList headers;
    for (const Column& column : kColumns) {
        headers << QString::fromUtf8(column.header);
    }
    setHorizontalHeaderLabels(headers);
    for (int i = 0; i < kColumnCount; ++i) {
        setColumnWidth(i, kColumns[i].width);
    }
    for (int i = 0; i < 3; ++i) {
        m_RowIcons[i] = QIcon(QString::fromUtf8(kImageFiles[i]));
    }
}

void CScheduleListView::SetStores(const schedule::CCommonTrackStore* commonTracks,
                                  const schedule::CPlaylistStore* playlists) {
    m_pCommonTracks = commonTracks;
    m_pPlaylists = playlists;
}

void CScheduleListView::Rebuild(const std::vector<schedule::ScheduleItem>& items, int nextIndex) {
    clearContents();
    setRowCount(static_cast<int>(items.size()));
    for (int row = 0; row < rowCount(); ++row) {
        const QStringList texts = RowTexts(items[static_cast<std::size_t>(row)]);
        for (int column = 0; column < kColumnCount; ++column) {
            setItem(row, column, new QTableWidgetItem(texts[column]));
        }
    }
    MarkNext(nextIndex);
}

void CScheduleListView::MarkNext(int nextIndex) {
    const int rows = rowCount();
    // Without a next item every row has passed.
    const int next = nextIndex < 0 ? rows : nextIndex;
    for (int row = 0; row < rows; ++row) {
        SetRowImage(row, row < next ? RowPast : (row == next ? RowNext : RowLater));
    }
    m_nNextRow = next < rows ? next : -1;
    ScrollToNext();
}

int CScheduleListView::GetSelectedRow() const {
    const QList<QTableWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->row();
}

int CScheduleListView::GetRowImage(int row) const {
    const QTableWidgetItem* first = item(row, 0);
    return first == nullptr ? -1 : first->data(kImageRole).toInt();
}

void CScheduleListView::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    emit rightClicked();
}

void CScheduleListView::showEvent(QShowEvent* event) {
    QTableWidget::showEvent(event);
    // Rows rebuilt while the list was hidden were scrolled in a viewport of no real
    // size; bring the next row into view now that the list can be seen.
    ScrollToNext();
}

void CScheduleListView::ScrollToNext() {
    if (m_nNextRow >= 0 && m_nNextRow < rowCount()) {
        scrollToItem(item(m_nNextRow, 0));
    }
}

void CScheduleListView::SetRowImage(int row, RowImage image) {
    QTableWidgetItem* first = item(row, 0);
    if (first == nullptr) {
        return;
    }
    first->setData(kImageRole, static_cast<int>(image));
    first->setIcon(m_RowIcons[image]);
    first->setData(Qt::AccessibleDescriptionRole, QString::fromUtf8(kImageNames[image]));
}

QStringList CScheduleListView::RowTexts(const schedule::ScheduleItem& item) const {
    QString mode;
    QString file;
    switch (item.kind) {
        case schedule::CommonMusic: {
            const int index =
                m_pCommonTracks != nullptr ? m_pCommonTracks->Find(item.musicName) : -1;
            if (index >= 0) {
                mode = PlayModeText(m_pCommonTracks->Get(index)->main.autoPlay);
                file = QString::fromUtf8(kCommonTrack);
            } else {
                mode = QString::fromUtf8(kMissingMode);
                file = QString::fromUtf8(kCommonTrackMissing);
            }
            break;
        }
        case schedule::ListMusic: {
            const int index = m_pPlaylists != nullptr ? m_pPlaylists->Find(item.musicName) : -1;
            const schedule::Playlist* playlist = index >= 0 ? m_pPlaylists->Get(index) : nullptr;
            if (playlist != nullptr && !playlist->entries.empty()) {
                if (playlist->randomPlay != 0) {
                    mode = QString::fromUtf8(kRandomPlay);
                } else {
                    mode = QString::fromUtf8(
                        playlist->entries.front().autoPlay != 0 ? kFirstAuto : kFirstManual);
                }
                file = QString::fromUtf8(kPlaylist);
            } else {
                mode = QString::fromUtf8(kMissingMode);
                file = QString::fromUtf8(kPlaylistMissing);
            }
            break;
        }
        default:
            mode = PlayModeText(item.autoPlay);
            file = QString::fromStdString(item.path);
            break;
    }
    return {QString::fromStdString(FormatTimeOfDay(item.time)), QString::fromStdString(item.title),
            QString::fromStdString(item.musicName), mode, file};
}

}  // namespace views
