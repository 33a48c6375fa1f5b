#include "gui/document/EditCommands.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <memory>

#include "core/text/ClipboardText.h"
#include "core/text/DateTimeText.h"
#include "gui/document/Document.h"
#include "gui/frame/Workspace.h"
#include "gui/textbox/TextBox.h"

void EditCommands::CutSelection(Workspace& workspace) {
    if (Document* document = workspace.activeDocument()) cut(*document);
}

void EditCommands::CopySelection(Workspace& workspace) {
    if (const Document* document = workspace.activeDocument()) copy(*document);
}

void EditCommands::PasteClipboard(Workspace& workspace) {
    if (Document* document = workspace.activeDocument()) paste(*document);
}

void EditCommands::copy(const Document& document) {
    // Also an empty selection goes out: the clipboard then holds the empty text.
    QGuiApplication::clipboard()->setMimeData(ClipboardText::toMime(document.text().SelChars()));
}

void EditCommands::cut(Document& document) {
    copy(document);
    document.text().setSelText(QByteArray());
}

void EditCommands::paste(Document& document) {
    TextModel& text = document.text();
    // No text on the clipboard reads as the empty text: the selection is removed.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    text.setSelChars(data ? ClipboardText::fromMime(*data, text.format()) : QString());
}

void EditCommands::deleteSelection(Document& document) {
    TextModel& text = document.text();
    if (text.SelStart() == text.TextLength()) return;
    if (text.SelLength() == 0) {
        // A line break goes whole: CR and the character after it where CR LF is the line break
        // (LF alone is one character). So does a character beyond U+FFFF, which takes two
        // positions: removing half of it would leave no character at all.
        text.setSelLength(1);
        const QString next = text.SelChars();
        if ((next == u"\r" && !text.format().isLf()) || next.front().isHighSurrogate())
            text.setSelLength(2);
        // The character a CR takes along may itself take two positions.
        if (text.SelLength() == 2 && next == u"\r" && text.SelChars().back().isHighSurrogate())
            text.setSelLength(3);
    }
    text.setSelText(QByteArray());
}

void EditCommands::selectAll(Document& document) {
    TextModel& text = document.text();
    text.setSelStart(0);
    text.setSelLength(text.TextLength());
}

void EditCommands::insertDateTime(Document& document, const QDateTime& now, const QLocale& locale) {
    TextModel& text = document.text();
    text.setSelChars(text.format().holdable(DateTimeText::format(now, locale)));
}

void EditCommands::installContextMenu(TextBox& box, const QList<QAction*>& commands) {
    QList<QPointer<QAction>> kept;
    for (QAction* a : commands) kept.append(a);
    box.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&box, &QWidget::customContextMenuRequested, &box, [&box, kept](QPoint at) {
        // The widget's menu is kept for its Undo and Redo, in the platform's words.
        const std::unique_ptr<QMenu> standard(box.createContextMenu(at));
        QMenu menu(&box);
        for (QAction* a : standard->actions()) {
            if (a->objectName() == QLatin1String("edit-undo") ||
                a->objectName() == QLatin1String("edit-redo"))
                menu.addAction(a);
        }
        const int selectAll = int(kept.size()) - 1;
        for (int i = 0; i < kept.size(); ++i) {
            if (i == 0 || i == selectAll) menu.addSeparator();
            if (QAction* a = kept[i]) menu.addAction(a);
        }
        menu.exec(box.viewport()->mapToGlobal(at));
    });
}
