#include "TextBoxScript.h"

#include <QAccessible>
#include <QInputMethodEvent>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <memory>

#include "TextReference.h"
#include "TextScript.h"
#include "gui/textbox/TextBox.h"

QString TextBoxScript::shownText(const TextBox& box) {
    QString out;
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next()) {
        if (b != box.document()->begin() && !box.followsSoftBreak(b)) out += QChar(0x2029);
        out += b.text();
    }
    return out;
}

int TextBoxScript::clickAt(TextBox& box, int pos, int clicks) {
    box.setSelStart(pos);
    const QPoint at = box.cursorRect().center();
    box.setTextCursor(box.cursorForPosition(at));
    const int landed = int(box.SelStart());
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    if (clicks > 2) QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    return landed;
}

namespace {

// A position in box's widget as a position in what it shows, soft breaks left out.
long shownPosition(const TextBox& box, int viewPos) {
    const QTextBlock at = box.document()->findBlock(viewPos);
    long soft = 0;
    for (QTextBlock b = box.document()->begin(); b.isValid() && b != at.next(); b = b.next())
        soft += box.followsSoftBreak(b) ? 1 : 0;
    return viewPos - soft;
}

}  // namespace

QString TextBoxScript::viewMismatch(const TextBox& box, const TextReference& ref) {
    // Only the box writes its view: a change of the view that it did not make is a fault.
    if (box.strayChanges() > 0)
        return QStringLiteral("the view changed %1 times without an edit of the text")
            .arg(box.strayChanges());
    const QString shown = shownText(box);
    if (shown != ref.shown())
        return QStringLiteral("the widget shows [%1], expected [%2]").arg(shown, ref.shown());
    const QTextCursor view = box.textCursor();
    const long from = ref.viewPosition(ref.viewStart());
    const long to = ref.viewPosition(ref.viewEnd());
    const long start = shownPosition(box, view.selectionStart());
    const long end = shownPosition(box, view.selectionEnd());
    if (start != from || end != to)
        return QStringLiteral("the widget selects %1..%2, expected %3..%4")
            .arg(start)
            .arg(end)
            .arg(from)
            .arg(to);
    // A screen reader reads what is shown, a line break as one "\n", and the selection there.
    QAccessibleTextInterface* read =
        QAccessible::queryAccessibleInterface(const_cast<TextBox*>(&box))->textInterface();
    QString heard = ref.shown();
    heard.replace(QChar(0x2029), QLatin1Char('\n'));
    if (read->characterCount() != heard.size() || read->text(0, read->characterCount()) != heard)
        return QStringLiteral("a screen reader reads %1 characters [%2], expected [%3]")
            .arg(read->characterCount())
            .arg(read->text(0, read->characterCount()), heard);
    int readFrom = 0;
    int readTo = 0;
    read->selection(0, &readFrom, &readTo);
    const int caret = read->cursorPosition();
    if (read->selectionCount() != (from < to ? 1 : 0) || (from < to && readFrom != from) ||
        (from < to && readTo != to) || (caret != from && caret != to))
        return QStringLiteral("a screen reader's selection %1..%2 caret %3, expected %4..%5")
            .arg(readFrom)
            .arg(readTo)
            .arg(caret)
            .arg(from)
            .arg(to);
    return QString();
}

namespace {

QString mismatch(const TextBox& box, const TextReference& ref, bool boxChanged, bool refChanged) {
    if (box.Text() != ref.bytes() || box.SelStart() != ref.start || box.SelLength() != ref.length)
        return QStringLiteral("box %1 %2+%3, reference %4 %5+%6")
            .arg(TextScript::shown(box.Text()))
            .arg(box.SelStart())
            .arg(box.SelLength())
            .arg(TextScript::shown(ref.bytes()))
            .arg(ref.start)
            .arg(ref.length);
    if (box.SelText() != ref.selText())
        return QStringLiteral("SelText %1").arg(TextScript::shown(box.SelText()));
    const QString view = TextBoxScript::viewMismatch(box, ref);
    if (!view.isEmpty()) return view;
    if (boxChanged != refChanged)
        return QStringLiteral("change notification %1, but the text %2")
            .arg(boxChanged ? "raised" : "not raised", refChanged ? "changed" : "did not change");
    return QString();
}

// The real text box, its keys going in as key events.
class BoxSubject : public TextScript::Subject {
public:
    explicit BoxSubject(QStringList* trace = nullptr) : trace(trace) {
        // Shown, so that a long line's soft breaks are put where it wraps, as the user sees it.
        box.resize(200, 100);
        box.show();
        QObject::connect(&box, &TextBox::Change, &box, [this] { ++raised; });
    }

