#include "document/EditCommands.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <memory>

#include "document/ClipboardText.h"
#include "document/DateTimeText.h"
#include "document/TextBox.h"
#include "document/frmNotePad.h"
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
    box.setSelChars(box.format().holdable(DateTimeText::format(now, locale)));
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
