#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "DiskFiles.h"
#include "ScriptedDialogs.h"
#include "gui/platform/BusyPointer.h"
#include "gui/platform/QtDialogService.h"

namespace {

const QString SavePrompt = QStringLiteral(
    "Coccosa dinte 'a [C:\\DOCS\\NOTA.TXT] \u00e8 state cagnate.\n\r"
    "Astipamme chello ca e' cagnate?");
const QString TextFiles = QStringLiteral("Text Files (*.txt)");
const QString AllFiles = QStringLiteral("All Files (*.*)");

// What a test saw of a file dialog while it was open.
struct FileDialogView {
    bool seen = false;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    bool confirmsOverwrite = false;
    bool isModal = false;
    QString title;
    QString folder;
    QString nameBox;
    QString defaultSuffix;
    QStringList filterCaptions;
    QString selectedFilter;
    QStringList textFilesPatterns;  // the patterns the listing uses under each filter
    QStringList allFilesPatterns;
    QString nestedBox;  // the text of a box the dialog showed over itself, if any
};

}  // namespace

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void displayedPrompt_data();
    void displayedPrompt();
    void messageBoxOk_data();
    void messageBoxOk();
    void messageBoxYesNoCancel_data();
    void messageBoxYesNoCancel();
    void unbiddenBoxLetsTypingPassBy();
    void openDialog();
    void saveDialog_data();
    void saveDialog();
    void nameRules_data();
    void nameRules();
    void busyPointer();
    void scriptedDialogsAnswerAndRecord();
    void scriptedDialogsFlagWhatWasNotScripted();

private:
    // Runs act on the modal widget as soon as one is open; act must close it.
    void whenModalOpens(const std::function<void(QWidget*)>& act);
    // Once the file dialog is open: records what it shows, then goes to the folder of name (if
    // it has one), types the rest into the name box and presses Enter, or cancels the dialog
    // when name is empty. A name after "choose:" is picked in the dialog's list instead, as a
    // click does, and confirmed. The view is filled in then.
    std::shared_ptr<FileDialogView> driveFileDialog(const QString& name);

    QTemporaryDir home_;
    std::unique_ptr<QTemporaryDir> work_;
};

void TestDialogs::initTestCase() {
    QVERIFY(home_.isValid());
    // The dialogs start in the user's home at first: make it a known, small folder.
    qputenv("HOME", QFile::encodeName(home_.path()));
    QCOMPARE(QDir::homePath(), QDir(home_.path()).absolutePath());
}

void TestDialogs::init() {
    work_ = std::make_unique<QTemporaryDir>();
    QVERIFY(work_->isValid());
}

void TestDialogs::whenModalOpens(const std::function<void(QWidget*)>& act) {
    auto* timer = new QTimer(this);
    auto attempts = std::make_shared<int>(0);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, [timer, attempts, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*attempts < 1000) return;
        timer->stop();
        timer->deleteLater();
        if (modal) act(modal);
    });
    timer->start();
}

