#include "gui/textbox/TextBox.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "core/text/ClipboardText.h"
#include "core/text/TextModel.h"
#include "gui/textbox/CaretLayoutCache.h"
#include "gui/textbox/ClickSelection.h"
#include "gui/textbox/EditRepaint.h"
#include "gui/textbox/InputMethodText.h"
#include "gui/textbox/SoftBreakMending.h"
#include "gui/textbox/SoftBreaks.h"
#include "gui/textbox/TextBoxAccessible.h"
#include "gui/textbox/TextBoxController.h"

// The widget is a view of the buffer, as DisplayMap shows it and translates between the two.
//
// The text has one writer: every edit, by the user or by the program, is made in the buffer at
// buffer positions; the map turns it into edits of the view, and writeView, the one writer of
// the widget's document, applies them (also those of a whole new text and of the soft breaks that
// SoftBreaks moves). The widget's own editing is never let act on its document: the box handles
// every key, paste, drop and menu command that edits.
struct TextBox::Private {
    explicit Private(TextBox* box)
        : model(box->model_),
          soft(box->document(), map,
               [box](const std::vector<DisplayMap::ViewEdit>& edits) { box->writeView(edits); }),
          mending(*box, soft, map),
          controller(*box, model, map),
          clicks(*box) {}
    // The box's model, read through buf.
    TextModel& model;
    const TextBuffer& buf = model.buffer();
    DisplayMap map{buf};
    SoftBreaks soft;
    SoftBreakMending mending;
    // Set while the box itself changes the widget: what the widget then reports is no edit of
    // the user's and no move of the user's caret.
    bool updating = false;
    // The caret offset screen readers were last told of, and how many handlers of the box's own
    // are running that tell of the caret once, when they end (a key may move the caret twice).
    qsizetype toldCaret = 0;
    int caretNewsHeld = 0;
    // How often the document reported a change that the box did not make (see strayChange).
    int strayChanges = 0;
    bool reshowScheduled = false;
    // The drags the box leaves to the widgets under it.
    std::function<bool(const QMimeData*)> leavesDrag;
    // Keys, the input method and drops, made in the model; clicks that select by words and
    // lines.
    TextBoxController controller;
    ClickSelection clicks;
    // Repaints of an edit inside a paragraph, narrowed to the rows it changes.
    EditRepaint* repaint = nullptr;
};

QFont TextBox::unshaped(QFont font) {
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent), d(new Private(this)) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFont(unshaped(font()));
    // A blink of the caret or a key must not shape a long line again as a whole.
    new CaretLayoutCache(this);
    // Nor may a key repaint every row of a long line's piece on screen.
    d->repaint =
        new EditRepaint(this, [this](const QTextBlock& b) { return blockBoundingGeometry(b); });
    // The box keeps the history itself; setPlainText leaves this as it finds it.
    document()->setUndoRedoEnabled(false);
    connect(document(), &QTextDocument::contentsChange, this, &TextBox::strayChange);
    // The model reports each edit once: the view shows it, then the selection, then the box
    // tells of the change.
    connect(&d->model, &TextModel::reset, this, &TextBox::showAll);
    connect(&d->model, &TextModel::edited, this, &TextBox::showChange);
    connect(&d->model, &TextModel::selectionMoved, this, &TextBox::showSelection);
    connect(&d->model, &TextModel::Change, this, &TextBox::Change);
    // A screen reader reads the text, not the view (see TextBoxAccessible).
    QAccessible::installFactory(&TextBoxAccessible::factory);
    TextBoxAccessible::quietWidget(this);
    // The widget tells screen readers of its caret before the box has taken the move, so that
    // they would read where the caret was; and it tells of moves of the view alone. The widget's
    // editing part (the document's parent) reports to the box instead, which tells of each move
    // of the text's caret once, after taking it (see tellCaretMoved).
    QObject* control = document()->parent();
    disconnect(control, SIGNAL(cursorPositionChanged()), this, SLOT(_q_cursorPositionChanged()));
    connect(control, SIGNAL(cursorPositionChanged()), this, SLOT(viewCaretMoved()));
    connect(this, &QPlainTextEdit::selectionChanged, this, &TextBox::takeSelectionFromView);
    // A Shift+click extends what a double- or triple-click selected, until the text changes.
    connect(this, &TextBox::Change, this, [this] { d->clicks.textChanged(); });
    // The widget scrolls to the caret by itself, without its scroll bar telling: what comes into
    // view may hold soft breaks to mend.
    connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
        if (dy != 0) mendLater();
    });
}

TextBox::~TextBox() {
    // The widget's parts are destroyed after this body has run; nothing they report may reach
    // the buffer any more.
    disconnect(document(), nullptr, this, nullptr);
    disconnect(document()->parent(), nullptr, this, nullptr);
    disconnect(this, nullptr, this, nullptr);
    delete d;
}

void TextBox::undo() {
    if (d->model.undo()) ensureCursorVisible();
}

void TextBox::redo() {
    if (d->model.redo()) ensureCursorVisible();
}

