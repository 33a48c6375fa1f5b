#include "core/files/RecentList.h"

#include <QUrl>

#include "core/files/NativePath.h"
#include "core/files/SettingsStore.h"

namespace {

// A path whose name is not valid UTF-8 is stored as a file: URI of its bytes, which the store's
// text keeps; every other path is stored as it is. Only a URI that names such a name is read
// back as one, so that every other text comes back unchanged.
QString storedForm(const QString& path) {
    return NativePath::isPlain(path) ? path : NativePath::toUri(path);
}

QString pathOf(const QString& stored) {
    if (!stored.startsWith(QLatin1String("file://"))) return stored;
    const QString path = NativePath::fromEncodedPath(QUrl(stored).path(QUrl::FullyEncoded));
    return NativePath::isPlain(path) ? stored : path;
}

}  // namespace

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
                    result.append(pathOf(v));
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
    m_store.setValue(Section, keyFor(1), storedForm(path));
    return m_store.sync() == SettingsStore::Status::Ok;
}
