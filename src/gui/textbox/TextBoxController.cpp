#include "gui/textbox/TextBoxController.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <algorithm>

#include "core/text/ClipboardText.h"
#include "core/text/DisplayMap.h"
#include "core/text/TextBoundaries.h"
#include "core/text/TextModel.h"
#include "gui/textbox/TextBox.h"

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

void TextBoxController::keyPress(QKeyEvent* e) {
    {
        // The key may move the caret more than once (End before a soft break): screen readers
        // hear of where it ends.
        const auto held = box_.holdCaretNews();
        if (!movesByWord(e)) {
            handleKey(e);
            stopBeforeRowEndSpace(e);
        }
        // Mended before the view paints what the key changed or scrolled to.
        box_.mendIfDue();
        // A key the box acted on puts the selection where it is shown, also when the caret did
        // not move (End at the end of a text ending between a CR and its LF): what the user
        // then does through the menu acts where the user sees the caret.
        if (e->isAccepted()) box_.takeSelectionFromView();
    }
    box_.tellCaretMoved();
}

void TextBoxController::handleKey(QKeyEvent* e) {
    if (e->matches(QKeySequence::Undo) || isKey(e, Qt::CTRL | Qt::Key_Z)) {
        box_.undo();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Redo) || isKey(e, Qt::CTRL | Qt::Key_Y) ||
        isKey(e, Qt::CTRL | Qt::SHIFT | Qt::Key_Z)) {
        box_.redo();
        e->accept();
        return;
    }
    stepOverSoftBreak(e);
    if (editsText(e)) {
        box_.ensureCursorVisible();
        e->accept();
        return;
    }
    box_.QPlainTextEdit::keyPressEvent(e);
}

bool TextBoxController::movesByWord(QKeyEvent* e) {
    const bool extend =
        e->matches(QKeySequence::SelectNextWord) || e->matches(QKeySequence::SelectPreviousWord);
    const bool next =
        e->matches(QKeySequence::MoveToNextWord) || e->matches(QKeySequence::SelectNextWord);
    if (!next && !extend && !e->matches(QKeySequence::MoveToPreviousWord)) return false;
    // From the caret, also over a selection, as the widget moves.
    const QTextCursor view = box_.textCursor();
    const qsizetype from = box_.toModel(view.position());
    const TextBoundaries bounds = boundaries();
    const qsizetype to = next ? bounds.nextWord(from) : bounds.previousWord(from);
    box_.selectInView(extend ? box_.toModel(view.anchor()) : to, to);
    box_.ensureCursorVisible();
    e->accept();
    return true;
}

