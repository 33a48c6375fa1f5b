#pragma once

#include <QString>
#include <QStringList>

class SettingsStore;

// The list of the files most recently opened through the open dialog or saved under a new name,
// as the settings store keeps it: section "Recent Files", keys RecentFile1 (the newest) to
// RecentFile4 (the oldest kept), each value a path exactly as the file dialog gave it; a path
// whose name is not valid UTF-8 as a file: URI of its percent-encoded bytes.
//
// Nothing of the list is held here: every call reads the store afresh, so that several running
// copies of the program see each other's entries.
class RecentList {
public:
    static constexpr int Capacity = 4;
    static inline const QString Section = QStringLiteral("Recent Files");

    // "RecentFile" followed by the position, 1 to Capacity.
    static QString keyFor(int position);

    explicit RecentList(SettingsStore& store);

    // The stored paths, newest first. Empty when position 1 holds nothing; positions that hold
    // nothing, and keys other than RecentFile1 to RecentFile4, are passed over. A store that
    // cannot be read, or only in part, gives what could be read.
    QStringList entries();

    // Shifts the stored paths down by one position (the oldest one falls off) and stores path
    // as the newest. Returns false when the store could not be written; it is then unchanged.
    bool store(const QString& path);

private:
    SettingsStore& m_store;
};
