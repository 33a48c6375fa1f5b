#pragma once

#include <QPointer>

#include "core/search/SearchSettings.h"
#include "core/state/SlotTables.h"

class frmNotePad;

// The state that several parts of the program share for the whole run. The frame owns the one
// instance and hands it to whoever needs it; nothing of it is stored between runs.
struct AppState {
    // DocumentWindows and DocumentStates: one entry per document slot. A slot's window pointer
    // turns null once its window has closed; the next document in that slot gets a fresh window.
    SlotTables<QPointer<frmNotePad>> slotTables;

    // What the Find dialog chose and where the last search left the caret.
    SearchSettings search;

    // True (-1) while Cut, Copy and Paste are hidden because the last document window closed.
    qint16 EditButtonsHidden = 0;
};