void TextBoxController::stopBeforeRowEndSpace(const QKeyEvent* e) {
    const bool extend = e->matches(QKeySequence::SelectEndOfLine);
    if (!extend && !e->matches(QKeySequence::MoveToEndOfLine)) return;
    QTextCursor view = box_.textCursor();
    const QTextBlock block = view.block();
    const int end = block.position() + block.length() - 1;
    if (view.position() != end || end == block.position() || map_.softBreakAtView(end) < 0 ||
        !box_.document()->characterAt(end - 1).isSpace())
        return;
    view.setPosition(end - 1, extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    box_.setTextCursor(view);
}

bool TextBoxController::editsText(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers();
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
        !(mods & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
        // Enter makes a line break with or without Shift.
        model_.edit(EditHistory::Input::Other, [](TextBuffer& buf) { return buf.enter(); });
        return true;
    }
    const EditHistory::Input input = inputOf(e);
    if (input == EditHistory::Input::Typing) {
        // Typed characters that the document cannot hold go in as what will be saved.
        const QString typed = buf_.format().holdable(e->text());
        model_.edit(input, [&typed](TextBuffer& buf) { return buf.type(typed); });
        return true;
    }
    if (deletesWordOrLine(e)) return true;
    if (input == EditHistory::Input::Backspace) {
        model_.edit(input, [](TextBuffer& buf) { return buf.backspace(); });
        return true;
    }
    if (e->matches(QKeySequence::Cut)) {
        // The key no menu command owns: the widget's cut, without the widget's removal.
        if (buf_.selLength() > 0) cutSelection();
        return true;
    }
    if (input == EditHistory::Input::Delete) {
        model_.edit(input, [](TextBuffer& buf) { return buf.deleteForward(); });
        return true;
    }
    return false;
}

void TextBoxController::cutSelection() {
    box_.copy();
    deleteSelection();
}

void TextBoxController::deleteSelection() {
    model_.edit(EditHistory::Input::Other, [](TextBuffer& buf) { return buf.type(QString()); });
    box_.ensureCursorVisible();
}

bool TextBoxController::deletesWordOrLine(QKeyEvent* e) {
    const bool endOfWord = e->matches(QKeySequence::DeleteEndOfWord);
    const bool startOfWord = e->matches(QKeySequence::DeleteStartOfWord);
    const bool endOfLine = e->matches(QKeySequence::DeleteEndOfLine);
    if (!endOfWord && !startOfWord && !endOfLine) return false;
    const bool selected = map_.selEnd() != map_.selStart();
    if (selected && !endOfLine) {
        // A word deletion removes the selection.
        deleteSelection();
        e->accept();
        return true;
    }
    // With a selection, the key that deletes to the end of the line removes from the selection's
    // anchor to the end of the line its moving end is on, as the widget does in a paragraph.
    const qsizetype caret = selected ? box_.toModel(box_.textCursor().position()) : map_.selStart();
    const qsizetype anchor = selected ? box_.toModel(box_.textCursor().anchor()) : caret;
    // The word and the line are those of the text, not the pieces a long line shows as. At an
    // edge of the line a word deletion takes the line break; the end of a line stays.
    const TextBoundaries bounds = boundaries();
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
    model_.putText(from, to, QString(), inputOf(e));
    box_.ensureCursorVisible();
    e->accept();
    return true;
}

void TextBoxController::inputMethod(QInputMethodEvent* e) {
    // The widget would report the whole paragraph it edits as changed, a soft break at its end
    // included, and a pre-edit too. The box makes the commit itself, in the buffer, as the
    // widget would: the selection as shown goes, then the replacement range (counted from the
    // caret) takes the commit. The widget only shows the pre-edit.
    const QString& preedit = e->preeditString();
    const bool newPreedit = preedit != box_.textCursor().block().layout()->preeditAreaText();
    const bool commits = !e->commitString().isEmpty() || e->replacementLength() > 0;
    if (commits || (newPreedit && buf_.selLength() > 0)) {
        const QString& chars = buf_.chars();
        const qsizetype selStart = map_.selStart();
        const qsizetype selEnd = map_.selEnd();
        // The replacement range, counted in the text with the selection taken out, and then in
        // the text as it stands.
        const qsizetype left = chars.size() - (selEnd - selStart);
        const qsizetype repStart = std::clamp<qsizetype>(selStart + e->replacementStart(), 0, left);
        const qsizetype repEnd =
            std::clamp<qsizetype>(repStart + e->replacementLength(), repStart, left);
        const qsizetype from = std::min(selStart, repStart);
        const qsizetype to =
            std::max(selEnd, repEnd <= selStart ? repEnd : repEnd + selEnd - selStart);
        const QString commit = buf_.format().holdable(e->commitString());
        QString span = chars.mid(from, to - from);
        span.remove(selStart - from, selEnd - selStart);
        span.replace(repStart - from, repEnd - repStart, commit);
        // The caret keeps its character, and stands after the commit when the range held it;
        // never between the CR and the LF of a line break.
        qsizetype caret = selStart < repStart  ? selStart
                          : selStart >= repEnd ? selStart + commit.size() - (repEnd - repStart)
                                               : repStart + commit.size();
        model_.edit(EditHistory::Input::Typing, [&](TextBuffer& buf) {
            const bool changed = buf.replace(from, to - from, span);
            if (map_.insideShownCharacter(caret)) ++caret;
            buf.setSelStart(caret);
            return changed;
        });
        box_.ensureCursorVisible();
    }
    // What is left for the widget changes no text: what it reports is no edit. It may select
    // within the paragraph, which the box then takes.
    const QTextCursor was = box_.textCursor();
    QInputMethodEvent rest(preedit, e->attributes());
    {
        const auto quiet = box_.writingView();
        box_.QPlainTextEdit::inputMethodEvent(&rest);
    }
    const QTextCursor now = box_.textCursor();
    if (now.anchor() != was.anchor() || now.position() != was.position())
        box_.takeSelectionFromView();
    e->accept();
}

void TextBoxController::insertFromMimeData(const QMimeData* source) {
    // The widget's paste (its key, its menu, the middle button at the position it clicked):
    // the text replaces the selection as shown.
    if (!box_.canInsertFromMimeData(source)) return;
    const QString text = ClipboardText::fromMime(*source, buf_.format());
    model_.edit(EditHistory::Input::Other, [&text](TextBuffer& buf) { return buf.type(text); });
    box_.ensureCursorVisible();
}

void TextBoxController::moveDropped(qsizetype at, const QString& moved) {
    // A move within the box is one change of the characters from its first edge to its last.
    const qsizetype start = buf_.selStart();
    const qsizetype end = start + buf_.selLength();
    if (at >= start && at <= end) return;
    const QString& chars = buf_.chars();
    const qsizetype from = std::min(start, at);
    const qsizetype to = std::max(end, at);
    const QString span =
        at < start ? moved + chars.mid(at, start - at) : chars.mid(end, at - end) + moved;
    // The caret stands after the dropped text, as after any drop.
    const qsizetype caret = at < start ? at + moved.size() : from + span.size();
    model_.edit(EditHistory::Input::Other, [&](TextBuffer& buf) {
        const bool changed = buf.replace(from, to - from, span);
        buf.setSelStart(caret);
        return changed;
    });
}

bool TextBoxController::menuOwnsKey(const QKeyEvent* e) const {
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
    QWidget* top = box_.window();
    for (const QWidget* w = &box_; w; w = w->isWindow() ? nullptr : w->parentWidget())
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

void TextBoxController::stepOverSoftBreak(const QKeyEvent* e) {
    const int key = e->key();
    const bool arrow = key == Qt::Key_Left || key == Qt::Key_Right;
    const bool back = key == Qt::Key_Left || key == Qt::Key_Backspace;
    const bool forward = key == Qt::Key_Right || key == Qt::Key_Delete;
    if ((!back && !forward) || map_.softBreakCount() == 0) return;
    QTextCursor view = box_.textCursor();
    const bool extend = arrow && (e->modifiers() & Qt::ShiftModifier);
    // A key that acts on the selection acts on it as it is.
    if (view.hasSelection() && !extend) return;
    // The caret on either side of a soft break stands at the same place of the text: a key that
    // moves or removes by characters starts from the far side, so that it does what it does
    // inside the line.
    const QTextBlock block = view.block();
    int at = -1;
    if (back && view.position() == block.position() &&
        map_.softBreakAtView(view.position() - 1) >= 0)
        at = view.position() - 1;
    if (forward && view.position() == block.position() + block.length() - 1 &&
        map_.softBreakAtView(view.position()) >= 0)
        at = view.position() + 1;
    if (at < 0) return;
    view.setPosition(at, extend ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    const auto quiet = box_.writingView();
    box_.setTextCursor(view);
}

void TextBoxController::drop(QDropEvent* e) {
    if (!box_.canInsertFromMimeData(e->mimeData())) {
        box_.QPlainTextEdit::dropEvent(e);
        return;
    }
    // The box makes the drop in the buffer; the widget's own handling of it, given nothing to
    // insert, only ends the drag.
    const qsizetype at = box_.toModel(box_.cursorForPosition(e->position().toPoint()).position());
    const QString dropped = ClipboardText::fromMime(*e->mimeData(), buf_.format());
    QMimeData nothing;
    QDropEvent done(e->position(), e->possibleActions(), &nothing, e->buttons(), e->modifiers());
    box_.QPlainTextEdit::dropEvent(&done);
    if ((e->source() == &box_ || e->source() == box_.viewport()) &&
        e->dropAction() == Qt::MoveAction) {
        moveDropped(at, dropped);
        e->setDropAction(Qt::MoveAction);
    } else {
        // From elsewhere, or copied: put in where it is dropped, the caret after it.
        model_.edit(EditHistory::Input::Other, [at, &dropped](TextBuffer& buf) {
            buf.setSelStart(at);
            return buf.type(dropped);
        });
        e->setDropAction(Qt::CopyAction);
    }
    e->accept();
    box_.ensureCursorVisible();
}

TextBoxController::TextBoxController(TextBox& box, TextModel& model, const DisplayMap& map)
    : box_(box), model_(model), buf_(model.buffer()), map_(map) {}

TextBoundaries TextBoxController::boundaries() const {
    return TextBoundaries(buf_.chars(), buf_.format());
}

void TextBoxController::takeStandardActions(QMenu* standard) {
    for (QAction* a : standard->actions()) {
        const QString name = a->objectName();
        const bool isUndo = name == QLatin1String("edit-undo");
        if (isUndo || name == QLatin1String("edit-redo")) {
            QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
            a->setEnabled(isUndo ? model_.isUndoAvailable() : model_.isRedoAvailable());
            QObject::connect(a, &QAction::triggered, &box_,
                             isUndo ? &TextBox::undo : &TextBox::redo);
        }
        // The widget's Cut and Delete would remove the selection from the view alone; its Paste
        // comes to insertFromMimeData.
        const bool isCut = name == QLatin1String("edit-cut");
        if (isCut || name == QLatin1String("edit-delete")) {
            QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
            QObject::connect(a, &QAction::triggered, &box_,
                             isCut ? &TextBox::cutSelection : &TextBox::deleteSelection);
        }
    }
}
