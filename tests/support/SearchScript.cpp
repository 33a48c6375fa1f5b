#include "SearchScript.h"

#include <QStringList>

#include "ScriptReader.h"
#include "SearchReference.h"
#include "core/files/CodePage.h"
#include "core/search/TextSearch.h"

namespace {

QString shown(const QByteArray& bytes) {
    return QLatin1Char('"') + QString::fromLatin1(bytes.toPercentEncoding(" ")) + QLatin1Char('"');
}

QString shown(const QString& text) {
    QString out;
    for (const QChar c : text) {
        out += c.unicode() >= 0x20 && c.unicode() < 0x7F
                   ? QString(c)
                   : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString result(const std::optional<qsizetype>& found) {
    return found ? QString::number(*found) : QStringLiteral("nothing");
}

constexpr char16_t Chars[] = {u'a',      u'A',      u'b',      u'\u00e9', u'\u00c9', u'\u00ff',
                              u'\u0178', u'\u00df', u'\u0161', u'\r',     u'\n',     u'\u0142'};
constexpr char Bytes[] = {'a',    'A',    'b',    '\xe9', '\xc9', '\xff', '\x9f',
                          '\xdf', '\x8a', '\x9a', '\r',   '\n',   ' '};

// Characters a search text (Chars) and a searched text (Bytes) are made of: letters in both cases,
// letters whose upper case lies elsewhere in the code page or outside it, line-break bytes and one
// character the code page cannot hold.
QString searchText(ScriptReader& in) {
    const int length = in.byte() % 4;
    QString out;
    for (int i = 0; i < length; ++i) out += QChar(Chars[in.byte() % std::size(Chars)]);
    return out;
}

QByteArray searchedText(ScriptReader& in) {
    const int length = in.byte() % 40;
    QByteArray out;
    for (int i = 0; i < length; ++i) out += Bytes[in.byte() % sizeof Bytes];
    return out;
}

QString run(const QByteArray& script, bool log) {
    ScriptReader in(script);
    const QByteArray text = searchedText(in);
    // The characters a document in the code page holds for the bytes: what the program searches.
    const QString chars = CodePage::decode(text);
    SearchSettings real;
    real.SearchDirection = 1;
    SearchSettings ref = real;
    QStringList steps;
    if (log) steps << QStringLiteral("text %1").arg(shown(text));
    qsizetype caret = 0;
    while (!in.atEnd()) {
        const quint8 op = in.byte();
        if (op & 1) {
            // The Find button with new settings: after the Find command (a fresh search), or
            // with a text corrected in the open dialog.
            real.SearchText = ref.SearchText = searchText(in);
            real.SearchMatchCase = ref.SearchMatchCase = qint16((op >> 1) & 1);
            real.SearchDirection = ref.SearchDirection = qint16((op >> 2) & 1);
            if (!(op & 16)) real.SearchIsNew = ref.SearchIsNew = true;
        }
        // Where the caret stands: where the last search left it, or anywhere (a few positions
        // outside the text too).
        if (op & 8) caret = in.position();
        if (log)
            steps << QStringLiteral("search %1%2 %3 from %4%5")
                         .arg(shown(real.SearchText), real.SearchMatchCase ? " (case)" : "",
                              real.SearchDirection ? "down" : "up")
                         .arg(caret)
                         .arg(real.SearchIsNew ? " (new)" : "");
        const std::optional<qsizetype> got = TextSearch::searchChars(chars, caret, real);
        const std::optional<qsizetype> want = SearchReference::search(text, caret, ref);
        QString problem;
        if (got != want) {
            problem = QStringLiteral("found %1, the reference %2").arg(result(got), result(want));
        } else if (real.SearchLastStart != ref.SearchLastStart ||
                   real.SearchIsNew != ref.SearchIsNew ||
                   real.SearchLastText != ref.SearchLastText) {
            problem = QStringLiteral(
                          "left the caret at %1 (new: %2, text %3), the reference at "
                          "%4 (new: %5, text %6)")
                          .arg(real.SearchLastStart)
                          .arg(real.SearchIsNew)
                          .arg(shown(real.SearchLastText))
                          .arg(ref.SearchLastStart)
                          .arg(ref.SearchIsNew)
                          .arg(shown(ref.SearchLastText));
        }
        if (!problem.isEmpty())
            return problem + QStringLiteral(" after ") + steps.join(QStringLiteral(", "));
        if (got) caret = *got;
    }
    return QString();
}

}  // namespace

QString SearchScript::run(const QByteArray& script) {
    // The steps are written down only to describe a failure: a second run does that.
    const QString problem = ::run(script, false);
    return problem.isEmpty() ? problem : ::run(script, true);
}
