#include "document/TextBox.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <memory>

#include "document/CaretLayoutCache.h"
#include "document/ClipboardText.h"
#include "document/InputMethodText.h"
#include "document/SoftBreaks.h"
#include "document/TextBoundaries.h"
#include "document/TextBoxAccessible.h"
#include "document/TextModel.h"

// The widget is a view of the buffer, as DisplayMap shows it and translates between the two.
//
// The text has one writer: every edit, by the user or by the program, is made in the buffer at
// buffer positions; the map turns it into edits of the view, and writeView, the one writer of
// the widget's document, applies them (also those of a whole new text and of the soft breaks that
// SoftBreaks moves). The widget's own editing is never let act on its document: the box handles
// every key, paste, drop and menu command that edits.
struct TextBox::Private {
    explicit Private(TextBox* box)
        : soft(box->document(), map,
               [box](const std::vector<DisplayMap::ViewEdit>& edits) { box->writeView(edits); }) {
        tripleClick.setSingleShot(true);
    }
    // The text, its selection and its history; read through buf.
    TextModel model;
    const TextBuffer& buf = model.buffer();
    DisplayMap map{buf};
    SoftBreaks soft;
    // Soft breaks may have to be mended where the view shows them (see mendIfDue).
    bool mendDue = false;
    bool mendScheduled = false;
    // The width and the font the soft breaks were last mended for.
    int mendedWidth = -1;
    QFont mendedFont;
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
    // What the mouse button held down selects by since a double- or triple-click, and what that
    // click selected. A click near the last double-click while tripleClick runs is a
    // triple-click, by the widget's own measure.
    enum class ClickUnit { None, Word, Line };
    ClickUnit clickUnit = ClickUnit::None;
    TextBoundaries::Range clicked;
    QTimer tripleClick;
    QPointF doubleClickAt;
    TextBoundaries boundaries() const { return TextBoundaries(buf.chars(), buf.format()); }
};

namespace {

// The test the widget applies before inserting the text of a key press as typed text.
bool isTypedText(const QKeyEvent* e) {
    const QString text = e->text();
    if (text.isEmpty()) return false;
    const QChar c = text.at(0);
    if (c.category() == QChar::Other_Format) return true;
    const Qt::KeyboardModifiers mods = e->modifiers();
    if (mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier)) {
        return false;
    }
    if (c.isPrint() || c.category() == QChar::Other_PrivateUse || c == u'\t') return true;
    return c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate();
}

// What a key press makes of the text, for the undo history.
EditHistory::Input inputOf(const QKeyEvent* e) {
    if (isTypedText(e)) return EditHistory::Input::Typing;
    if (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier))
        return EditHistory::Input::Backspace;
    if (e->matches(QKeySequence::Delete)) return EditHistory::Input::Delete;
    return EditHistory::Input::Other;
}

// Whether the key pressed is key, also from the numeric keypad.
bool isKey(const QKeyEvent* e, QKeyCombination key) {
    return QKeyCombination(e->modifiers() & ~Qt::KeypadModifier, Qt::Key(e->key())) == key;
}

}  // namespace

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
    connect(this, &TextBox::Change, this, [this] { d->clickUnit = Private::ClickUnit::None; });
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

QByteArray TextBox::Text() const { return d->model.Text(); }

const QString& TextBox::chars() const { return d->model.chars(); }

qsizetype TextBox::TextLength() const { return d->model.TextLength(); }

void TextBox::setText(const QByteArray& text) { d->model.setText(text); }

void TextBox::setChars(const QString& chars) { d->model.setChars(chars); }

void TextBox::load(const QByteArray& fileBytes) { d->model.load(fileBytes); }

const DocumentFormat& TextBox::format() const { return d->model.format(); }

void TextBox::setFormat(const DocumentFormat& format) { d->model.setFormat(format); }

qsizetype TextBox::SelStart() const { return d->model.SelStart(); }

void TextBox::setSelStart(qsizetype pos) { d->model.setSelStart(pos); }

qsizetype TextBox::SelLength() const { return d->model.SelLength(); }

void TextBox::setSelLength(qsizetype len) { d->model.setSelLength(len); }

QByteArray TextBox::SelText() const { return d->model.SelText(); }

QString TextBox::SelChars() const { return d->model.SelChars(); }

void TextBox::setSelText(const QByteArray& text) { d->model.setSelText(text); }

