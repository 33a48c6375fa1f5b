#include "TextScript.h"

#include <QStringList>
#include <iterator>

#include "ScriptReader.h"
#include "TextReference.h"
#include "core/files/CodePage.h"

namespace {

// Characters a user may type: ASCII, one of the code page's own, and one it cannot hold, which
// the box takes as '?'.
const QChar Typeable[] = {u'a', u' ', u'\u00e9', u'\u20ac', u'\u0142'};

}  // namespace

QString TextScript::Step::describe() const {
    static const char* const Names[] = {
        "setText",   "setSelStart", "setSelLength", "setSelText", "type",         "Enter",
        "Backspace", "Delete",      "Left",         "Right",      "Ctrl+Home",    "Ctrl+End",
        "setText",   "setSelStart", "Ctrl+Left",    "Ctrl+Right", "double-click", "triple-click"};
    const QString name = QLatin1String(Names[int(op)]);
    if (op == Op::SelStart || op == Op::SelLength || op == Op::FarSelStart ||
        op == Op::SelectWord || op == Op::SelectLine)
        return name + QStringLiteral("(%1)").arg(number);
    if (op == Op::LongLine) return name + QStringLiteral("(a line of %1)").arg(text.size());
    if (op == Op::Type && !typed.isNull())
        return QStringLiteral("type U+%1").arg(typed.unicode(), 4, 16, QLatin1Char('0'));
    if (op <= Op::Type) return name + QLatin1Char('(') + shown(text) + QLatin1Char(')');
    return name;
}

TextScript::Step TextScript::read(ScriptReader& in, int operations, Typing typing) {
    Step step;
    const quint8 code = in.byte();
    if (code >= ScriptReader::kLongLineOps) {
        step.op = code % 2 == 0 ? Op::LongLine : Op::FarSelStart;
        if (step.op == Op::LongLine)
            step.text = in.longLine();
        else
            step.number = in.farPosition();
        return step;
    }
    // Only the text box's language, which has the caret keys, has the word and mouse steps.
    if (operations > int(Op::End) && code >= kWordOps) {
        step.op = Op(int(Op::WordLeft) + code - kWordOps);
        if (step.op >= Op::SelectWord) step.number = in.farPosition();
        return step;
    }
    step.op = Op(int(code) % operations);
    if (step.op == Op::SetText) step.text = in.text(24);
    if (step.op == Op::SelStart || step.op == Op::SelLength) step.number = in.position();
    if (step.op == Op::SelText) step.text = in.text(6);
    if (step.op == Op::Type && typing == Typing::Bytes) step.text = in.text(3);
    if (step.op == Op::Type && typing == Typing::Characters) {
        step.typed = Typeable[in.byte() % std::size(Typeable)];
        step.text = CodePage::encode(QString(step.typed));
    }
    return step;
}

bool TextScript::apply(TextReference& ref, const Step& step) {
    if (step.op == Op::SetText || step.op == Op::LongLine) return ref.setText(step.text);
    if (step.op == Op::SelText) return ref.setSelText(step.text);
    if (step.op == Op::Type) return ref.type(step.text);
    if (step.op == Op::Enter) return ref.enter();
    if (step.op == Op::Backspace) return ref.backspace();
    if (step.op == Op::Delete) return ref.deleteForward();
    if (step.op == Op::SelStart || step.op == Op::FarSelStart) ref.setSelStart(step.number);
    if (step.op == Op::SelLength) ref.setSelLength(step.number);
    if (step.op == Op::Left) ref.left();
    if (step.op == Op::Right) ref.right();
    if (step.op == Op::Home) ref.toStart();
    if (step.op == Op::End) ref.toEnd();
    if (step.op == Op::WordLeft) ref.wordLeft();
    if (step.op == Op::WordRight) ref.wordRight();
    if (step.op == Op::SelectWord) ref.selectWord(step.number);
    if (step.op == Op::SelectLine) ref.selectLine(step.number);
    return false;
}

QString TextScript::shown(const QByteArray& bytes) {
    QString out;
    for (const char c : bytes) {
        if (c == '\r')
            out += QStringLiteral("\\r");
        else if (c == '\n')
            out += QStringLiteral("\\n");
        else if (uchar(c) < 0x20 || uchar(c) >= 0x7F)
            out += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
        else
            out += QLatin1Char(c);
    }
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString TextScript::runOnce(const QByteArray& script, int operations, Typing typing,
                            Subject& subject, bool log) {
    ScriptReader in(script);
    TextReference ref;
    subject.prepare(ref);
    QStringList steps;
    while (!in.atEnd()) {
        Step step = read(in, operations, typing);
        const bool changed = subject.apply(step);
        if (log) steps << step.describe();
        const bool refChanged = apply(ref, step);
        const QString problem = subject.mismatch(ref, changed, refChanged);
        if (!problem.isEmpty())
            return problem + QStringLiteral(" after ") + steps.join(QStringLiteral(", "));
    }
    return QString();
}
