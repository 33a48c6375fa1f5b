#pragma once

#include <QString>
#include <optional>

#include "core/search/SearchSettings.h"

// The search through a document's text: its characters, each UTF-16 code unit one position (a
// document in the code page holds one character per byte). The search text is a QString. Letter
// case is folded character by character with the simple upper-case mapping (one character to
// one character), so positions never shift.
//
// Each search reads every character of the text at most once: a partial match never makes the
// scan step back.
class TextSearch {
public:
    // One search as the Find dialog and Find Next run it, from the caret selStart of the searched
    // text, with the settings and the state of the last search. Returns the position of the
    // occurrence to select (its length is the search text's), or nothing. Updates the state:
    // SearchLastStart becomes the caret the search leaves (the occurrence's start, or selStart
    // when nothing was found), SearchLastText the text searched for, and SearchIsNew is cleared.
    static std::optional<qsizetype> searchChars(const QString& chars, qsizetype selStart,
                                                SearchSettings& settings);

    // The lowest position j >= from at which pattern occurs wholly within chars.
    static std::optional<qsizetype> findDownChars(const QString& chars, const QString& pattern,
                                                  qsizetype from, bool matchCase);
    // The highest position j <= last at which pattern occurs wholly within chars (the occurrence
    // may reach past last; only its start is bounded).
    static std::optional<qsizetype> findUpChars(const QString& chars, const QString& pattern,
                                                qsizetype last, bool matchCase);
};
