#include "files/RecentList.h"

#include "files/SettingsStore.h"

QString RecentList::keyFor(int position) {
    return QStringLiteral("RecentFile") + QString::number(position);
}

RecentList::RecentList(SettingsStore& store) : m_store(store) {}

QStringList RecentList::entries() {
    QStringList result;
    if (!m_store.value(Section, keyFor(1)).isEmpty()) {
        // One listing of the section, so that every entry comes from the same state of the store.
        const auto pairs = m_store.pairs(Section);
        for (int position = 1; position <= Capacity; ++position) {
            const QString key = keyFor(position);
            for (const auto& [k, v] : pairs) {
                if (k == key && !v.isEmpty()) {
                    result.append(v);
                    break;
                }
            }
        }
    }
    // Reading never fails loudly: an unreadable or damaged store gives what could be read.
    m_store.sync();
    return result;
}

bool RecentList::store(const QString& path) {
    // Keys are created in position order and never removed: an empty position is left alone.
    for (int position = Capacity - 1; position >= 1; --position) {
        const QString v = m_store.value(Section, keyFor(position));
        if (!v.isEmpty()) m_store.setValue(Section, keyFor(position + 1), v);
    }
    m_store.setValue(Section, keyFor(1), path);
    return m_store.sync() == SettingsStore::Status::Ok;
}
