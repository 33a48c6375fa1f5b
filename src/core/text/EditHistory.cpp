#include "core/text/EditHistory.h"

#include <algorithm>

namespace {

qsizetype sizeOf(const EditHistory::Step& step) {
    return step.removed.size() + step.inserted.size();
}

}  // namespace

void EditHistory::record(qsizetype pos, const QString& removed, const QString& inserted,
                         const Selection& before, const Selection& after, Input input) {
    // What both ends share is no part of the change; a surrogate pair stays whole on either side.
    const qsizetype shortest = std::min(removed.size(), inserted.size());
    qsizetype head = 0;
    while (head < shortest && removed.at(head) == inserted.at(head)) ++head;
    if (head > 0 && removed.at(head - 1).isHighSurrogate()) --head;
    qsizetype tail = 0;
    while (tail < shortest - head &&
           removed.at(removed.size() - 1 - tail) == inserted.at(inserted.size() - 1 - tail))
        ++tail;
    if (tail > 0 && removed.at(removed.size() - tail).isLowSurrogate()) --tail;
    if (head + tail == removed.size() && removed.size() == inserted.size()) return;

    Step step;
    step.pos = pos + head;
    step.removed = removed.mid(head, removed.size() - head - tail);
    step.inserted = inserted.mid(head, inserted.size() - head - tail);
    step.before = before;
    step.after = after;
    step.input = input;

    for (qsizetype i = done_; i < steps_.size(); ++i) chars_ -= sizeOf(steps_[i]);
    steps_.resize(done_);
    if (!merge(step)) {
        chars_ += sizeOf(step);
        steps_.append(std::move(step));
        done_ = steps_.size();
    }
    open_ = input != Input::Other;
    keepBound();
}

bool EditHistory::merge(const Step& step) {
    if (!open_ || steps_.isEmpty()) return false;
    Step& last = steps_.last();
    if (last.input != step.input) return false;
    switch (step.input) {
        case Input::Typing:
            if (!step.removed.isEmpty() || step.pos != last.pos + last.inserted.size())
                return false;
            last.inserted += step.inserted;
            break;
        case Input::Backspace:
            if (!step.inserted.isEmpty() || !last.inserted.isEmpty() ||
                step.pos + step.removed.size() != last.pos)
                return false;
            last.pos = step.pos;
            last.removed.prepend(step.removed);
            break;
        case Input::Delete:
            if (!step.inserted.isEmpty() || !last.inserted.isEmpty() || step.pos != last.pos)
                return false;
            last.removed += step.removed;
            break;
        case Input::Other:
            return false;
    }
    last.after = step.after;
    chars_ += sizeOf(step);
    return true;
}

void EditHistory::keepBound() {
    qsizetype drop = 0;
    while (steps_.size() - drop > 1 &&
           (steps_.size() - drop > MaxSteps || chars_ - sizeOf(steps_.last()) > MaxChars)) {
        chars_ -= sizeOf(steps_[drop]);
        ++drop;
    }
    steps_.remove(0, drop);
    done_ -= drop;
}

const EditHistory::Step* EditHistory::undo() {
    open_ = false;
    if (!canUndo()) return nullptr;
    return &steps_[--done_];
}

const EditHistory::Step* EditHistory::redo() {
    open_ = false;
    if (!canRedo()) return nullptr;
    return &steps_[done_++];
}

void EditHistory::clear() {
    steps_.clear();
    done_ = 0;
    open_ = false;
    chars_ = 0;
}
