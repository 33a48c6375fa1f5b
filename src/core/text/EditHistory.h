#pragma once

#include <QList>
#include <QString>

// The undo history of a text, in positions of the text itself. A step says that at pos the
// characters `removed` were replaced by `inserted`, and where the selection stood before and
// after. Undo hands back the newest step done, to be reverted; redo the oldest step undone, to be
// made again. Recording a step drops every step undone.
//
// What the user types is merged into fewer steps, by adjacency alone: a typed character right
// after the characters the previous typed step put in joins that step (the step may have replaced
// a selection); a Backspace that removes the character right before the previous Backspace's
// removal joins it; a Delete at the position of the previous Delete joins it. Anything else is a
// step of its own and ends the merging, as do undo and redo.
//
// The history is bounded: it keeps at most MaxSteps steps and, beyond the newest step, at most
// MaxChars characters removed and inserted; the oldest steps go first.
class EditHistory {
public:
    static constexpr qsizetype MaxSteps = 1000;
    static constexpr qsizetype MaxChars = 16 * 1024 * 1024;

    struct Selection {
        qsizetype start = 0;
        qsizetype length = 0;
        bool operator==(const Selection& o) const { return start == o.start && length == o.length; }
    };
    // What made a change, for merging.
    enum class Input { Typing, Backspace, Delete, Other };
    struct Step {
        qsizetype pos = 0;
        QString removed;
        QString inserted;
        Selection before;
        Selection after;
        Input input = Input::Other;
    };

    // Records that at pos the characters removed were replaced by inserted. The change is first
    // trimmed to what differs (without parting a surrogate pair): the range reported may be wider
    // than the real change. A change that changes nothing is not recorded.
    void record(qsizetype pos, const QString& removed, const QString& inserted,
                const Selection& before, const Selection& after, Input input);

    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    // The step to revert (put removed back in place of inserted, then select before), or null.
    const Step* undo();
    // The step to make again (put inserted in place of removed, then select after), or null.
    const Step* redo();
    void clear();

    qsizetype undoSteps() const { return done_; }
    qsizetype redoSteps() const { return steps_.size() - done_; }

private:
    bool merge(const Step& step);
    void keepBound();

    QList<Step> steps_;
    // The steps before done_ are done, the others undone.
    qsizetype done_ = 0;
    // Whether the newest step may take in the next change.
    bool open_ = false;
    qsizetype chars_ = 0;
};