std::shared_ptr<FileDialogView> TestDialogs::driveFileDialog(const QString& name) {
    auto view = std::make_shared<FileDialogView>();
    whenModalOpens([view, name](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        view->seen = true;
        view->acceptMode = dialog->acceptMode();
        view->fileMode = dialog->fileMode();
        view->confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        view->isModal = dialog->isModal();
        view->title = dialog->windowTitle();
        view->folder = dialog->directory().absolutePath();
        view->defaultSuffix = dialog->defaultSuffix();
        view->selectedFilter = dialog->selectedNameFilter();
        auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* model = dialog->findChild<QFileSystemModel*>();
        if (nameBox) view->nameBox = nameBox->text();
        if (types && model) {
            for (int i = 0; i < types->count(); ++i) view->filterCaptions << types->itemText(i);
            view->textFilesPatterns = model->nameFilters();
            // Choose the second entry the way a user does, from the keyboard.
            types->setFocus();
            QTest::keyClick(types, Qt::Key_Down);
            view->allFilesPatterns = model->nameFilters();
        }
        if (name.isEmpty() || !nameBox) {
            dialog->reject();
            return;
        }
        if (name.startsWith("choose:")) {
            // Picked in the list: the dialog puts the name into the name box itself.
            const QString path = name.mid(7);
            dialog->setDirectory(QFileInfo(path).absolutePath());
            auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
            if (!model || !list) {
                dialog->reject();
                return;
            }
            list->selectionModel()->select(model->index(path), QItemSelectionModel::ClearAndSelect |
                                                                   QItemSelectionModel::Rows);
            view->nameBox = nameBox->text();
        } else {
            // A name with a folder: the user goes to the folder, then types the name.
            QString typed = name;
            if (name.contains('/')) {
                dialog->setDirectory(QFileInfo(name).absolutePath());
                typed = QFileInfo(name).fileName();
            }
            nameBox->clear();
            QTest::keyClicks(nameBox, typed);
            // Typing a name opens the completion list, which would take the Enter key.
            if (nameBox->completer() && nameBox->completer()->popup()->isVisible())
                nameBox->completer()->popup()->hide();
        }
        // A dialog that refuses the name asks or complains in a box of its own; note it and
        // close it, so that the test fails instead of waiting for ever.
        QTimer nested;
        nested.setInterval(10);
        QObject::connect(&nested, &QTimer::timeout, [view] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            view->nestedBox = box->text();
            box->reject();
        });
        nested.start();
        QTest::keyClick(nameBox, Qt::Key_Return);
        nested.stop();
        if (dialog->isVisible()) dialog->reject();
    });
    return view;
}

void TestDialogs::displayedPrompt_data() {
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("shown");
    QTest::newRow("single line") << "Nun ce sta."
                                 << "Nun ce sta.";
    QTest::newRow("LF CR is one line break") << "A\n\rB"
                                             << "A\nB";
    QTest::newRow("two LF CR breaks") << "A\n\rB\n\rC"
                                      << "A\nB\nC";
    QTest::newRow("lone LF stays") << "A\nB"
                                   << "A\nB";
    QTest::newRow("LF LF CR keeps the empty line") << "A\n\n\rB"
                                                   << "A\n\nB";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDialogs::displayedPrompt() {
    QFETCH(QString, prompt);
    QFETCH(QString, shown);
    QCOMPARE(QtDialogService::displayedPrompt(prompt), shown);
}

void TestDialogs::messageBoxOk_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("OK pressed") << "ok";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("closed") << "close";
}

