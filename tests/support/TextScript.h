#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

class ScriptReader;
class TextReference;

// The language the scripts of the text model and of the text box share, and the run that holds
// either against TextReference. A script is any byte string, read with ScriptReader: each step
// is an operation code and its argument. The text model knows the first eight operations (up to
// the Delete key); the text box also the caret keys, and types characters where the model types
// bytes. Operation codes from ScriptReader::kLongLineOps up mean the same in both: an even code
// sets the text to one long line, an odd one puts SelStart anywhere in such a line. In the text
// box's language the four codes below them move by word and select by mouse: Ctrl+Left,
// Ctrl+Right, a double-click and a triple-click anywhere in a long line.
class TextScript {
public:
    enum class Op {
        SetText,
        SelStart,
        SelLength,
        SelText,
        Type,
        Enter,
        Backspace,
        Delete,
        Left,
        Right,
        Home,
        End,
        // Codes from ScriptReader::kLongLineOps up, in either language.
        LongLine,
        FarSelStart,
        // Codes from kWordOps up to them, in the text box's language.
        WordLeft,
        WordRight,
        SelectWord,
        SelectLine
    };
    static constexpr quint8 kWordOps = 236;
    // What the operation Type carries.
    enum class Typing { Bytes, Characters };

    struct Step {
        Op op = Op::SetText;
        int number = 0;   // SelStart, SelLength, FarSelStart, SelectWord, SelectLine
        QByteArray text;  // SetText, SelText, Type, LongLine: the bytes the text takes in
        QChar typed;      // Type of a character: the character, whose bytes are text
        QString describe() const;
    };

    // What a script runs on beside the reference.
    class Subject {
    public:
        virtual ~Subject() = default;
        // Does step; returns whether the subject said its text changed. A click lands on the
        // position the mouse reaches where the caret at step.number shows: the subject puts
        // that position into step (several positions show at one place around a character
        // that takes no room).
        virtual bool apply(Step& step) = 0;
        // Empty when the subject agrees with ref after a step, otherwise how it does not.
        // changed is what apply() returned, refChanged whether the reference's text changed.
        virtual QString mismatch(const TextReference& ref, bool changed, bool refChanged) = 0;
        // Gives the reference the subject's kind of document before the first step.
        virtual void prepare(TextReference& ref) { (void)ref; }
    };

    // Reads the next step of a language of operations operations (8 or 12), or one of the two
    // long-line operations.
    static Step read(ScriptReader& in, int operations, Typing typing);
    // Does step on the reference; returns whether its text changed.
    static bool apply(TextReference& ref, const Step& step);
    // Runs script on a fresh subject (made by Make) and on the reference, side by side. Returns
    // an empty string when the two agreed throughout, otherwise the first disagreement and the
    // steps that led to it (written down by a second run, only then).
    template <class Make>
    static QString run(const QByteArray& script, int operations, Typing typing, Make make) {
        const QString problem = runOnce(script, operations, typing, *make(), false);
        if (problem.isEmpty()) return problem;
        return runOnce(script, operations, typing, *make(), true);
    }
    // A byte string as the steps show it: CR, LF and other control bytes escaped.
    static QString shown(const QByteArray& bytes);

private:
    static QString runOnce(const QByteArray& script, int operations, Typing typing,
                           Subject& subject, bool log);
};
