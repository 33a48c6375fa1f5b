#pragma once

#include <QByteArray>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <functional>

#include "core/text/DisplayMap.h"
#include "core/text/EditHistory.h"
#include "core/text/TextBuffer.h"
#include "core/text/TextModel.h"

class QMenu;
class QTextBlock;

// The document's multi-line text box. It holds the text of a document of one kind (DocumentFormat:
// line break CR LF or LF, code page or UTF-8) and counts positions in its characters (with CR LF
// line breaks CR and LF are one position each). The text, its selection and its undo history are
// the box's TextModel, which every change of the text, by the user or by the program, goes
// through; the text functions below are the model's. The QPlainTextEdit underneath is only a view
// of it, as DisplayMap shows it: the document's line break as a line break, a lone CR, a lone LF,
// a NUL and every other control character but TAB as visible control pictures. The box shows
// each change and emits Change() once.
//
// The widget's document keeps no undo history, so that what the box changes in the view alone is
// never undone.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent = nullptr);
    ~TextBox() override;

    // font as the box draws with it. Text in scripts that need no shaping (Latin, Greek,
    // Cyrillic, symbols...) is laid out from the font's own advances, without kerning or
    // ligatures, as a plain text box draws it: a long line then lays out in about half the time.
    // Scripts that need shaping still get it. The box takes any font it is given this way.
    static QFont unshaped(QFont font);

    // The whole text as the bytes a save writes (without the line end it appends).
    QByteArray Text() const { return model_.Text(); }
    // The whole text as characters, by reference: reading it copies nothing.
    const QString& chars() const { return model_.chars(); }
    qsizetype TextLength() const { return model_.TextLength(); }
    // Replaces the whole text; the caret goes to 0 with nothing selected.
    void setText(const QByteArray& text) { model_.setText(text); }
    void setChars(const QString& chars) { model_.setChars(chars); }
    // Replaces the whole text with a file's bytes, taking the kind of document they make.
    void load(const QByteArray& fileBytes) { model_.load(fileBytes); }

    // The kind of the document; a new text box holds CR LF in the code page.
    const DocumentFormat& format() const { return model_.format(); }
    void setFormat(const DocumentFormat& format) { model_.setFormat(format); }

    qsizetype SelStart() const { return model_.SelStart(); }
    // Puts the caret at pos (clamped to the text), nothing selected.
    void setSelStart(qsizetype pos) { model_.setSelStart(pos); }
    qsizetype SelLength() const { return model_.SelLength(); }
    // Selects len characters from SelStart on (clamped to the end of the text).
    void setSelLength(qsizetype len) { model_.setSelLength(len); }
    QByteArray SelText() const { return model_.SelText(); }
    QString SelChars() const { return model_.SelChars(); }
    // Replaces the selection with text; the caret ends right after it, nothing selected.
    void setSelText(const QByteArray& text) { model_.setSelText(text); }
    void setSelChars(const QString& text) { model_.setSelChars(text); }

    const TextBuffer& buffer() const { return model_.buffer(); }
    // The document's text, selection and history: the box owns it and is its view.
    TextModel& model() { return model_; }
    const TextModel& model() const { return model_; }
    // How the view shows the text, and the translations between them.
    const DisplayMap& displayMap() const;

    bool isUndoAvailable() const { return model_.isUndoAvailable(); }
    bool isRedoAvailable() const { return model_.isRedoAvailable(); }
    const EditHistory& history() const { return model_.history(); }

    // Whether the paragraph separator before block is a soft break: a long line is shown as
    // several paragraphs, and such a separator stands for no character of the text.
    bool followsSoftBreak(const QTextBlock& block) const;
    // Whether a row of the view starts at block because the soft break before it stands where the
    // line wraps anyway (see SoftBreaks::mend); the first block of a line starts a row too.
    bool startsRow(const QTextBlock& block) const;
    int softBreakCount() const;
    // How often the widget's document reported a change that the box did not make. Only the
    // box writes the view, so this stays 0 unless something edits the widget behind its back;
    // the box then shows its text anew.
    int strayChanges() const;

    // The text as a screen reader and an input method read it: each character as the box shows
    // it (a control character as its picture), a line break as one "\n" whatever the document's
    // line break, the soft breaks of a long line nowhere. Offsets count its UTF-16 code units.
    qsizetype readLength() const;
    // The offset at which the character at position pos of the text is read; a position inside
    // a line break reads as the one after it.
    qsizetype readOffset(qsizetype pos) const;
    // The position of the text read at offset (clamped to 0..readLength()).
    qsizetype readPosition(qsizetype offset) const;
    // The caret as a screen reader reads it: the end of the selection the user moved.
    qsizetype readCaret() const;
    // A position of the widget's document as a position of the text, and back.
    qsizetype toModel(int viewPos) const;
    int toView(qsizetype modelPos) const;
    // Replaces the characters from start to end with text that comes from outside the box, a
    // screen reader's edit, as one change: one step of undo, one Change. Each line break of text
    // becomes the document's, a character the document cannot hold '?'. Each edge of the
    // selection keeps its place in the text; one in the replaced range or at its start goes after
    // the new text.
    void replaceFromOutside(qsizetype start, qsizetype end, const QString& text) {
        model_.replaceFromOutside(start, end, text);
    }

    // What the input method reads of the text is the text's (see InputMethodText); every other
    // query is the widget's.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    Q_INVOKABLE QVariant inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const;

    // The widget's own context menu, whose Undo, Redo, Cut and Delete act on the box's text and
    // history (Undo and Redo in the platform's words); the caller owns it. The box shows it on
    // its own; a window gives the box a menu of its commands instead (EditCommands).
    QMenu* createContextMenu(const QPoint& position);
    // The drags for which leaves holds are left to the widgets under the box (the frame opens the
    // files dragged from a file manager: the box never takes their paths as text).
    void leaveDrags(std::function<bool(const QMimeData*)> leaves);