void TestDialogs::messageBoxOk() {
    QFETCH(QString, action);
    // A path may hold anything; markup in it must show as typed.
    const QString prompt = QStringLiteral("Impossibile aprire il file: /tmp/<b>nota</b>.txt");
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::Question;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::RichText;
    bool seen = false;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            modal->close();
            return;
        }
        seen = true;
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        format = box->textFormat();
        if (action == "ok")
            box->button(QMessageBox::Ok)->click();
        else if (action == "escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->close();
        if (box->isVisible()) box->done(0);
    });
    QtDialogService service;
    const DialogService::Answer answer = service.messageBox(
        nullptr, prompt, DialogService::Buttons::Ok, DialogService::Icon::None, "MDI");
    QVERIFY(seen);
    QCOMPARE(int(answer), int(DialogService::Answer::Ok));
    QCOMPARE(text, prompt);
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(title, QStringLiteral("MDI"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestDialogs::messageBoxYesNoCancel_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<DialogService::Answer>("answer");
    QTest::newRow("Yes") << "yes" << DialogService::Answer::Yes;
    QTest::newRow("No") << "no" << DialogService::Answer::No;
    QTest::newRow("Cancel") << "cancel" << DialogService::Answer::Cancel;
    QTest::newRow("Enter takes the default, Yes") << "enter" << DialogService::Answer::Yes;
    QTest::newRow("Escape is Cancel") << "escape" << DialogService::Answer::Cancel;
    QTest::newRow("closing is Cancel") << "close" << DialogService::Answer::Cancel;
}

void TestDialogs::messageBoxYesNoCancel() {
    QFETCH(QString, action);
    QFETCH(DialogService::Answer, answer);
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
    bool seen = false;
    whenModalOpens([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            modal->close();
            return;
        }
        seen = true;
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        defaultButton = box->standardButton(box->defaultButton());
        escapeButton = box->standardButton(box->escapeButton());
        if (action == "yes")
            box->button(QMessageBox::Yes)->click();
        else if (action == "no")
            box->button(QMessageBox::No)->click();
        else if (action == "cancel")
            box->button(QMessageBox::Cancel)->click();
        else if (action == "enter")
            QTest::keyClick(box, Qt::Key_Return);
        else if (action == "escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->close();
        if (box->isVisible()) box->done(0);
    });
    QtDialogService service;
    const DialogService::Answer given =
        service.messageBox(nullptr, SavePrompt, DialogService::Buttons::YesNoCancel,
                           DialogService::Icon::Exclamation, "Tavulella");
    QVERIFY(seen);
    QCOMPARE(int(given), int(answer));
    // The LF CR break reads as one line break: two lines on screen.
    QCOMPARE(text, QStringLiteral("Coccosa dinte 'a [C:\\DOCS\\NOTA.TXT] \u00e8 state cagnate.\n"
                                  "Astipamme chello ca e' cagnate?"));
    QCOMPARE(text.split('\n').size(), 2);
    QVERIFY(!text.contains('\r'));
    QCOMPARE(title, QStringLiteral("Tavulella"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(defaultButton, QMessageBox::Yes);
    QCOMPARE(escapeButton, QMessageBox::Cancel);
}

// A box the program opens by itself while the user types: the keys of the moment it comes up
// (already on their way) go on into the text, even Return, and only a key after that moment
// answers the box.
void TestDialogs::unbiddenBoxLetsTypingPassBy() {
    QLineEdit typing;
    typing.show();
    typing.activateWindow();
    typing.setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&typing));
    bool openAfterTheKeys = false;
    whenModalOpens([&](QWidget* modal) {
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        openAfterTheKeys = modal->isVisible();
        QTimer::singleShot(600, modal, [modal] { QTest::keyClick(modal, Qt::Key_Return); });
    });
    QtDialogService service;
    const DialogService::Answer given = service.unbiddenMessageBox(
        &typing, QStringLiteral("N'ato programma ha cagnate 'o file."),
        DialogService::Buttons::YesNo, DialogService::Icon::Exclamation, "MDI");
    QVERIFY(openAfterTheKeys);
    QCOMPARE(typing.text(), QStringLiteral("abc"));
    // Return after the moment takes the default button, No.
    QCOMPARE(int(given), int(DialogService::Answer::No));
}

void TestDialogs::openDialog() {
    QVERIFY(DiskFiles::put(work_->filePath("nota.txt"), "nota"));
    QtDialogService service;

    // The first dialog starts in the home folder; the user goes to another folder and types the
    // name of a file there without its extension.
    auto first = driveFileDialog(work_->filePath("nota"));
    const std::optional<QString> chosen = service.openFileName(nullptr, QString());
    QVERIFY(first->seen);
    QCOMPARE(first->nestedBox, QString());
    QCOMPARE(chosen, std::optional<QString>(work_->filePath("nota.txt")));
    QCOMPARE(first->acceptMode, QFileDialog::AcceptOpen);
    QCOMPARE(first->fileMode, QFileDialog::ExistingFile);
    QVERIFY(first->isModal);
    QCOMPARE(first->title, QCoreApplication::translate("QFileDialog", "Open"));
    QCOMPARE(first->folder, QDir(home_.path()).absolutePath());
    QCOMPARE(first->nameBox, QString());
    // The dialog adds no suffix of its own: the program's name rules do (nameRules).
    QCOMPARE(first->defaultSuffix, QString());
    QCOMPARE(first->filterCaptions, (QStringList{TextFiles, AllFiles}));
    QCOMPARE(first->selectedFilter, TextFiles);
    QCOMPARE(first->textFilesPatterns, QStringList{QStringLiteral("*.txt")});
    // Every file, also one without a dot in its name.
    QCOMPARE(first->allFilesPatterns, QStringList{QStringLiteral("*")});

    // The next dialog starts where the last file was chosen; cancelling gives nothing.
    auto second = driveFileDialog(QString());
    QCOMPARE(service.openFileName(nullptr, QString()), std::optional<QString>());
    QVERIFY(second->seen);
    QCOMPARE(second->folder, QDir(work_->path()).absolutePath());
}

void TestDialogs::saveDialog_data() {
    // HOME and WORK stand for the home folder and a temporary folder.
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("nameBox");
    QTest::addColumn<QString>("typed");  // empty: cancel
    QTest::addColumn<QString>("result");
    QTest::newRow("proposed name, typed without extension") << "Senzatit.txt"
                                                            << "HOME"
                                                            << "Senzatit.txt"
                                                            << "WORK/nota"
                                                            << "WORK/nota.txt";
    QTest::newRow("empty name box, relative name") << ""
                                                   << "HOME"
                                                   << ""
                                                   << "plain"
                                                   << "HOME/plain.txt";
    QTest::newRow("another extension is kept") << ""
                                               << "HOME"
                                               << ""
                                               << "WORK/nota.md"
                                               << "WORK/nota.md";
    QTest::newRow("full path starts in its folder, cancelled") << "WORK/sub/given.txt"
                                                               << "WORK/sub"
                                                               << "given.txt"
                                                               << ""
                                                               << "";
    QTest::newRow("full path in a missing folder") << "WORK/GONE/X.TXT"
                                                   << "HOME"
                                                   << "X.TXT"
                                                   << ""
                                                   << "";
}

void TestDialogs::saveDialog() {
    QFETCH(QString, given);
    QFETCH(QString, folder);
    QFETCH(QString, nameBox);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QVERIFY(QDir(work_->path()).mkdir("sub"));
    const auto place = [this](QString text) {
        text.replace("HOME", QDir(home_.path()).absolutePath());
        text.replace("WORK", QDir(work_->path()).absolutePath());
        return text;
    };

    QtDialogService service;
    auto view = driveFileDialog(place(typed));
    const std::optional<QString> chosen = service.saveFileName(nullptr, place(given));
    QVERIFY(view->seen);
    QCOMPARE(view->nestedBox, QString());
    if (result.isEmpty())
        QCOMPARE(chosen, std::optional<QString>());
    else
        QCOMPARE(chosen, std::optional<QString>(place(result)));
    QCOMPARE(view->acceptMode, QFileDialog::AcceptSave);
    QVERIFY(view->confirmsOverwrite);
    QVERIFY(view->isModal);
    QCOMPARE(view->title, QCoreApplication::translate("QFileDialog", "Save As"));
    QCOMPARE(view->folder, place(folder));
    QCOMPARE(view->nameBox, nameBox);
    QCOMPARE(view->filterCaptions, (QStringList{TextFiles, AllFiles}));
    QCOMPARE(view->selectedFilter, TextFiles);
    QCOMPARE(view->allFilesPatterns, QStringList{QStringLiteral("*")});
    // Nothing was written by the dialog itself.
    QVERIFY(!QFileInfo::exists(place("WORK/nota.txt")));
}

void TestDialogs::nameRules_data() {
    // In a folder holding the files listed, the user types (or, after "choose:", picks in the
    // list) a name; the dialog gives the file named in result, or nothing and a box of its own
    // that names the file in box.
    QTest::addColumn<bool>("save");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("box");
    const QStringList several{"README", "os-release", "nota.txt", "a.b.c", "nota.", ".bashrc"};
    QTest::newRow("open a name without a dot") << false << several << "README"
                                               << "README"
                                               << "";
    QTest::newRow("open a name with a dash") << false << several << "os-release"
                                             << "os-release"
                                             << "";
    QTest::newRow("open adds .txt when only that exists") << false << several << "nota"
                                                          << "nota.txt"
                                                          << "";
    QTest::newRow("open takes the name as typed when both exist")
        << false << QStringList{"nota", "nota.txt"} << "nota"
        << "nota"
        << "";
    QTest::newRow("open several dots") << false << several << "a.b.c"
                                       << "a.b.c"
                                       << "";
    QTest::newRow("open a name ending in a dot") << false << several << "nota."
                                                 << "nota."
                                                 << "";
    QTest::newRow("open a hidden file") << false << several << ".bashrc"
                                        << ".bashrc"
                                        << "";
    QTest::newRow("open adds .txt after another extension")
        << false << QStringList{"nota.md.txt"} << "nota.md"
        << "nota.md.txt"
        << "";
    QTest::newRow("open a missing name is refused as typed") << false << several << "manca"
                                                             << ""
                                                             << "manca";
    QTest::newRow("open by choosing a name without a dot") << false << several << "choose:README"
                                                           << "README"
                                                           << "";
    QTest::newRow("open by choosing a hidden file") << false << several << "choose:.bashrc"
                                                    << ".bashrc"
                                                    << "";
    QTest::newRow("open by choosing where a .txt twin exists")
        << false << QStringList{"nota", "nota.txt"} << "choose:nota"
        << "nota"
        << "";
    QTest::newRow("save a new name gets .txt") << true << several << "nuova"
                                               << "nuova.txt"
                                               << "";
    QTest::newRow("save a new hidden name is kept") << true << several << ".nuova"
                                                    << ".nuova"
                                                    << "";
    QTest::newRow("save a new name ending in a dot is kept") << true << several << "nuova."
                                                             << "nuova."
                                                             << "";
    QTest::newRow("save a new name with several dots is kept") << true << several << "x.tar.gz"
                                                               << "x.tar.gz"
                                                               << "";
    QTest::newRow("save over an existing name without a dot asks for that name")
        << true << several << "README"
        << ""
        << "README";
    QTest::newRow("save by choosing an existing file asks for that file")
        << true << several << "choose:os-release"
        << ""
        << "os-release";
}

void TestDialogs::nameRules() {
    QFETCH(bool, save);
    QFETCH(QStringList, files);
    QFETCH(QString, name);
    QFETCH(QString, result);
    QFETCH(QString, box);
    for (const QString& file : files) QVERIFY(DiskFiles::put(work_->filePath(file), "x"));
    const bool choose = name.startsWith("choose:");
    const QString bare = choose ? name.mid(7) : name;
    QtDialogService service;
    auto view = driveFileDialog((choose ? "choose:" : "") + work_->filePath(bare));
    const std::optional<QString> chosen =
        save ? service.saveFileName(nullptr, QString()) : service.openFileName(nullptr, QString());
    QVERIFY(view->seen);
    if (choose && box.isEmpty()) QCOMPARE(view->nameBox, bare);
    if (result.isEmpty()) {
        QCOMPARE(chosen, std::optional<QString>());
        // The dialog's own box names the file as typed, with nothing added.
        if (!choose) {
            QVERIFY2(view->nestedBox.contains(box) && !view->nestedBox.contains(box + ".txt"),
                     qPrintable(view->nestedBox));
        }
    } else {
        QCOMPARE(view->nestedBox, QString());
        QCOMPARE(chosen, std::optional<QString>(work_->filePath(result)));
    }
}

void TestDialogs::busyPointer() {
    QVERIFY(!QGuiApplication::overrideCursor());
    // An override someone else set stays in place around ours.
    QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
    {
        BusyPointer busy;
        QVERIFY(QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        busy.restore();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
        busy.restore();
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    }
    // Leaving the scope after restore() must not take away the outer pointer.
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    {
        BusyPointer busy;
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestDialogs::scriptedDialogsAnswerAndRecord() {
    ScriptedDialogs dialogs;
    QWidget parent;
    dialogs.answerMessageBox(DialogService::Answer::No);
    dialogs.answerMessageBox(DialogService::Answer::Ok);
    dialogs.answerSave("/tmp/a.txt");
    dialogs.cancelSave();
    dialogs.answerOpen("/tmp/b.txt");

    QCOMPARE(int(dialogs.messageBox(&parent, SavePrompt, DialogService::Buttons::YesNoCancel,
                                    DialogService::Icon::Exclamation, "Tavulella")),
             int(DialogService::Answer::No));
    std::optional<QString> saved;
    {
        BusyPointer busy;
        saved = dialogs.saveFileName(&parent, "Senzatit.txt");
    }
    QCOMPARE(saved, std::optional<QString>(QStringLiteral("/tmp/a.txt")));
    QCOMPARE(dialogs.saveFileName(nullptr, ""), std::optional<QString>());
    QCOMPARE(dialogs.openFileName(nullptr, ""), std::optional<QString>("/tmp/b.txt"));
    QCOMPARE(int(dialogs.messageBox(nullptr, "Nun ce sta.", DialogService::Buttons::Ok,
                                    DialogService::Icon::None, "MDI")),
             int(DialogService::Answer::Ok));

    QVERIFY2(!dialogs.unexpectedDialog(), qPrintable(dialogs.problems()));
    QVERIFY(dialogs.allAnswersUsed());
    QCOMPARE(dialogs.calls().size(), 5);
    const ScriptedDialogs::Call& question = dialogs.calls().at(0);
    QCOMPARE(question.kind, ScriptedDialogs::Kind::MessageBox);
    QCOMPARE(question.prompt, SavePrompt);
    QCOMPARE(question.buttons, DialogService::Buttons::YesNoCancel);
    QCOMPARE(question.icon, DialogService::Icon::Exclamation);
    QCOMPARE(question.title, QStringLiteral("Tavulella"));
    QCOMPARE(question.parent.data(), &parent);
    QVERIFY(!question.busyPointer);
    const QList<ScriptedDialogs::Call> saves = dialogs.callsOf(ScriptedDialogs::Kind::Save);
    QCOMPARE(saves.size(), 2);
    QCOMPARE(saves.at(0).fileName, QStringLiteral("Senzatit.txt"));
    QVERIFY(saves.at(0).busyPointer);
    QCOMPARE(saves.at(1).fileName, QString());
    QCOMPARE(dialogs.lastCall().title, QStringLiteral("MDI"));
}

void TestDialogs::scriptedDialogsFlagWhatWasNotScripted() {
    ScriptedDialogs dialogs;
    // Nothing scripted: the box is answered Cancel and flagged.
    QCOMPARE(int(dialogs.messageBox(nullptr, "?", DialogService::Buttons::YesNoCancel,
                                    DialogService::Icon::Exclamation, "Tavulella")),
             int(DialogService::Answer::Cancel));
    QVERIFY(dialogs.unexpectedDialog());
    QVERIFY(!dialogs.lastCall().expected);
    QVERIFY(dialogs.problems().contains("unexpected message box"));

    // An answer that does not fit the box is flagged too.
    dialogs.clear();
    QVERIFY(!dialogs.unexpectedDialog());
    dialogs.answerMessageBox(DialogService::Answer::Yes);
    QCOMPARE(int(dialogs.messageBox(nullptr, "!", DialogService::Buttons::Ok,
                                    DialogService::Icon::None, "MDI")),
             int(DialogService::Answer::Cancel));
    QVERIFY(dialogs.unexpectedDialog());

    // File dialogs with no script are cancelled and flagged; unused answers are reported.
    dialogs.clear();
    dialogs.answerSave("/tmp/never.txt");
    QCOMPARE(dialogs.openFileName(nullptr, "x"), std::optional<QString>());
    QVERIFY(dialogs.unexpectedDialog());
    QVERIFY(!dialogs.allAnswersUsed());
    QVERIFY(dialogs.problems().contains("unexpected open dialog"));
    QVERIFY(dialogs.problems().contains("save dialog answer(s) not used"));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
