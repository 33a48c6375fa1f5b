#pragma once

#include <QtGlobal>
#include <limits>
#include <vector>

// Sorted positions of a text (where its line breaks or soft breaks stand) that follow its edits.
// An edit moves every position after it; the move is kept as one step, from an index on, and is
// only written into the positions it passes when the next edit lands elsewhere. Edits in one
// place, as typing makes them, cost the same however many positions follow.
class ShiftedPositions {
public:
    qsizetype size() const { return qsizetype(raw_.size()); }
    qsizetype at(qsizetype i) const { return raw_[std::size_t(i)] + (i >= stepAt_ ? step_ : 0); }
    // The first index whose position is at least pos, or more than pos.
    qsizetype lowerBound(qsizetype pos) const;
    qsizetype upperBound(qsizetype pos) const;
    // Whether pos is one of the positions.
    bool contains(qsizetype pos) const;

    void assign(std::vector<qsizetype> positions);
    // Every position from index i on moves by by.
    void shiftFrom(qsizetype i, qsizetype by);
    // Takes out the positions [from, to) (indices).
    void erase(qsizetype from, qsizetype to);
    // Puts positions (sorted, between those either side) in before index i.
    void insert(qsizetype i, const std::vector<qsizetype>& positions);
    void set(qsizetype i, qsizetype pos) {
        raw_[std::size_t(i)] = pos - (i >= stepAt_ ? step_ : 0);
    }

private:
    // Moves the step to index i, the positions staying as they are.
    void stepTo(qsizetype i);

    std::vector<qsizetype> raw_;
    // The positions from index stepAt_ on are raw_ + step_.
    qsizetype stepAt_ = 0;
    qsizetype step_ = 0;
};
