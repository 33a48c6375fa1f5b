#pragma once

#include <QByteArray>
#include <QPlainTextEdit>

#include "document/TextBuffer.h"

// The document's multi-line text box. It holds the text of a document of one kind (DocumentFormat:
// line break CR LF or LF, code page or UTF-8) and counts positions in its characters (with CR LF
// line breaks CR and LF are one position each). The text lives in a TextBuffer; the
// QPlainTextEdit underneath is only a view of it: the document's line break is shown as a line
// break, a lone CR, a lone LF, a NUL and every other control character but TAB as visible control
// pictures. Every change of the text, by the user or by the program, updates the buffer and emits
// Change() once.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);
    ~TextBox() override;

    // The whole text as the bytes a save writes (without the line end it appends).
    QByteArray Text() const;
    // The whole text as characters, by reference: reading it copies nothing.
    const QString& chars() const;
    qsizetype TextLength() const;
    // Replaces the whole text; the caret goes to 0 with nothing selected.
    void setText(const QByteArray& text);
    void setChars(const QString& chars);
    // Replaces the whole text with a file's bytes, taking the kind of document they make.
    void load(const QByteArray& fileBytes);

    // The kind of the document; a new text box holds CR LF in the code page.
    const DocumentFormat& format() const;
    void setFormat(const DocumentFormat& format);

    qsizetype SelStart() const;
    // Puts the caret at pos (clamped to the text), nothing selected.
    void setSelStart(qsizetype pos);
    qsizetype SelLength() const;
    // Selects len characters from SelStart on (clamped to the end of the text).
    void setSelLength(qsizetype len);
    QByteArray SelText() const;
    QString SelChars() const;
    // Replaces the selection with text; the caret ends right after it, nothing selected.
    void setSelText(const QByteArray& text);
    void setSelChars(const QString& text);

    const TextBuffer& buffer() const;

    // The commands the box's own context menu offers in place of the widget's: Cut, Copy,
    // Paste, Delete and Select All, in this order (the Edit menu's). Undo and Redo stay the
    // widget's own, in the platform's words. Without them the widget's own menu shows.
    void setContextMenuCommands(const QList<QAction*>& commands);

signals:
    // The text changed: raised once per change, whatever made it.
    void Change();
    // The text box received the keyboard focus.
    void GotFocus();

protected:
    void focusInEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    bool event(QEvent* e) override;
    // What leaves the box by drag or by the primary selection: the selected characters, not the
    // pictures that show them (see ClipboardText).
    QMimeData* createMimeDataFromSelection() const override;

private:
    void followEdit(int pos, int removed, int added);
    void takeSelectionFromView();
    void showSelection();
    void handleKey(QKeyEvent* e);
    bool removesCharacterBetweenCrAndLf(const QKeyEvent* e) const;
    bool menuOwnsKey(const QKeyEvent* e) const;
    // How many positions of the text a line break takes: 2 for CR LF, 1 for LF.
    int lineBreakWidth() const;
    qsizetype toModel(int viewPos) const;
    int toView(qsizetype modelPos) const;

    struct Private;
    Private* d;
};
