#pragma once

// The program's default font, where the desktop gives none: Qt's own default then names the
// generic family "Sans Serif", which no font file carries. Qt finds the face that draws it the
// first time a widget measures text, by sorting every installed font against it (with a few
// hundred families installed, some 5 % of the start-up); fontconfig names that same face, asked
// for its best match alone, in about a third of that.
class GenericFont {
public:
    // Where the application's default font names the generic family, names instead the face
    // that draws it, so that every widget looks as before. Call once the application object
    // exists, before the first widget does.
    static void resolve();
};