void TextBox::setSelChars(const QString& text) { d->model.setSelChars(text); }

bool TextBox::isUndoAvailable() const { return d->model.isUndoAvailable(); }

bool TextBox::isRedoAvailable() const { return d->model.isRedoAvailable(); }

const EditHistory& TextBox::history() const { return d->model.history(); }

void TextBox::undo() {
    if (d->model.undo()) ensureCursorVisible();
}

void TextBox::redo() {
    if (d->model.redo()) ensureCursorVisible();
}

const TextBuffer& TextBox::buffer() const { return d->model.buffer(); }

TextModel& TextBox::model() { return d->model; }

const TextModel& TextBox::model() const { return d->model; }

void TextBox::replaceFromOutside(qsizetype start, qsizetype end, const QString& text) {
    d->model.replaceFromOutside(start, end, text);
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
        edit.setPosition(int(e.pos));
        edit.setPosition(int(e.pos + e.removed), QTextCursor::KeepAnchor);
        edit.insertText(e.text);
    }
    edit.endEditBlock();
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
    for (QAction* a : standard->actions()) {
        const QString name = a->objectName();
        const bool isUndo = name == QLatin1String("edit-undo");
        if (isUndo || name == QLatin1String("edit-redo")) {
            disconnect(a, &QAction::triggered, nullptr, nullptr);
            a->setEnabled(isUndo ? isUndoAvailable() : isRedoAvailable());
            connect(a, &QAction::triggered, this, isUndo ? &TextBox::undo : &TextBox::redo);
        }
        // The widget's Cut and Delete would remove the selection from the view alone; its Paste
        // comes to insertFromMimeData.
        const bool isCut = name == QLatin1String("edit-cut");
        if (isCut || name == QLatin1String("edit-delete")) {
            disconnect(a, &QAction::triggered, nullptr, nullptr);
            connect(a, &QAction::triggered, this,
                    isCut ? &TextBox::cutSelection : &TextBox::deleteSelection);
        }
    }
    return standard;
}

void TextBox::contextMenuEvent(QContextMenuEvent* e) {
    const std::unique_ptr<QMenu> menu(createContextMenu(e->pos()));
    menu->exec(e->globalPos());
    e->accept();
}

void TextBox::keyPressEvent(QKeyEvent* e) {
    {
        // The key may move the caret more than once (End before a soft break): screen readers
        // hear of where it ends.
        QScopedValueRollback<int> held(d->caretNewsHeld, d->caretNewsHeld + 1);
        if (!movesByWord(e)) {
            handleKey(e);
            stopBeforeRowEndSpace(e);
        }
        // Mended before the view paints what the key changed or scrolled to.
        mendIfDue();
        // A key the box acted on puts the selection where it is shown, also when the caret did
        // not move (End at the end of a text ending between a CR and its LF): what the user
        // then does through the menu acts where the user sees the caret.
        if (e->isAccepted()) takeSelectionFromView();
    }
    tellCaretMoved();
}

