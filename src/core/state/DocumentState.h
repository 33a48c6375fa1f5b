#pragma once

#include <QtGlobal>

// The state of one document slot. Booleans are kept as 16-bit integers, true -1 and false 0,
// because that is the form the rest of the program reads and writes them in.
struct DocumentState {
    static constexpr qint16 True = -1;
    static constexpr qint16 False = 0;

    qint16 Free = False;     // the slot holds no open document window
    qint16 Changed = False;  // the slot's text changed since it was created, read or written
};
