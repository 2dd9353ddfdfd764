#pragma once
// An ordered list of records with unique names: the base of the common-track and
// playlist stores. Names are compared byte for byte.

#include <string>
#include <utility>
#include <vector>

namespace schedule {

template <typename Record>
class CNamedStore {
public:
    bool Add(const Record* record) {
        if (record == nullptr || Find(record->name) >= 0) {
            return false;
        }
        m_Records.push_back(*record);
        m_bModified = true;
        return true;
    }

    bool Replace(int index, const Record& record) {
        Record* target = Get(index);
        if (target == nullptr) {
            return false;
        }
        *target = record;
        m_bModified = true;
        return true;
    }

    bool Delete(int index) {
        if (!ValidIndex(index)) {
            return false;
        }
        m_Records.erase(m_Records.begin() + index);
        m_bModified = true;
        return true;
    }

    Record* Get(int index) {
        return ValidIndex(index) ? &m_Records[static_cast<std::size_t>(index)] : nullptr;
    }
    const Record* Get(int index) const {
        return ValidIndex(index) ? &m_Records[static_cast<std::size_t>(index)] : nullptr;
    }

    int Find(const std::string& name) const {
        for (std::size_t i = 0; i < m_Records.size(); ++i) {
            if (m_Records[i].name == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // Moves a record one place up or down and returns where it now is.
    int Move(int index, bool down) {
        if (!ValidIndex(index)) {
            return index;
        }
        const int other = down ? index + 1 : index - 1;
        if (!ValidIndex(other)) {
            return index;
        }
        std::swap(m_Records[static_cast<std::size_t>(index)],
                  m_Records[static_cast<std::size_t>(other)]);
        m_bModified = true;
        return other;
    }

    void GetNames(std::vector<std::string>& names) const {
        names.clear();
        for (const Record& record : m_Records) {
            names.push_back(record.name);
        }
    }

    // Replaces the whole list, duplicates included, as a file may hold them.
    void SetRecords(std::vector<Record> records) {
        m_Records = std::move(records);
        m_bModified = false;
    }

    // Whether the records changed since they were read or last written to a file.
    bool IsModified() const { return m_bModified; }
    void ClearModified() { m_bModified = false; }

    int GetCount() const { return static_cast<int>(m_Records.size()); }
    const std::vector<Record>& Records() const { return m_Records; }

protected:
    bool ValidIndex(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < m_Records.size();
    }

    std::vector<Record> m_Records;
    bool m_bModified = false;
};

}  // namespace schedule
