// Throwaway stub so the tree links; replaced by the real text box.
#include "document/TextBox.h"
struct TextBox::Private { TextBuffer buf; };
TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent), d(new Private) {
    connect(this, &QPlainTextEdit::textChanged, this, [this] { d->buf.text = toPlainText().toLatin1(); emit Change(); });
}
TextBox::~TextBox() { delete d; }
const QByteArray& TextBox::Text() const { return d->buf.text; }
qsizetype TextBox::TextLength() const { return d->buf.text.size(); }
void TextBox::setText(const QByteArray& t) { setPlainText(QString::fromLatin1(t)); }
qsizetype TextBox::SelStart() const { return textCursor().selectionStart(); }
void TextBox::setSelStart(qsizetype p) { auto c = textCursor(); c.setPosition(int(p)); setTextCursor(c); }
qsizetype TextBox::SelLength() const { return textCursor().selectionEnd() - textCursor().selectionStart(); }
void TextBox::setSelLength(qsizetype n) { auto c = textCursor(); c.setPosition(c.selectionStart()); c.setPosition(int(c.position() + n), QTextCursor::KeepAnchor); setTextCursor(c); }
QByteArray TextBox::SelText() const { return textCursor().selectedText().toLatin1(); }
void TextBox::setSelText(const QByteArray& t) { textCursor().insertText(QString::fromLatin1(t)); }
const TextBuffer& TextBox::buffer() const { return d->buf; }
void TextBox::focusInEvent(QFocusEvent* e) { QPlainTextEdit::focusInEvent(e); emit GotFocus(); }
void TextBox::keyPressEvent(QKeyEvent* e) { QPlainTextEdit::keyPressEvent(e); }
void TextBox::inputMethodEvent(QInputMethodEvent* e) { QPlainTextEdit::inputMethodEvent(e); }
void TextBox::insertFromMimeData(const QMimeData* s) { QPlainTextEdit::insertFromMimeData(s); }
bool TextBox::canInsertFromMimeData(const QMimeData* s) const { return QPlainTextEdit::canInsertFromMimeData(s); }
bool TextBox::event(QEvent* e) { return QPlainTextEdit::event(e); }
