#pragma once

#include <QString>
#include <QtGlobal>

// The search settings chosen in the Find dialog and the state the search keeps between runs.
// Shared by all document windows; they outlive the Find dialog.
struct SearchSettings {
    QString SearchText;          // what to look for, as the user typed it
    qint16 SearchMatchCase = 0;  // 0: letter case is ignored; anything else: it must match
    qint16 SearchDirection = 0;  // 0: up, 1: down (the frame sets 1 at start-up)

    qint64 SearchLastStart = 0;  // the caret where the last search left it (any position)
    QString SearchLastText;      // the search text of the last search
    bool SearchIsNew = false;    // set by the Find command: the next search may match at the caret
};
