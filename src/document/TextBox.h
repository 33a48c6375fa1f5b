#pragma once

#include <QByteArray>
#include <QPlainTextEdit>

#include "document/TextBuffer.h"

// The document's multi-line text box. It holds 8-bit text whose line break is CR LF and counts
// positions in that text (CR and LF are one position each). The bytes live in a TextBuffer; the
// QPlainTextEdit underneath is only a view of them: a CR LF pair is shown as a line break, a lone
// CR, a lone LF, a NUL and every other control byte but TAB as visible control pictures. Every
// change of the text, by the user or by the program, updates the buffer and emits Change() once.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);
    ~TextBox() override;

    // The whole text, by reference: reading it copies nothing.
    const QByteArray& Text() const;
    qsizetype TextLength() const;
    // Replaces the whole text; the caret goes to 0 with nothing selected.
    void setText(const QByteArray& text);

    qsizetype SelStart() const;
    // Puts the caret at pos (clamped to the text), nothing selected.
    void setSelStart(qsizetype pos);
    qsizetype SelLength() const;
    // Selects len characters from SelStart on (clamped to the end of the text).
    void setSelLength(qsizetype len);
    QByteArray SelText() const;
    // Replaces the selection with text; the caret ends right after it, nothing selected.
    void setSelText(const QByteArray& text);

    const TextBuffer& buffer() const;

signals:
    // The text changed: raised once per change, whatever made it.
    void Change();
    // The text box received the keyboard focus.
    void GotFocus();

protected:
    void focusInEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    bool event(QEvent* e) override;
    // What leaves the box by drag or by the widget's own copy: the selected bytes in the code
    // page, not the pictures that show them.
    QMimeData* createMimeDataFromSelection() const override;

private:
    void followEdit(int pos, int removed, int added);
    void takeSelectionFromView();
    void showSelection();
    void handleKey(QKeyEvent* e);
    bool removesCharacterBetweenCrAndLf(const QKeyEvent* e) const;
    bool menuOwnsKey(const QKeyEvent* e) const;
    qsizetype toModel(int viewPos) const;
    int toView(qsizetype modelPos) const;

    struct Private;
    Private* d;
};
