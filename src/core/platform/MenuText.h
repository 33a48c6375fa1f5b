#pragma once

#include <QString>

// Text shown as a menu item's caption. A caption takes "&" for the mark of a mnemonic; text that
// must show as it is written (a font's name, a file's path) has each "&" doubled.
class MenuText {
public:
    // The caption that shows text as it is written.
    static QString escaped(const QString& text);
    // The text a caption shows: each "&&" is one "&", a lone "&" (a mnemonic mark) is dropped.
    static QString unescaped(const QString& caption);
};
