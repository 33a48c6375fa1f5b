#include "TextScript.h"

#include <QStringList>

#include "ScriptReader.h"
#include "TextReference.h"
#include "files/CodePage.h"

namespace {

// Characters a user may type: ASCII, one of the code page's own, and one it cannot hold, which
// the box takes as '?'.
const QChar Typeable[] = {u'a', u' ', u'\u00e9', u'\u20ac', u'\u0142'};

}  // namespace

QString TextScript::Step::describe() const {
    switch (op) {
        case Op::SetText:
            return QStringLiteral("setText(%1)").arg(shown(text));
        case Op::SelStart:
            return QStringLiteral("setSelStart(%1)").arg(number);
        case Op::SelLength:
            return QStringLiteral("setSelLength(%1)").arg(number);
        case Op::SelText:
            return QStringLiteral("setSelText(%1)").arg(shown(text));
        case Op::Type:
            if (!typed.isNull())
                return QStringLiteral("type U+%1").arg(typed.unicode(), 4, 16, QLatin1Char('0'));
            return QStringLiteral("type(%1)").arg(shown(text));
        case Op::Enter:
            return QStringLiteral("Enter");
        case Op::Backspace:
            return QStringLiteral("Backspace");
        case Op::Delete:
            return QStringLiteral("Delete");
        case Op::Left:
            return QStringLiteral("Left");
        case Op::Right:
            return QStringLiteral("Right");
        case Op::Home:
            return QStringLiteral("Ctrl+Home");
        case Op::End:
            return QStringLiteral("Ctrl+End");
    }
    return QString();
}

TextScript::Step TextScript::read(ScriptReader& in, int operations, Typing typing) {
    Step step;
    // The last operation code takes every value past it, as in a switch's default.
    step.op = Op(int(in.byte()) % operations);
    switch (step.op) {
        case Op::SetText:
            step.text = in.text(24);
            break;
        case Op::SelStart:
        case Op::SelLength:
            step.number = in.position();
            break;
        case Op::SelText:
            step.text = in.text(6);
            break;
        case Op::Type:
            if (typing == Typing::Bytes) {
                step.text = in.text(3);
            } else {
                step.typed = Typeable[in.byte() % std::size(Typeable)];
                step.text = CodePage::encode(QString(step.typed));
            }
            break;
        default:
            break;
    }
    return step;
}

bool TextScript::apply(TextReference& ref, const Step& step) {
    switch (step.op) {
        case Op::SetText:
            return ref.setText(step.text);
        case Op::SelStart:
            ref.setSelStart(step.number);
            return false;
        case Op::SelLength:
            ref.setSelLength(step.number);
            return false;
        case Op::SelText:
            return ref.setSelText(step.text);
        case Op::Type:
            return ref.type(step.text);
        case Op::Enter:
            return ref.enter();
        case Op::Backspace:
            return ref.backspace();
        case Op::Delete:
            return ref.deleteForward();
        case Op::Left:
            ref.left();
            return false;
        case Op::Right:
            ref.right();
            return false;
        case Op::Home:
            ref.toStart();
            return false;
        case Op::End:
            ref.toEnd();
            return false;
    }
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
    QStringList steps;
    while (!in.atEnd()) {
        const Step step = read(in, operations, typing);
        if (log) steps << step.describe();
        const bool changed = subject.apply(step);
        const bool refChanged = apply(ref, step);
        const QString problem = subject.mismatch(ref, changed, refChanged);
        if (!problem.isEmpty())
            return problem + QStringLiteral(" after ") + steps.join(QStringLiteral(", "));
    }
    return QString();
}