void TextBox::showAll() {
    const qsizetype readBefore = readLength();
    writeView({d->map.reset()});
    mendLater();
    // What the text read before is gone: told as that many characters, as the widget does.
    if (QAccessible::isActive())
        TextBoxAccessible::textChanged(this, 0, QString(readBefore, QLatin1Char(' ')),
                                       d->map.read(0, d->buf.length()));
}

void TextBox::showChange(const TextBuffer::Change& change) {
    writeView(d->map.changed(change));
    mendLater();
    tellReaders(change);
}

void TextBox::writeView(const std::vector<DisplayMap::ViewEdit>& edits) {
    QScopedValueRollback<bool> quiet(d->updating, true);
    if (edits.size() == 1 && edits.front().whole) {
        setPlainText(edits.front().text);
        TextBoxAccessible::quietWidget(this);
        return;
    }
    // One edit block: the document lays the changed paragraphs out once, when all is done.
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (const DisplayMap::ViewEdit& e : edits) {
        // Clamped: a change the box did not make may have left the document shorter until it
        // shows the text anew.
        const qsizetype end = document()->characterCount() - 1;
        const int from = int(std::min(e.pos, end));
        const int to = int(std::min(e.pos + e.removed, end));
        if (edits.size() == 1) d->repaint->before(from, to - from, e.text);
        edit.setPosition(from);
        edit.setPosition(to, QTextCursor::KeepAnchor);
        edit.insertText(e.text);
    }
    edit.endEditBlock();
    d->repaint->done();
}

void TextBox::focusInEvent(QFocusEvent* e) {
    QPlainTextEdit::focusInEvent(e);
    emit GotFocus();
}

void TextBox::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange && !(font().styleStrategy() & QFont::PreferNoShaping)) {
        // Setting the font again raises another FontChange, which the widget then handles.
        setFont(unshaped(font()));
        return;
    }
    QPlainTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange) mendLater();
}

void TextBox::resizeEvent(QResizeEvent* e) {
    QPlainTextEdit::resizeEvent(e);
    mendLater();
}

void TextBox::showEvent(QShowEvent* e) {
    QPlainTextEdit::showEvent(e);
    mendLater();
}

QMenu* TextBox::createContextMenu(const QPoint& position) {
    QMenu* standard = createStandardContextMenu(position);
    d->controller.takeStandardActions(standard);
    return standard;
}

void TextBox::contextMenuEvent(QContextMenuEvent* e) {
    const std::unique_ptr<QMenu> menu(createContextMenu(e->pos()));
    menu->exec(e->globalPos());
    e->accept();
}

void TextBox::selectInView(qsizetype anchor, qsizetype position) {
    QTextCursor view = textCursor();
    view.setPosition(toView(anchor));
    view.setPosition(toView(position), QTextCursor::KeepAnchor);
    // Selecting scrolls nothing: a click or a drag leaves the text under the mouse where it is
    // (a word or a line may end pages below), and a key scrolls to the caret itself.
    const int top = verticalScrollBar()->value();
    setTextCursor(view);
    verticalScrollBar()->setValue(top);
    takeSelectionFromView();
}

qsizetype TextBox::modelAt(const QPoint& point) const {
    return toModel(cursorForPosition(point).position());
}

void TextBox::keyPressEvent(QKeyEvent* e) { d->controller.keyPress(e); }

void TextBox::inputMethodEvent(QInputMethodEvent* e) { d->controller.inputMethod(e); }

void TextBox::insertFromMimeData(const QMimeData* source) {
    d->controller.insertFromMimeData(source);
}

void TextBox::dropEvent(QDropEvent* e) {
    if (d->leavesDrag && d->leavesDrag(e->mimeData())) {
        e->ignore();
        return;
    }
    d->controller.drop(e);
}

void TextBox::cutSelection() { d->controller.cutSelection(); }

void TextBox::deleteSelection() { d->controller.deleteSelection(); }

void TextBox::mousePressEvent(QMouseEvent* e) { d->clicks.press(e); }

void TextBox::mouseDoubleClickEvent(QMouseEvent* e) { d->clicks.doubleClick(e); }

void TextBox::mouseMoveEvent(QMouseEvent* e) { d->clicks.move(e); }

void TextBox::mouseReleaseEvent(QMouseEvent* e) { d->clicks.release(e); }

QScopedValueRollback<bool> TextBox::writingView() {
    return QScopedValueRollback<bool>(d->updating, true);
}

QScopedValueRollback<int> TextBox::holdCaretNews() {
    return QScopedValueRollback<int>(d->caretNewsHeld, d->caretNewsHeld + 1);
}

void TextBox::dragEnterEvent(QDragEnterEvent* e) {
    if (d->leavesDrag && d->leavesDrag(e->mimeData())) {
        e->ignore();
        return;
    }
    QPlainTextEdit::dragEnterEvent(e);
}

void TextBox::dragMoveEvent(QDragMoveEvent* e) {
    if (d->leavesDrag && d->leavesDrag(e->mimeData())) {
        e->ignore();
        return;
    }
    QPlainTextEdit::dragMoveEvent(e);
}

