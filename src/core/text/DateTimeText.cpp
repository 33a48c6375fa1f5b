#include "core/text/DateTimeText.h"

#include <QDateTime>
#include <QLocale>

#include "core/files/CodePage.h"

QString DateTimeText::format(const QDateTime& when, const QLocale& locale) {
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    const QTime time = when.time();
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0) {
        text += QLatin1Char(' ') + locale.toString(time, timeFormatWithoutZone(locale));
    }
    // Some locales put narrow or thin spaces into their formats; the code page has none of them
    // and would turn each into '?'. They are written as ordinary blanks.
    for (QChar& c : text) {
        if (c.category() == QChar::Separator_Space && CodePage::fromUnicode(c) < 0) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

QString DateTimeText::timeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('t')) {
            // The zone name goes, and with it the blanks that set it apart.
            while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
            continue;
        }
        out += c;
    }
    out.remove(QStringLiteral("()"));
    return out.trimmed();
}
