#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "core/search/SearchSettings.h"

// The search of a document written straight from its rules, position by position: the skip, the
// base, the letter case folded one character at a time, the positions tried in order, and the
// state left behind. Slow and plain on purpose; the tests hold the real search against it.
class SearchReference {
public:
    // One search from caret s of text; returns the position found and updates the settings' state
    // exactly as a search does.
    static std::optional<qsizetype> search(const QByteArray& text, qsizetype s, SearchSettings& st);
    // The same over the characters of a document (UTF-16 code units, each folded on its own).
    static std::optional<qsizetype> searchChars(const QString& chars, qsizetype s,
                                                SearchSettings& st);
};
