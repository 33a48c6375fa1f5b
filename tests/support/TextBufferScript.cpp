#include "TextBufferScript.h"

#include <QStringList>

#include "ScriptReader.h"
#include "TextReference.h"
#include "document/TextBuffer.h"

namespace {

QString shown(const QByteArray& bytes)
{
    QString out;
    for (const char c : bytes) {
        if (c == '\r') out += QStringLiteral("\\r");
        else if (c == '\n') out += QStringLiteral("\\n");
        else if (uchar(c) < 0x20 || uchar(c) >= 0x7F) out += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
        else out += QLatin1Char(c);
    }
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString state(const QByteArray& text, qsizetype start, qsizetype length)
{
    return QStringLiteral("%1 SelStart %2 SelLength %3").arg(shown(text)).arg(start).arg(length);
}

}  // namespace

QString TextBufferScript::run(const QByteArray& script)
{
    // The steps are written down only to describe a failure: a second run does that.
    const QString problem = run(script, false);
    if (problem.isEmpty()) return problem;
    return run(script, true);
}

QString TextBufferScript::run(const QByteArray& script, bool log)
{
    ScriptReader in(script);
    TextBuffer model;
    TextReference ref;
    QStringList steps;
    while (!in.atEnd()) {
        bool modelChanged = false;
        bool refChanged = false;
        const quint8 op = in.byte();
        switch (op < ScriptReader::kLongLineOps ? op % 7 : 7 + op % 2) {
        case 0: {
            const QByteArray t = in.text(24);
            if (log) steps << QStringLiteral("setText(%1)").arg(shown(t));
            modelChanged = model.setText(t);
            refChanged = ref.setText(t);
            break;
        }
        case 1: {
            const int pos = in.position();
            if (log) steps << QStringLiteral("setSelStart(%1)").arg(pos);
            model.setSelStart(pos);
            ref.setSelStart(pos);
            break;
        }
        case 2: {
            const int len = in.position();
            if (log) steps << QStringLiteral("setSelLength(%1)").arg(len);
            model.setSelLength(len);
            ref.setSelLength(len);
            break;
        }
        case 3: {
            const QByteArray t = in.text(6);
            if (log) steps << QStringLiteral("setSelText(%1)").arg(shown(t));
            modelChanged = model.setSelText(t);
            refChanged = ref.setSelText(t);
            break;
        }
        case 4: {
            const QByteArray t = in.text(3);
            if (log) steps << QStringLiteral("type(%1)").arg(shown(t));
            modelChanged = model.type(t);
            refChanged = ref.type(t);
            break;
        }
        case 5:
            if (log) steps << QStringLiteral("enter()");
            modelChanged = model.enter();
            refChanged = ref.enter();
            break;
        case 6:
            if (log) steps << QStringLiteral("backspace()");
            modelChanged = model.backspace();
            refChanged = ref.backspace();
            break;
        case 7: {
            const QByteArray t = in.longLine();
            if (log) steps << QStringLiteral("setText(a line of %1)").arg(t.size());
            modelChanged = model.setText(t);
            refChanged = ref.setText(t);
            break;
        }
        default: {
            const int pos = in.farPosition();
            if (log) steps << QStringLiteral("setSelStart(%1)").arg(pos);
            model.setSelStart(pos);
            ref.setSelStart(pos);
            break;
        }
        }
        QString problem;
        if (model.text() != ref.bytes() || model.selStart() != ref.start ||
            model.selLength() != ref.length) {
            problem = QStringLiteral("model %1, reference %2")
                          .arg(state(model.text(), model.selStart(), model.selLength()),
                               state(ref.bytes(), ref.start, ref.length));
        } else if (model.selText() != ref.selText()) {
            problem = QStringLiteral("SelText %1, reference %2")
                          .arg(shown(model.selText()), shown(ref.selText()));
        } else if (model.viewSelStart() != ref.viewStart() || model.viewSelEnd() != ref.viewEnd()) {
            problem = QStringLiteral("selection shown %1..%2, reference %3..%4")
                          .arg(model.viewSelStart())
                          .arg(model.viewSelEnd())
                          .arg(ref.viewStart())
                          .arg(ref.viewEnd());
        } else if (modelChanged != refChanged) {
            problem = QStringLiteral("model says the text %1, reference says it %2")
                          .arg(modelChanged ? "changed" : "did not change",
                               refChanged ? "changed" : "did not change");
        }
        if (!problem.isEmpty())
            return problem + QStringLiteral(" after ") + steps.join(QStringLiteral(", "));
    }
    return QString();
}
