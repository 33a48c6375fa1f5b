#include "gui/platform/QtDialogService.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <memory>

#include "gui/platform/KeyboardReturn.h"

namespace {

const QString TextFilesFilter = QStringLiteral("Text Files (*.txt)");
const QString AllFilesCaption = QStringLiteral("All Files (*.*)");
// "*.*" would only match names that contain a dot; every file is meant.
const QString AllFilesFilter = QStringLiteral("All Files (*)");
const QString DefaultSuffix = QStringLiteral(".txt");

// A file dialog that takes a name exactly as typed or chosen whenever a file of that name
// exists, and otherwise applies the program's own rule for the extension (QtDialogService::
// openedName, savedName). Qt's default suffix is not used: it is added to every name without a
// dot, even to an existing file's, so files such as README or os-release could not be opened.
class NameRuleDialog : public QFileDialog {
public:
    NameRuleDialog(QWidget* parent, bool opening) : QFileDialog(parent), opening_(opening) {}

    void accept() override {
        // The name box holds what the user typed or what a click in the list put there.
        auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = nameBox ? nameBox->text() : QString();
        if (!typed.isEmpty() && !typed.contains(QLatin1Char('"'))) {
            const QString path = directory().absoluteFilePath(typed);
            const QString name =
                opening_ ? QtDialogService::openedName(path) : QtDialogService::savedName(path);
            // Also clears a selection left in the list, which would otherwise win over the name.
            if (!QFileInfo(path).isDir()) selectFile(name);
        }
        QFileDialog::accept();
    }

private:
    bool opening_;
};

QMessageBox::Icon toQtIcon(DialogService::Icon icon) {
    switch (icon) {
        case DialogService::Icon::Exclamation:
            return QMessageBox::Warning;
        case DialogService::Icon::Information:
            return QMessageBox::Information;
        case DialogService::Icon::Critical:
            return QMessageBox::Critical;
        case DialogService::Icon::Question:
            return QMessageBox::Question;
        case DialogService::Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

// Shows the all-files entry under its usual caption while it filters with the pattern that
// really lists every file. The filter applied is taken from the dialog's own list, not from
// the caption, so only the text the user reads changes.
void captionAllFilesEntry(QFileDialog& dialog) {
    const auto combos = dialog.findChildren<QComboBox*>();
    for (QComboBox* combo : combos) {
        const int index = combo->findText(AllFilesFilter);
        if (index >= 0) combo->setItemText(index, AllFilesCaption);
    }
}

// Runs a modal dialog and gives the keyboard back to the window and the widget it came from.
// Where no window manager runs, nobody else re-activates that window: its menu mnemonics and
// shortcuts would stay dead, and typing would reach no widget.
int exec(QDialog& dialog, QWidget* parent) {
    const KeyboardReturn keyboard;
    const int result = dialog.exec();
    keyboard.giveBack(parent);
    return result;
}

// While a box the program opened by itself comes up, the keys of typing that was going on pass it
// by: for GraceMs after it is shown, each key pressed in it goes to the widget that had the
// keyboard before (the text the user types in), and only a key after that answers the box. Keys
// already waiting when the box came are handled in its first moments, so none of them answers
// it; a user who reads the box takes longer than that to press a key.
class TypingPassesBy : public QObject {
public:
    static constexpr int GraceMs = 250;

    TypingPassesBy(QDialog& box, QWidget* typedInto) : box_(box), typedInto_(typedInto) {
        qApp->installEventFilter(this);
        shown_.start();
    }
    ~TypingPassesBy() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* e) override {
        const QEvent::Type type = e->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease &&
            type != QEvent::ShortcutOverride)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &box_ || shown_.elapsed() >= GraceMs) return false;
        if (type == QEvent::ShortcutOverride) return true;  // no shortcut of the box either
        if (typedInto_) {
            const std::unique_ptr<QEvent> key(e->clone());
            QCoreApplication::sendEvent(typedInto_, key.get());
        }
        return true;
    }

private:
    QDialog& box_;
    QPointer<QWidget> typedInto_;
    QElapsedTimer shown_;
};

}  // namespace

QtDialogService::QtDialogService() : lastFolder_(QDir::homePath()) {}

QString QtDialogService::displayedPrompt(const QString& prompt) {
    QString shown = prompt;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    return shown;
}

DialogService::Answer QtDialogService::messageBox(QWidget* parent, const QString& prompt,
                                                  Buttons buttons, Icon icon,
                                                  const QString& title) {
    return showMessageBox(parent, prompt, buttons, icon, title, false);
}

DialogService::Answer QtDialogService::unbiddenMessageBox(QWidget* parent, const QString& prompt,
                                                          Buttons buttons, Icon icon,
                                                          const QString& title) {
    return showMessageBox(parent, prompt, buttons, icon, title, true);
}

DialogService::Answer QtDialogService::showMessageBox(QWidget* parent, const QString& prompt,
                                                      Buttons buttons, Icon icon,
                                                      const QString& title, bool unbidden) {
    QWidget* typedInto = QApplication::focusWidget();
    QMessageBox box(parent);
    std::optional<TypingPassesBy> passing;
    if (unbidden) passing.emplace(box, typedInto);
    box.setWindowTitle(title);
    box.setIcon(toQtIcon(icon));
    // Prompts carry file names and search texts, which must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(displayedPrompt(prompt));
    if (buttons == Buttons::Ok) {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
        exec(box, parent);
        return Answer::Ok;
    }
    if (buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultYes) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == Buttons::YesNo ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    exec(box, parent);
    switch (box.standardButton(box.clickedButton())) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    }
}

QString QtDialogService::openedName(const QString& path) {
    if (QFileInfo::exists(path) || !QFileInfo(path + DefaultSuffix).isFile()) return path;
    return path + DefaultSuffix;
}

QString QtDialogService::savedName(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() || info.fileName().isEmpty()) return path;
    // Any dot keeps the name: it gives an extension, says that the name has none (a name ending
    // in a dot), or makes a hidden file (".notes"), whose name is complete as it stands.
    if (info.fileName().contains(QLatin1Char('.'))) return path;
    return path + DefaultSuffix;
}

std::optional<QString> QtDialogService::openFileName(QWidget* parent, const QString& fileName) {
    return chooseFile(parent, fileName, Purpose::Open);
}

std::optional<QString> QtDialogService::saveFileName(QWidget* parent, const QString& fileName) {
    return chooseFile(parent, fileName, Purpose::Save);
}

std::optional<QString> QtDialogService::chooseFile(QWidget* parent, const QString& fileName,
                                                   Purpose purpose) {
    NameRuleDialog dialog(parent, purpose == Purpose::Open);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (purpose == Purpose::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        // Replacing an existing file is confirmed by the dialog itself.
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    dialog.setNameFilters({TextFilesFilter, AllFilesFilter});
    dialog.selectNameFilter(TextFilesFilter);
    captionAllFilesEntry(dialog);

    // A full path starts the dialog in its own folder with its name in the name box (in the
    // folder last used when its own folder is gone); any other name goes into the name box as
    // given, in the folder last used.
    QString folder = lastFolder_;
    QString name = fileName;
    const QFileInfo given(fileName);
    if (!fileName.isEmpty() && given.isAbsolute()) {
        if (given.absoluteDir().exists()) folder = given.absolutePath();
        name = given.fileName();
    }
    if (!QDir(folder).exists()) folder = QDir::homePath();
    dialog.setDirectory(folder);
    dialog.selectFile(name);

    if (exec(dialog, parent) != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
    lastFolder_ = QFileInfo(chosen.first()).absolutePath();
    return chosen.first();
}
