#pragma once

#include <QByteArray>
#include <QString>

// Runs a script (any byte string, read with ScriptReader) on the document search and on
// SearchReference, side by side: a text (bytes of the code page, which the program searches as
// the characters they decode to, the reference as bytes), then a run of searches as the Find dialog
// and Find Next make them, each with its own search text, letter case, direction and caret,
// sometimes with the caret put where the last search left it and sometimes as a fresh Find. After
// every search the two must have found the same position (or both nothing) and left the same state.
// The fuzz target of the search runs it on every input it makes up; the unit tests replay the
// inputs it kept.
class SearchScript {
public:
    // An empty string when the two agreed throughout, otherwise the first disagreement and the
    // searches that led to it.
    static QString run(const QByteArray& script);
};
