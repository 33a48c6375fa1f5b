#include "document/EditCommands.h"

#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <QMimeData>

#include "document/ClipboardText.h"
#include "document/TextBox.h"
#include "document/frmNotePad.h"
#include "files/CodePage.h"
#include "frame/Workspace.h"

namespace {

// The text box the clipboard commands work on, or null when no document window is open.
TextBox* activeTextBox(Workspace& workspace) {
    frmNotePad* doc = workspace.activeDocument();
    return doc ? doc->Text1 : nullptr;
}

}  // namespace

void EditCommands::CutSelection(Workspace& workspace) {
    if (TextBox* box = activeTextBox(workspace)) cut(*box);
}

void EditCommands::CopySelection(Workspace& workspace) {
    if (const TextBox* box = activeTextBox(workspace)) copy(*box);
}

void EditCommands::PasteClipboard(Workspace& workspace) {
    if (TextBox* box = activeTextBox(workspace)) paste(*box);
}

void EditCommands::copy(const TextBox& box) {
    // Also an empty selection goes out: the clipboard then holds the empty text.
    QGuiApplication::clipboard()->setMimeData(ClipboardText::toMime(box.SelChars()));
}

void EditCommands::cut(TextBox& box) {
    copy(box);
    box.setSelText(QByteArray());
}

void EditCommands::paste(TextBox& box) {
    // No text on the clipboard reads as the empty text: the selection is removed.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    box.setSelChars(data ? ClipboardText::fromMime(*data, box.format()) : QString());
}

void EditCommands::deleteSelection(TextBox& box) {
    if (box.SelStart() == box.TextLength()) return;
    if (box.SelLength() == 0) {
        // A line break goes whole: CR and the character after it where CR LF is the line break
        // (LF alone is one character). So does a character beyond U+FFFF, which takes two
        // positions: removing half of it would leave no character at all.
        box.setSelLength(1);
        const QString next = box.SelChars();
        if ((next == u"\r" && !box.format().isLf()) || next.front().isHighSurrogate())
            box.setSelLength(2);
        // The character a CR takes along may itself take two positions.
        if (box.SelLength() == 2 && next == u"\r" && box.SelChars().back().isHighSurrogate())
            box.setSelLength(3);
    }
    box.setSelText(QByteArray());
}

void EditCommands::selectAll(TextBox& box) {
    box.setSelStart(0);
    box.setSelLength(box.TextLength());
}

void EditCommands::insertDateTime(TextBox& box, const QDateTime& now, const QLocale& locale) {
    box.setSelChars(box.format().holdable(DateTimeText(now, locale)));
}

QString EditCommands::DateTimeText(const QDateTime& when, const QLocale& locale) {
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

QString EditCommands::timeFormatWithoutZone(const QLocale& locale) {
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