void TextBox::handleKey(QKeyEvent* e) {
    if (e->matches(QKeySequence::Undo) || isKey(e, Qt::CTRL | Qt::Key_Z)) {
        undo();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Redo) || isKey(e, Qt::CTRL | Qt::Key_Y) ||
        isKey(e, Qt::CTRL | Qt::SHIFT | Qt::Key_Z)) {
        redo();
        e->accept();
        return;
    }
    stepOverSoftBreak(e);
    if (editsText(e)) {
        ensureCursorVisible();
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

bool TextBox::movesByWord(QKeyEvent* e) {
    const bool extend =
        e->matches(QKeySequence::SelectNextWord) || e->matches(QKeySequence::SelectPreviousWord);
    const bool next =
        e->matches(QKeySequence::MoveToNextWord) || e->matches(QKeySequence::SelectNextWord);
    if (!next && !extend && !e->matches(QKeySequence::MoveToPreviousWord)) return false;
    // From the caret, also over a selection, as the widget moves.
    const QTextCursor view = textCursor();
    const qsizetype from = toModel(view.position());
    const TextBoundaries bounds = d->boundaries();
    const qsizetype to = next ? bounds.nextWord(from) : bounds.previousWord(from);
    selectInView(extend ? toModel(view.anchor()) : to, to);
    ensureCursorVisible();
    e->accept();
    return true;
}

void TextBox::stopBeforeRowEndSpace(const QKeyEvent* e) {
    const bool extend = e->matches(QKeySequence::SelectEndOfLine);
    if (!extend && !e->matches(QKeySequence::MoveToEndOfLine)) return;
    QTextCursor view = textCursor();
    const QTextBlock block = view.block();
    const int end = block.position() + block.length() - 1;
    if (view.position() != end || end == block.position() || d->map.softBreakAtView(end) < 0 ||
        !document()->characterAt(end - 1).isSpace())
        return;
    view.setPosition(end - 1, extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    setTextCursor(view);
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

void TextBox::mousePressEvent(QMouseEvent* e) {
    const bool left = e->button() == Qt::LeftButton;
    const bool triple = left && d->tripleClick.isActive() &&
                        (e->position() - d->doubleClickAt).toPoint().manhattanLength() <
                            QApplication::startDragDistance();
    if (triple) d->tripleClick.stop();
    // A triple-click selects the line of the caret, which the double-click put at the end of its
    // word: the view may have scrolled since.
    const qsizetype caret = toModel(textCursor().position());
    const int top = verticalScrollBar()->value();
    QPlainTextEdit::mousePressEvent(e);
    if (!left) return;
    if (triple) {
        // The widget selected the piece of the caret; the line is the text's.
        d->clickUnit = Private::ClickUnit::Line;
        d->clicked = d->boundaries().lineAt(caret);
        verticalScrollBar()->setValue(top);
        selectInView(d->clicked.start, d->clicked.end);
    } else if (e->modifiers() & Qt::ShiftModifier && d->clickUnit != Private::ClickUnit::None) {
        extendClickedSelection(e->position().toPoint());
    } else {
        d->clickUnit = Private::ClickUnit::None;
    }
}

void TextBox::mouseDoubleClickEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseDoubleClickEvent(e);
    if (e->button() != Qt::LeftButton) return;
    d->tripleClick.start(QApplication::doubleClickInterval());
    d->doubleClickAt = e->position();
    // The widget selected the word of the piece under the click; the word is the text's.
    d->clickUnit = Private::ClickUnit::Word;
    d->clicked = d->boundaries().wordAt(modelAt(e->position().toPoint()));
    selectInView(d->clicked.start, d->clicked.end);
}

void TextBox::mouseMoveEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseMoveEvent(e);
    if ((e->buttons() & Qt::LeftButton) && d->clickUnit != Private::ClickUnit::None)
        extendClickedSelection(e->position().toPoint());
}

void TextBox::mouseReleaseEvent(QMouseEvent* e) {
    QPlainTextEdit::mouseReleaseEvent(e);
    if (e->button() != Qt::LeftButton || d->clickUnit == Private::ClickUnit::None) return;
    // What was selected by words or lines is the primary selection, as the widget's own
    // selection by the mouse is.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && textCursor().hasSelection())
        clipboard->setMimeData(createMimeDataFromSelection(), QClipboard::Selection);
}

void TextBox::extendClickedSelection(const QPoint& point) {
    const qsizetype at = modelAt(point);
    const TextBoundaries bounds = d->boundaries();
    const TextBoundaries::Range under =
        d->clickUnit == Private::ClickUnit::Word ? bounds.wordAt(at) : bounds.lineAt(at);
    // The word or line clicked stays selected whole, and so does the one under the mouse.
    if (at < d->clicked.start) {
        selectInView(d->clicked.end, under.start);
    } else if (at > d->clicked.end) {
        selectInView(d->clicked.start, under.end);
    } else {
        selectInView(d->clicked.start, d->clicked.end);
    }
}

bool TextBox::editsText(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers();
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        !(mods & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
        // Enter makes a line break with or without Shift.
        d->model.edit(EditHistory::Input::Other, [](TextBuffer& buf) { return buf.enter(); });
        return true;
    }
    const EditHistory::Input input = inputOf(e);
    if (input == EditHistory::Input::Typing) {
        // Typed characters that the document cannot hold go in as what will be saved.
        const QString typed = d->buf.format().holdable(e->text());
        d->model.edit(input, [&typed](TextBuffer& buf) { return buf.type(typed); });
        return true;
    }
    if (deletesWordOrLine(e)) return true;
    if (input == EditHistory::Input::Backspace) {
        d->model.edit(input, [](TextBuffer& buf) { return buf.backspace(); });
        return true;
    }
    if (e->matches(QKeySequence::Cut)) {
        // The key no menu command owns: the widget's cut, without the widget's removal.
        if (d->buf.selLength() > 0) cutSelection();
        return true;
    }
    if (input == EditHistory::Input::Delete) {
        d->model.edit(input, [](TextBuffer& buf) { return buf.deleteForward(); });
        return true;
    }
    return false;
}

void TextBox::cutSelection() {
    copy();
    deleteSelection();
}

void TextBox::deleteSelection() {
    d->model.edit(EditHistory::Input::Other, [](TextBuffer& buf) { return buf.type(QString()); });
    ensureCursorVisible();
}

bool TextBox::deletesWordOrLine(QKeyEvent* e) {
    const bool endOfWord = e->matches(QKeySequence::DeleteEndOfWord);
    const bool startOfWord = e->matches(QKeySequence::DeleteStartOfWord);
    const bool endOfLine = e->matches(QKeySequence::DeleteEndOfLine);
    if (!endOfWord && !startOfWord && !endOfLine) return false;
    const bool selected = d->map.selEnd() != d->map.selStart();
    if (selected && !endOfLine) {
        // A word deletion removes the selection.
        deleteSelection();
        e->accept();
        return true;
    }
    // With a selection, the key that deletes to the end of the line removes from the selection's
    // anchor to the end of the line its moving end is on, as the widget does in a paragraph.
    const qsizetype caret = selected ? toModel(textCursor().position()) : d->map.selStart();
    const qsizetype anchor = selected ? toModel(textCursor().anchor()) : caret;
    // The word and the line are those of the text, not the pieces a long line shows as. At an
    // edge of the line a word deletion takes the line break; the end of a line stays.
    const TextBoundaries bounds = d->boundaries();
    qsizetype from = caret;
    qsizetype to = caret;
    if (startOfWord) {
        from = bounds.previousWord(caret);
    } else if (endOfWord) {
        to = bounds.nextWord(caret);
    } else {
        const qsizetype lineEnd = bounds.lineEnd(caret);
        from = std::min(anchor, lineEnd);
        to = std::max(anchor, lineEnd);
    }
    d->model.putText(from, to, QString(), inputOf(e));
    ensureCursorVisible();
    e->accept();
    return true;
}

void TextBox::inputMethodEvent(QInputMethodEvent* e) {
    // The widget would report the whole paragraph it edits as changed, a soft break at its end
    // included, and a pre-edit too. The box makes the commit itself, in the buffer, as the
    // widget would: the selection as shown goes, then the replacement range (counted from the
    // caret) takes the commit. The widget only shows the pre-edit.
    const QString& preedit = e->preeditString();
    const bool newPreedit = preedit != textCursor().block().layout()->preeditAreaText();
    const bool commits = !e->commitString().isEmpty() || e->replacementLength() > 0;
    if (commits || (newPreedit && d->buf.selLength() > 0)) {
        const QString& chars = d->buf.chars();
        const qsizetype selStart = d->map.selStart();
        const qsizetype selEnd = d->map.selEnd();
        // The replacement range, counted in the text with the selection taken out, and then in
        // the text as it stands.
        const qsizetype left = chars.size() - (selEnd - selStart);
        const qsizetype repStart = std::clamp<qsizetype>(selStart + e->replacementStart(), 0, left);
        const qsizetype repEnd =
            std::clamp<qsizetype>(repStart + e->replacementLength(), repStart, left);
        const qsizetype from = std::min(selStart, repStart);
        const qsizetype to =
            std::max(selEnd, repEnd <= selStart ? repEnd : repEnd + selEnd - selStart);
        const QString commit = d->buf.format().holdable(e->commitString());
        QString span = chars.mid(from, to - from);
        span.remove(selStart - from, selEnd - selStart);
        span.replace(repStart - from, repEnd - repStart, commit);
        // The caret keeps its character, and stands after the commit when the range held it;
        // never between the CR and the LF of a line break.
        qsizetype caret = selStart < repStart  ? selStart
                          : selStart >= repEnd ? selStart + commit.size() - (repEnd - repStart)
                                               : repStart + commit.size();
        d->model.edit(EditHistory::Input::Typing, [&](TextBuffer& buf) {
            const bool changed = buf.replace(from, to - from, span);
            if (d->map.insideShownCharacter(caret)) ++caret;
            buf.setSelStart(caret);
            return changed;
        });
        ensureCursorVisible();
    }
    // What is left for the widget changes no text: what it reports is no edit. It may select
    // within the paragraph, which the box then takes.
    const QTextCursor was = textCursor();
    QInputMethodEvent rest(preedit, e->attributes());
    {
        QScopedValueRollback<bool> quiet(d->updating, true);
        QPlainTextEdit::inputMethodEvent(&rest);
    }
    const QTextCursor now = textCursor();
    if (now.anchor() != was.anchor() || now.position() != was.position()) takeSelectionFromView();
    e->accept();
}

void TextBox::insertFromMimeData(const QMimeData* source) {
    // The widget's paste (its key, its menu, the middle button at the position it clicked):
    // the text replaces the selection as shown.
    if (!canInsertFromMimeData(source)) return;
    const QString text = ClipboardText::fromMime(*source, format());
    d->model.edit(EditHistory::Input::Other, [&text](TextBuffer& buf) { return buf.type(text); });
    ensureCursorVisible();
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

void TextBox::dropEvent(QDropEvent* e) {
    if (d->leavesDrag && d->leavesDrag(e->mimeData())) {
        e->ignore();
        return;
    }
    if (!canInsertFromMimeData(e->mimeData())) {
        QPlainTextEdit::dropEvent(e);
        return;
    }
    // The box makes the drop in the buffer; the widget's own handling of it, given nothing to
    // insert, only ends the drag.
    const qsizetype at = toModel(cursorForPosition(e->position().toPoint()).position());
    const QString dropped = ClipboardText::fromMime(*e->mimeData(), format());
    QMimeData nothing;
    QDropEvent done(e->position(), e->possibleActions(), &nothing, e->buttons(), e->modifiers());
    QPlainTextEdit::dropEvent(&done);
    if ((e->source() == this || e->source() == viewport()) && e->dropAction() == Qt::MoveAction) {
        moveDropped(at, dropped);
        e->setDropAction(Qt::MoveAction);
    } else {
        // From elsewhere, or copied: put in where it is dropped, the caret after it.
        d->model.edit(EditHistory::Input::Other, [at, &dropped](TextBuffer& buf) {
            buf.setSelStart(at);
            return buf.type(dropped);
        });
        e->setDropAction(Qt::CopyAction);
    }
    e->accept();
    ensureCursorVisible();
}

void TextBox::moveDropped(qsizetype at, const QString& moved) {
    // A move within the box is one change of the characters from its first edge to its last.
    const qsizetype start = d->buf.selStart();
    const qsizetype end = start + d->buf.selLength();
    if (at >= start && at <= end) return;
    const QString& chars = d->buf.chars();
    const qsizetype from = std::min(start, at);
    const qsizetype to = std::max(end, at);
    const QString span =
        at < start ? moved + chars.mid(at, start - at) : chars.mid(end, at - end) + moved;
    // The caret stands after the dropped text, as after any drop.
    const qsizetype caret = at < start ? at + moved.size() : from + span.size();
    d->model.edit(EditHistory::Input::Other, [&](TextBuffer& buf) {
        const bool changed = buf.replace(from, to - from, span);
        buf.setSelStart(caret);
        return changed;
    });
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
    if (e->type() == QEvent::ShortcutOverride && menuOwnsKey(static_cast<QKeyEvent*>(e))) {
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

bool TextBox::menuOwnsKey(const QKeyEvent* e) const {
    const QKeyCombination combo = e->keyCombination();
    const QKeySequence pressed(combo);
    // A key of the numeric keypad also answers to the shortcut without the keypad flag, as it
    // does for the application's shortcut handling.
    const QKeySequence unpadded(
        QKeyCombination(combo.keyboardModifiers() & ~Qt::KeypadModifier, combo.key()));
    const auto owns = [&](const QAction* a) {
        if (!a->isEnabled() || !a->isVisible()) return false;
        const QList<QKeySequence> keys = a->shortcuts();
        return keys.contains(pressed) || keys.contains(unpadded);
    };

    // The commands a key can reach are those of the widgets from this box up to its window and
    // those of the menus on the window's menu bar (and their submenus). Menus that are not on
    // the bar, such as those of the other document windows, cannot take the key and are not
    // looked at: a key press costs the same however many windows and menu items there are.
    QList<QAction*> actions;
    QWidget* top = window();
    for (const QWidget* w = this; w; w = w->isWindow() ? nullptr : w->parentWidget())
        actions += w->actions();
    for (const QMenuBar* bar : top->findChildren<QMenuBar*>(Qt::FindDirectChildrenOnly))
        actions += bar->actions();
    QList<const QMenu*> menus;
    for (qsizetype i = 0; i < actions.size(); ++i) {
        if (owns(actions[i])) return true;
        const QMenu* sub = QMenu::menuInAction(actions[i]);
        if (sub && !menus.contains(sub)) {
            menus += sub;
            actions += sub->actions();
        }
    }
    return false;
}

qsizetype TextBox::toModel(int viewPos) const { return d->map.toText(viewPos); }

int TextBox::toView(qsizetype modelPos) const { return int(d->map.toView(modelPos)); }

bool TextBox::followsSoftBreak(const QTextBlock& block) const {
    return block.document() == document() && d->map.softBreakAtView(block.position() - 1) >= 0;
}

bool TextBox::startsRow(const QTextBlock& block) const {
    const int soft = d->map.softBreakAtView(block.position() - 1);
    return soft < 0 || d->map.isMended(soft);
}

int TextBox::softBreakCount() const { return d->map.softBreakCount(); }

const DisplayMap& TextBox::displayMap() const { return d->map; }

void TextBox::stepOverSoftBreak(const QKeyEvent* e) {
    const int key = e->key();
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right;
    const bool back = key == Qt::Key_Left || key == Qt::Key_Backspace;
    const bool forward = key == Qt::Key_Right || key == Qt::Key_Delete;
    if ((!back && !forward) || d->map.softBreakCount() == 0) return;
    QTextCursor view = textCursor();
    const bool extend = arrow && (e->modifiers() & Qt::ShiftModifier);
    // A key that acts on the selection acts on it as it is.
    if (view.hasSelection() && !extend) return;
    // The caret on either side of a soft break stands at the same place of the text: a key that
    // moves or removes by characters starts from the far side, so that it does what it does
    // inside the line.
    const QTextBlock block = view.block();
    int at = -1;
    if (back && view.position() == block.position() &&
        d->map.softBreakAtView(view.position() - 1) >= 0)
        at = view.position() - 1;
    if (forward && view.position() == block.position() + block.length() - 1 &&
        d->map.softBreakAtView(view.position()) >= 0)
        at = view.position() + 1;
    if (at < 0) return;
    view.setPosition(at, extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    QScopedValueRollback<bool> quiet(d->updating, true);
    setTextCursor(view);
}

void TextBox::mendLater() {
    d->mendDue = true;
    if (d->mendScheduled || d->map.softBreakCount() == 0) return;
    d->mendScheduled = true;
    QTimer::singleShot(0, this, [this] {
        d->mendScheduled = false;
        mendIfDue();
    });
}

void TextBox::mendIfDue() {
    // Not while the box changes the view itself: the layout follows at the end of that change.
    if (!d->mendDue || d->updating) return;
    if (d->map.softBreakCount() == 0) {
        d->mendDue = false;
        return;
    }
    if (!isVisible() || viewport()->width() <= 0) return;
    d->mendDue = false;
    if (viewport()->width() != d->mendedWidth || font() != d->mendedFont) {
        d->soft.widthChanged();
        d->mendedWidth = viewport()->width();
        d->mendedFont = font();
    }
    const qsizetype anchor = toModel(textCursor().anchor());
    const qsizetype position = toModel(textCursor().position());
    bool moved = false;
    // A mend can change what shows below it; a few rounds reach what stays.
    for (int round = 0; round < 4; ++round) {
        const QPointF offset = contentOffset();
        const int height = viewport()->height();
        QTextBlock last = firstVisibleBlock();
        const int first = last.blockNumber();
        while (last.next().isValid() &&
               blockBoundingGeometry(last).translated(offset).bottom() < height)
            last = last.next();
        QScopedValueRollback<bool> quiet(d->updating, true);
        if (!d->soft.mend(first, last.blockNumber() + 1)) break;
        moved = true;
    }
    // The caret stays on the same character of the text; should it not, it is put back.
    if (moved &&
        (toModel(textCursor().anchor()) != anchor || toModel(textCursor().position()) != position))
        showSelection();
}

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
