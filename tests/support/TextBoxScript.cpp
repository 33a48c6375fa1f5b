#include "TextBoxScript.h"

#include <QStringList>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "ScriptReader.h"
#include "TextReference.h"
#include "document/TextBox.h"
#include "files/CodePage.h"

namespace {

QString shown(const QByteArray& bytes)
{
    return QLatin1Char('"') + QString::fromLatin1(bytes.toPercentEncoding(" ")) + QLatin1Char('"');
}

// What the widget shows, block by block, a block break as U+2029.
QString shownText(const TextBox& box)
{
    QString out;
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next()) {
        if (b != box.document()->begin()) out += QChar(0x2029);
        out += b.text();
    }
    return out;
}

QString mismatch(const TextBox& box, const TextReference& ref, bool boxChanged, bool refChanged)
{
    if (box.Text() != ref.bytes() || box.SelStart() != ref.start || box.SelLength() != ref.length)
        return QStringLiteral("box %1 %2+%3, reference %4 %5+%6")
            .arg(shown(box.Text()))
            .arg(box.SelStart())
            .arg(box.SelLength())
            .arg(shown(ref.bytes()))
            .arg(ref.start)
            .arg(ref.length);
    if (box.SelText() != ref.selText()) return QStringLiteral("SelText %1").arg(shown(box.SelText()));
    const QString expected = TextReference::display(ref.bytes());
    if (shownText(box) != expected)
        return QStringLiteral("the widget shows [%1], expected [%2]").arg(shownText(box), expected);
    const QTextCursor view = box.textCursor();
    const long from = ref.viewPosition(ref.viewStart());
    const long to = ref.viewPosition(ref.viewEnd());
    if (view.selectionStart() != from || view.selectionEnd() != to)
        return QStringLiteral("the widget selects %1..%2, expected %3..%4")
            .arg(view.selectionStart())
            .arg(view.selectionEnd())
            .arg(from)
            .arg(to);
    if (boxChanged != refChanged)
        return QStringLiteral("change notification %1, but the text %2")
            .arg(boxChanged ? "raised" : "not raised", refChanged ? "changed" : "did not change");
    return QString();
}

void key(TextBox& box, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyClick(&box, k, mods);
}

}  // namespace

QString TextBoxScript::run(const QByteArray& script)
{
    // The steps are written down only to describe a failure: a second run does that.
    const QString problem = run(script, false);
    if (problem.isEmpty()) return problem;
    return run(script, true);
}

QString TextBoxScript::run(const QByteArray& script, bool log)
{
    // Characters a user may type: ASCII, one of the code page's own, and one it cannot hold,
    // which the box takes as '?'.
    const QChar typeable[] = {u'a', u' ', u'\u00e9', u'\u20ac', u'\u0142'};

    ScriptReader in(script);
    TextBox box;
    box.resize(200, 100);
    TextReference ref;
    bool changed = false;
    QObject::connect(&box, &TextBox::Change, &box, [&changed] { changed = true; });
    QStringList steps;
    while (!in.atEnd()) {
        changed = false;
        bool refChanged = false;
        const quint8 op = in.byte();
        switch (op < ScriptReader::kLongLineOps ? op % 12 : 12 + op % 2) {
        case 0: {
            const QByteArray t = in.text(24);
            if (log) steps << QStringLiteral("setText(%1)").arg(shown(t));
            box.setText(t);
            refChanged = ref.setText(t);
            break;
        }
        case 1: {
            const int pos = in.position();
            if (log) steps << QStringLiteral("setSelStart(%1)").arg(pos);
            box.setSelStart(pos);
            ref.setSelStart(pos);
            break;
        }
        case 2: {
            const int len = in.position();
            if (log) steps << QStringLiteral("setSelLength(%1)").arg(len);
            box.setSelLength(len);
            ref.setSelLength(len);
            break;
        }
        case 3: {
            const QByteArray t = in.text(6);
            if (log) steps << QStringLiteral("setSelText(%1)").arg(shown(t));
            box.setSelText(t);
            refChanged = ref.setSelText(t);
            break;
        }
        case 4: {
            const QChar c = typeable[in.byte() % std::size(typeable)];
            if (log) steps << QStringLiteral("type U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_unknown, QString(c), Qt::NoModifier);
            refChanged = ref.type(CodePage::encode(QString(c)));
            break;
        }
        case 5:
            if (log) steps << QStringLiteral("Enter");
            key(box, Qt::Key_Return);
            refChanged = ref.enter();
            break;
        case 6:
            if (log) steps << QStringLiteral("Backspace");
            key(box, Qt::Key_Backspace);
            refChanged = ref.backspace();
            break;
        case 7:
            if (log) steps << QStringLiteral("Delete");
            key(box, Qt::Key_Delete);
            refChanged = ref.deleteForward();
            break;
        case 8:
            if (log) steps << QStringLiteral("Left");
            key(box, Qt::Key_Left);
            ref.left();
            break;
        case 9:
            if (log) steps << QStringLiteral("Right");
            key(box, Qt::Key_Right);
            ref.right();
            break;
        case 10:
            if (log) steps << QStringLiteral("Ctrl+Home");
            key(box, Qt::Key_Home, Qt::ControlModifier);
            ref.toStart();
            break;
        case 11:
            if (log) steps << QStringLiteral("Ctrl+End");
            key(box, Qt::Key_End, Qt::ControlModifier);
            ref.toEnd();
            break;
        case 12: {
            const QByteArray t = in.longLine();
            if (log) steps << QStringLiteral("setText(a line of %1)").arg(t.size());
            box.setText(t);
            refChanged = ref.setText(t);
            break;
        }
        default: {
            const int pos = in.farPosition();
            if (log) steps << QStringLiteral("setSelStart(%1)").arg(pos);
            box.setSelStart(pos);
            ref.setSelStart(pos);
            break;
        }
        }
        const QString problem = mismatch(box, ref, changed, refChanged);
        if (!problem.isEmpty())
            return problem + QStringLiteral(" after ") + steps.join(QStringLiteral(", "));
    }
    return QString();
}