    bool apply(TextScript::Step& step) override {
        using Op = TextScript::Op;
        // Enter and the keys after it in the language, in its order.
        static const Qt::Key Keys[] = {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete,
                                       Qt::Key_Left,   Qt::Key_Right,     Qt::Key_Home,
                                       Qt::Key_End};
        raised = 0;
        if (trace) trace->append(step.describe());
        if (step.op == Op::SetText || step.op == Op::LongLine) box.setText(step.text);
        if (step.op == Op::SelStart || step.op == Op::FarSelStart) box.setSelStart(step.number);
        if (step.op == Op::SelLength) box.setSelLength(step.number);
        if (step.op == Op::SelText) box.setSelText(step.text);
        if (step.op == Op::Type && step.typed.unicode() < 0x80)
            QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_unknown, QString(step.typed),
                                Qt::NoModifier);
        if (step.op == Op::Type && step.typed.unicode() >= 0x80 && (++accented % 2 == 1)) {
            // As a dead key or an input method sends an accented letter: a commit.
            QInputMethodEvent commit;
            commit.setCommitString(QString(step.typed));
            QCoreApplication::sendEvent(&box, &commit);
        } else if (step.op == Op::Type && step.typed.unicode() >= 0x80) {
            // Every other one as a screen reader writes it, in place of the selection.
            QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(&box);
            int start = a11y->textInterface()->cursorPosition();
            int end = start;
            if (a11y->textInterface()->selectionCount() > 0)
                a11y->textInterface()->selection(0, &start, &end);
            a11y->editableTextInterface()->replaceText(start, end, QString(step.typed));
        }
        if (step.op >= Op::Enter && step.op <= Op::End)
            QTest::keyClick(&box, Keys[int(step.op) - int(Op::Enter)],
                            step.op >= Op::Home ? Qt::ControlModifier : Qt::NoModifier);
        if (step.op == Op::WordLeft || step.op == Op::WordRight)
            QTest::keyClick(&box, step.op == Op::WordLeft ? Qt::Key_Left : Qt::Key_Right,
                            Qt::ControlModifier);
        if (step.op == Op::SelectWord || step.op == Op::SelectLine)
            step.number =
                TextBoxScript::clickAt(box, step.number, step.op == Op::SelectWord ? 2 : 3);
        return raised > 0;
    }

    QString mismatch(const TextReference& ref, bool boxChanged, bool refChanged) override {
        if (trace)
            trace->last() += QStringLiteral(" -> %1 %2+%3 changes %4 undo %5 redo %6")
                                 .arg(TextScript::shown(box.Text()))
                                 .arg(box.SelStart())
                                 .arg(box.SelLength())
                                 .arg(raised)
                                 .arg(box.history().undoSteps())
                                 .arg(box.history().redoSteps());
        // One step is one change at most: the notification comes once for it, not per piece.
        if (raised > 1) return QStringLiteral("change notification raised %1 times").arg(raised);
        return ::mismatch(box, ref, boxChanged, refChanged);
    }

private:
    TextBox box;
    QStringList* trace;
    // How often the box raised its change notification during the last step.
    int raised = 0;
    // The characters beyond ASCII typed so far.
    int accented = 0;
};

}  // namespace

QString TextBoxScript::run(const QByteArray& script) {
    return TextScript::run(script, 12, TextScript::Typing::Characters,
                           [] { return std::make_unique<BoxSubject>(); });
}

QStringList TextBoxScript::trace(const QByteArray& script) {
    QStringList lines;
    const QString problem = TextScript::run(script, 12, TextScript::Typing::Characters, [&lines] {
        lines.clear();
        return std::make_unique<BoxSubject>(&lines);
    });
    if (!problem.isEmpty()) lines << problem;
    return lines;
}
