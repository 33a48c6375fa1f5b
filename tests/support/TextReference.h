#pragma once

#include <QByteArray>
#include <QString>
#include <string>

// A text box's text and selection kept the plainest way, a string and two numbers, and changed by
// the rules written out one by one. The tests run the real text model and the real text box side
// by side with it.
//
// The rules: positions count characters. In the code page a character is a byte; in UTF-8 it is
// a UTF-16 code unit, so a character beyond U+FFFF is two. The line break is CR LF (two
// positions) or, in an LF document, LF alone (one); there a CR is an ordinary character. SelStart
// is clamped to 0..length and leaves nothing selected; SelLength is clamped to
// 0..(length - SelStart); writing SelText replaces the selection and leaves the caret after it.
// What the user does at the keyboard acts on the selection as the widget shows it: an edge inside
// a shown character (between a CR and its LF, between the halves of a surrogate pair) takes in
// the whole of it, a caret there stands after it. A caret that an edit leaves inside one moves to
// after it. Saving UTF-8 writes a lone half of a surrogate pair as U+FFFD.
class TextReference {
public:
    // The kind of document: LF alone as the line break, UTF-8 rather than the code page.
    bool lf = false;
    bool utf8 = false;
    // The characters; in the code page each holds its byte's value.
    std::u16string text;
    long start = 0;
    long length = 0;

    // The bytes a save writes (without its line end).
    QByteArray bytes() const;
    // All that a save writes: the bytes and one line end, which an LF text that already ends
    // with LF goes without.
    QByteArray saved() const;
    QByteArray selText() const;
    // What the widget must show for the text, by the kind of document.
    QString shown() const;

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
    // Ctrl+Left and Ctrl+Right, from the caret's end of the selection, by the words of the text:
    // over the line break at an edge of a line.
    void wordLeft();
    void wordRight();
    // Ctrl+Delete and Ctrl+Backspace: the selection as shown goes, or else what lies between the
    // caret and where Ctrl+Right (Ctrl+Left) would take it.
    bool deleteWord(bool forward);
    // A double-click and a triple-click on the character position pos: its word, its line and
    // line break.
    void selectWord(long pos);
    void selectLine(long pos);

    bool inLineBreak(long pos) const;
    bool inShownCharacter(long pos) const;
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
    bool replaceSelection(const std::u16string& with);
    std::u16string decode(const QByteArray& b) const;
    QByteArray encode(const std::u16string& t) const;
    // The number of positions the shown character at pos takes (2 for a CR LF line break or a
    // surrogate pair), and the one that ends at pos.
    long widthAt(long pos) const;
    long widthBefore(long pos) const;
    // The position of the character that shows at view position view.
    long textPosition(long view) const;
    void selectShown(long from, long to);
};
