#pragma once

#include <QByteArray>
#include <QString>

// Runs a script (any byte string, in the language of TextScript) on the text model of a text box
// and on TextReference, side by side: set the text, set SelStart and SelLength, write SelText,
// type, Enter, Backspace, Delete, and set one long line or SelStart anywhere in it. After every
// step the two must hold the same text and selection, show the selection at the same place and
// agree on whether the text changed. The fuzz target of the text model runs it on every input it
// makes up; the unit tests replay the inputs it kept. Each script runs in a document of every kind
// (CR LF or LF, code page or UTF-8); in UTF-8 the script's bytes are mostly not valid UTF-8,
// cut-off and stray sequences included.
class TextBufferScript {
public:
    // An empty string when the two agreed throughout, otherwise the first disagreement and the
    // steps that led to it.
    static QString run(const QByteArray& script);
};
