#pragma once

#include "data/TextHash.h"

#include <QString>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <vector>

// Raised by the keyed collections for a duplicate key, a missing key or a position out of range;
// the collection is left as it was.
class CollectionError : public std::out_of_range {
public:
    explicit CollectionError(const QString& message)
        : std::out_of_range(message.toStdString())
        , m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// An ordered collection that owns its records, each with an optional key unique within it.
// Item and Remove take a 1-based position or a key; iteration runs in insertion order. Each
// record collection adds its own Add, which creates the record and sets its identifying field.
template <typename Record>
class KeyedCollection {
    struct Entry {
        std::unique_ptr<Record> record;
        QString key;
    };

public:
    KeyedCollection() = default;
    KeyedCollection(const KeyedCollection&) = delete;
    KeyedCollection& operator=(const KeyedCollection&) = delete;
    virtual ~KeyedCollection() = default;

    int Count() const { return int(m_entries.size()); }
    // How many of the records carry a key.
    int keyedCount() const { return int(m_byKey.size()); }
    bool isEmpty() const { return m_entries.empty(); }

    Record& Item(int position) const {
        return *m_entries.at(checkedIndex(position, "Item")).record;
    }
    Record& Item(const QString& key) const {
        Record* found = find(key);
        if (found == nullptr) {
            throw CollectionError(
                QStringLiteral("Item: there is no element with the key \"%1\".").arg(key));
        }
        return *found;
    }

    void Remove(int position) {
        m_entries.erase(m_entries.begin() + checkedIndex(position, "Remove"));
        unindex();
    }
    void Remove(const QString& key) {
        Record* found = find(key);
        if (found == nullptr) {
            throw CollectionError(
                QStringLiteral("Remove: there is no element with the key \"%1\".").arg(key));
        }
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->record.get() == found) {
                m_entries.erase(it);
                break;
            }
        }
        m_byKey.erase(key);
    }

    // Removes the record under key and hands it to the caller instead of destroying it, for
    // records that others may still point to.
    std::unique_ptr<Record> Take(const QString& key) {
        Record* found = find(key);
        if (found == nullptr) {
            throw CollectionError(
                QStringLiteral("Remove: there is no element with the key \"%1\".").arg(key));
        }
        std::unique_ptr<Record> taken;
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->record.get() == found) {
                taken = std::move(it->record);
                m_entries.erase(it);
                break;
            }
        }
        m_byKey.erase(key);
        return taken;
    }

    // The record under key, or nullptr: the look-up that does not throw.
    Record* find(const QString& key) const {
        if (key.isEmpty()) {
            return nullptr;
        }
        const auto found = m_byKey.find(key);
        return found == m_byKey.end() ? nullptr : found->second;
    }
    bool contains(const QString& key) const { return find(key) != nullptr; }
    // The 1-based position of a record, or 0 when it is not in the collection.
    int positionOf(const Record* record) const {
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].record.get() == record) {
                return int(i) + 1;
            }
        }
        return 0;
    }
    QString keyOf(const Record* record) const {
        const int position = positionOf(record);
        return position == 0 ? QString() : m_entries[std::size_t(position - 1)].key;
    }

    class iterator {
    public:
        using Inner = typename std::vector<Entry>::const_iterator;
        explicit iterator(Inner inner)
            : m_inner(inner) {}
        Record& operator*() const { return *m_inner->record; }
        Record* operator->() const { return m_inner->record.get(); }
        iterator& operator++() {
            ++m_inner;
            return *this;
        }
        bool operator!=(const iterator& other) const { return m_inner != other.m_inner; }
        bool operator==(const iterator& other) const { return m_inner == other.m_inner; }

    private:
        Inner m_inner;
    };
    iterator begin() const { return iterator(m_entries.cbegin()); }
    iterator end() const { return iterator(m_entries.cend()); }

protected:
    // Appends a new record under key (no key when empty) and returns it; a duplicate key leaves
    // the collection unchanged and throws.
    Record& append(std::unique_ptr<Record> record, const QString& key) {
        Record& added = *record;
        if (!key.isEmpty() && !m_byKey.try_emplace(key, &added).second) {
            throw CollectionError(
                QStringLiteral("Add: the key \"%1\" is already in the collection.").arg(key));
        }
        try {
            m_entries.push_back({std::move(record), key});
        } catch (...) {
            m_byKey.erase(key);
            throw;
        }
        return added;
    }

private:
    std::size_t checkedIndex(int position, const char* operation) const {
        if (position < 1 || position > Count()) {
            throw CollectionError(QStringLiteral("%1: position %2 is outside 1 to %3.")
                                      .arg(QLatin1String(operation))
                                      .arg(position)
                                      .arg(Count()));
        }
        return std::size_t(position - 1);
    }

    // Rebuilds the key index after a removal by position.
    void unindex() {
        m_byKey.clear();
        for (const auto& entry : m_entries) {
            if (!entry.key.isEmpty()) {
                m_byKey.emplace(entry.key, entry.record.get());
            }
        }
    }

    std::vector<Entry> m_entries;
    std::unordered_map<QString, Record*, TextHash> m_byKey;
};