bool TextBox::canInsertFromMimeData(const QMimeData* source) const {
    return source && ClipboardText::hasText(*source);
}

QMimeData* TextBox::createMimeDataFromSelection() const {
    const QTextCursor view = textCursor();
    const qsizetype from = toModel(view.selectionStart());
    const qsizetype to = toModel(view.selectionEnd());
    return ClipboardText::toMime(QStringView(d->buf.chars()).mid(from, to - from));
}

bool TextBox::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride &&
        d->controller.menuOwnsKey(static_cast<QKeyEvent*>(e))) {
        // Leave the key to the menu: its command runs, once, and the widget does not act on it.
        e->ignore();
        return true;
    }
    return QPlainTextEdit::event(e);
}

void TextBox::strayChange() {
    if (d->updating) return;
    // Something edited the view behind the box's back: a fault. The text stays what the buffer
    // holds; the view shows it again once the document has finished reporting.
    ++d->strayChanges;
    qWarning("TextBox: the view changed without an edit of the text; it shows the text anew");
    if (d->reshowScheduled) return;
    d->reshowScheduled = true;
    QTimer::singleShot(0, this, [this] {
        d->reshowScheduled = false;
        showAll();
        showSelection();
    });
}

int TextBox::strayChanges() const { return d->strayChanges; }

void TextBox::leaveDrags(std::function<bool(const QMimeData*)> leaves) {
    d->leavesDrag = std::move(leaves);
}

void TextBox::takeSelectionFromView() {
    // A view changed behind the box's back no longer stands where the map says it does: the
    // selection stays the text's until the view shows the text again.
    if (d->updating || d->reshowScheduled) return;
    const QTextCursor view = textCursor();
    d->model.selectShown(toModel(view.anchor()), toModel(view.position()));
}

void TextBox::showSelection() {
    QTextCursor view = textCursor();
    view.setPosition(toView(d->map.selStart()));
    view.setPosition(toView(d->map.selEnd()), QTextCursor::KeepAnchor);
    {
        QScopedValueRollback<bool> quiet(d->updating, true);
        setTextCursor(view);
    }
    tellCaretMoved();
}

void TextBox::viewCaretMoved() {
    takeSelectionFromView();
    // The widget's signal, which its own parts follow, for every move of the view's caret.
    if (!tellCaretMoved()) emit cursorPositionChanged();
}

qsizetype TextBox::readCaret() const {
    // The end of the selection the user moved.
    return readOffset(d->model.caretFirst() ? d->map.selStart() : d->map.selEnd());
}

bool TextBox::tellCaretMoved() {
    if (d->updating || d->caretNewsHeld > 0) return false;
    const qsizetype caret = readCaret();
    if (caret == d->toldCaret) return false;
    d->toldCaret = caret;
    // The widget's own handler sends the event (a screen reader asks for the caret then: the
    // text's is in place), lets Page Up and Page Down start from the caret anew and emits the
    // widget's signal.
    if (QMetaObject::invokeMethod(this, "_q_cursorPositionChanged", Qt::DirectConnection))
        return true;
    QAccessibleTextCursorEvent moved(this, int(caret));
    QAccessible::updateAccessibility(&moved);
    emit cursorPositionChanged();
    return true;
}

qsizetype TextBox::toModel(int viewPos) const { return d->map.toText(viewPos); }

int TextBox::toView(qsizetype modelPos) const {
    // Within the document also while it holds a change the box did not make (see strayChange).
    return int(std::min<qsizetype>(d->map.toView(modelPos), document()->characterCount() - 1));
}

bool TextBox::followsSoftBreak(const QTextBlock& block) const {
    return block.document() == document() && d->map.softBreakAtView(block.position() - 1) >= 0;
}

bool TextBox::startsRow(const QTextBlock& block) const {
    const int soft = d->map.softBreakAtView(block.position() - 1);
    return soft < 0 || d->map.isMended(soft);
}

int TextBox::softBreakCount() const { return d->map.softBreakCount(); }

const DisplayMap& TextBox::displayMap() const { return d->map; }

void TextBox::mendLater() { d->mending.later(); }

void TextBox::mendIfDue() { d->mending.ifDue(); }

bool TextBox::isWritingView() const { return d->updating; }

qsizetype TextBox::readLength() const { return d->map.readLength(); }

qsizetype TextBox::readOffset(qsizetype pos) const { return d->map.readOffset(pos); }

qsizetype TextBox::readPosition(qsizetype offset) const { return d->map.readPosition(offset); }

QVariant TextBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    return inputMethodQuery(query, QVariant());
}

QVariant TextBox::inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const {
    const QVariant own = InputMethodText::query(*this, query, argument);
    return own.isValid() ? own : QPlainTextEdit::inputMethodQuery(query, argument);
}

void TextBox::tellReaders(const TextBuffer::Change& change) {
    // Nobody listens without a screen reader: nothing is read out then.
    if (!QAccessible::isActive()) return;
    const DisplayMap::ReadEdit read = d->map.readChange(change);
    TextBoxAccessible::textChanged(this, read.offset, read.removed, read.inserted);
}
