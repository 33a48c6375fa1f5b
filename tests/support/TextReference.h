#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// A text box's text and selection kept the plainest way, a string and two numbers, and changed by
// the rules written out one by one. The tests run the real text model and the real text box side
// by side with it.
//
// The rules: positions count bytes, a line break (CR LF) is two of them. SelStart is clamped to
// 0..length and leaves nothing selected; SelLength is clamped to 0..(length - SelStart); writing
// SelText replaces the selection and leaves the caret after it. What the user does at the
// keyboard acts on the selection as the widget shows it: an edge between a CR and its LF takes in
// the whole line break, a caret there stands after it. A caret that an edit leaves between a CR
// and an LF moves to after them.
class TextReference {
public:
    std::string text;
    long start = 0;
    long length = 0;

    QByteArray bytes() const { return QByteArray(text.data(), qsizetype(text.size())); }
    QByteArray selText() const;

    bool setText(const QByteArray& t);
    void setSelStart(long pos);
    void setSelLength(long len);
    bool setSelText(const QByteArray& t);

    bool type(const QByteArray& t);
    bool enter();
    bool backspace();
    // The Delete key handled by the widget itself (no menu command owns it).
    bool deleteForward();
    // Arrow keys without Shift, and Ctrl+Home / Ctrl+End.
    void left();
    void right();
    void toStart();
    void toEnd();

    bool inLineBreak(long pos) const;
    long viewStart() const;
    long viewEnd() const;

    // What the widget must show for bytes: a line break as U+2029, a control byte other than TAB
    // as its control picture (DEL as U+2421), everything else in Windows-1252 with the five
    // unassigned bytes as C1 controls.
    static QString display(const QByteArray& bytes);
    // The widget position of a byte position that is not inside a line break.
    long viewPosition(long pos) const;

private:
    void snap();
    void leaveLineBreak();
    bool replaceSelection(const std::string& with);
};