public slots:
    // Cut and Delete of the selection as shown, as their keys make them.
    void cutSelection();
    void deleteSelection();
    // These hide QPlainTextEdit's undo() and redo(), which are not virtual and would act on the
    // document's own history, which is switched off: call them on a TextBox.
    void undo();
    void redo();

signals:
    // The text changed: raised once per change, whatever made it.
    void Change();
    // The text box received the keyboard focus.
    void GotFocus();

protected:
    void focusInEvent(QFocusEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    // A drag the box leaves (see leaveDrags) is ignored.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    // Keys, the input method's commits, pastes and drops are made in the model by the box's
    // TextBoxController; double- and triple-clicks select by the text's words and lines
    // (ClickSelection).
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;
    // What leaves the box by drag or by the primary selection: the selected characters, not the
    // pictures that show them (see ClipboardText).
    QMimeData* createMimeDataFromSelection() const override;

private slots:
    // The widget's caret moved: the box takes the selection and tells screen readers.
    void viewCaretMoved();

private:
    // The box's controller and click selection work the widget through the box's own parts.
    friend class TextBoxController;
    friend class ClickSelection;
    friend class SoftBreakMending;

    // Tells screen readers that the caret moved, once per move of the caret in the text they
    // read, none while the box itself changes the view or handles a key. Returns whether it told.
    bool tellCaretMoved();
    // While the value lives, what the widget reports is the box's own doing: no edit of the
    // user's, no move of the user's caret.
    QScopedValueRollback<bool> writingView();
    bool isWritingView() const;
    // While the value lives, screen readers hear of the caret once, when it ends.
    QScopedValueRollback<int> holdCaretNews();
    // The document reported a change: a fault unless the box is writing it.
    void strayChange();
    // Shows the change just made in the buffer, the view still showing the text as it was
    // before.
    void showChange(const TextBuffer::Change& change);
    void takeSelectionFromView();
    // Shows the whole text of the buffer anew.
    void showAll();
    // Puts the soft breaks that show where the line wraps anyway, now or once the events
    // pending are handled.
    void mendIfDue();
    void mendLater();
    void showSelection();
    // Selects from anchor to position (positions of the text), the caret at position, scrolling
    // nothing.
    void selectInView(qsizetype anchor, qsizetype position);
    // The position of the text under a point of the viewport.
    qsizetype modelAt(const QPoint& point) const;
    // Tells a screen reader of the change just made in the buffer, the text and the view being
    // as they are after it.
    void tellReaders(const TextBuffer::Change& change);
    // The one writer of the widget's document: applies the map's edits of the view, in order.
    void writeView(const std::vector<DisplayMap::ViewEdit>& edits);

    // The document's text: the box owns it, one owner, and is its view.
    TextModel model_;
    struct Private;
    Private* d;
};
