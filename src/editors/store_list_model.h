#pragma once
// The names of a store's records as a list model. The store stays the only copy of the
// records: every change an editor makes goes through the model, which tells its views,
// so a list never has to be refilled by hand to follow the store.

#include <QAbstractListModel>
#include <QString>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "schedule/records.h"

namespace editors {

// What a store editor's shared column needs of its model, whatever the records.
class CStoreListModelBase : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Removes the record at row; false when there is none.
    virtual bool Delete(int row) = 0;
    // Moves the record at row one place up or down; the row it is at afterwards.
    virtual int Move(int row, bool down) = 0;
    // Replaces the store's file; false (reported by the store) when it cannot be written.
    virtual bool Save(const std::string& file) = 0;
    // Whether the records changed since they were read or last written.
    virtual bool IsModified() const = 0;
};

// Store is a CNamedStore of records with a name (CCommonTrackStore, CPlaylistStore).
template <typename Store>
class CStoreListModel : public CStoreListModelBase {
public:
    using Record = std::remove_cvref_t<decltype(*std::declval<Store&>().Get(0))>;

    explicit CStoreListModel(Store& store, QObject* parent = nullptr)
        : CStoreListModelBase(parent), m_Store(store) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_Store.GetCount();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const Record* record = index.isValid() ? m_Store.Get(index.row()) : nullptr;
        if (record == nullptr || (role != Qt::DisplayRole && role != Qt::EditRole)) {
            return {};
        }
        return QString::fromStdString(record->name);
    }

    const Record* Get(int row) const { return m_Store.Get(row); }
    Store& GetStore() { return m_Store; }

    // Appends the record; false when its name is taken.
    bool Add(const Record& record) {
        const int row = m_Store.GetCount();
        if (m_Store.Find(record.name) >= 0) {
            return false;
        }
        beginInsertRows(QModelIndex(), row, row);
        const bool added = m_Store.Add(&record);
        endInsertRows();
        return added;
    }

    bool Replace(int row, const Record& record) {
        if (!m_Store.Replace(row, record)) {
            return false;
        }
        emit dataChanged(index(row), index(row));
        return true;
    }

    bool Delete(int row) override {
        if (m_Store.Get(row) == nullptr) {
            return false;
        }
        beginRemoveRows(QModelIndex(), row, row);
        const bool deleted = m_Store.Delete(row);
        endRemoveRows();
        return deleted;
    }

    int Move(int row, bool down) override {
        const int other = down ? row + 1 : row - 1;
        if (m_Store.Get(row) == nullptr || m_Store.Get(other) == nullptr) {
            return row;
        }
        // Qt counts the destination before the move: one further down for a row going down.
        beginMoveRows(QModelIndex(), row, row, QModelIndex(), down ? other + 1 : other);
        const int moved = m_Store.Move(row, down);
        endMoveRows();
        return moved;
    }

    bool Save(const std::string& file) override { return m_Store.Save(file); }
    bool IsModified() const override { return m_Store.IsModified(); }

private:
    Store& m_Store;
};

// The entries of the playlist being edited, each shown by its path, and after them a
// last row for adding ("添加新的曲目..."). The editor changes the entries and then
// calls Refill, so the list shows the entries themselves rather than a copy of them.
class CEntryListModel : public QAbstractListModel {
public:
    CEntryListModel(const std::vector<schedule::TrackEntry>& entries, QString addRowText,
                    QObject* parent = nullptr)
        : QAbstractListModel(parent), m_Entries(entries), m_strAddRow(std::move(addRowText)) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_Entries.size()) + 1;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
            return {};
        }
        const auto row = static_cast<std::size_t>(index.row());
        return row < m_Entries.size() ? QString::fromStdString(m_Entries[row].path) : m_strAddRow;
    }

    // The row for adding, the last one.
    int AddRow() const { return static_cast<int>(m_Entries.size()); }
    // The entries changed: every row is shown anew.
    void Refill() {
        beginResetModel();
        endResetModel();
    }

private:
    const std::vector<schedule::TrackEntry>& m_Entries;
    const QString m_strAddRow;
};

}  // namespace editors
