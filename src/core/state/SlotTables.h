#pragma once

#include <QtGlobal>
#include <vector>

#include "core/state/DocumentState.h"

// The two parallel slot tables of the document registry: one entry per slot, numbered from 1.
// The tables only ever grow, one entry at a time, and never shrink. Entry is what the window
// table holds per slot (the GUI keeps a guarded pointer to the slot's document window; tests use
// any default-constructible type).
template <typename Entry>
class SlotTables {
public:
    // The largest slot number a 16-bit slot can carry.
    static constexpr int MaxSlot = 32767;

    // The common upper bound N of both tables (0 before the tables are created).
    int upperBound() const { return static_cast<int>(m_states.size()); }

    // Creates both tables with upper bound 1: slot 1, in use and unchanged.
    void create() {
        m_windows.assign(1, Entry{});
        m_states.assign(1, DocumentState{});
    }

    DocumentState& state(int slot) { return m_states.at(static_cast<size_t>(slot - 1)); }
    const DocumentState& state(int slot) const {
        return m_states.at(static_cast<size_t>(slot - 1));
    }
    Entry& window(int slot) { return m_windows.at(static_cast<size_t>(slot - 1)); }
    const Entry& window(int slot) const { return m_windows.at(static_cast<size_t>(slot - 1)); }

    // Hands out the lowest free slot, marked in use and unchanged; grows both tables by one when
    // no slot is free. Returns 0 when the tables are full (every slot up to MaxSlot in use): no
    // slot number beyond the 16-bit range is ever handed out.
    int FindFreeSlot() {
        const int n = upperBound();
        for (int slot = 1; slot <= n; ++slot) {
            DocumentState& s = state(slot);
            if (s.Free != DocumentState::False) {
                s.Free = DocumentState::False;
                s.Changed = DocumentState::False;
                return slot;
            }
        }
        if (n >= MaxSlot) return 0;
        m_windows.emplace_back();
        m_states.emplace_back();
        return upperBound();
    }

    // True when at least one slot holds an open document window.
    bool HasOpenDocuments() const {
        for (const DocumentState& s : m_states) {
            if (s.Free != DocumentState::True) return true;
        }
        return false;
    }

private:
    std::vector<Entry> m_windows;
    std::vector<DocumentState> m_states;
};
