#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QMdiArea>
#include <QMimeData>
#include <QScopeGuard>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include "DiskFiles.h"
#include "FrameFixture.h"
#include "gui/document/frmNotePad.h"
#include "gui/files/FileCommands.h"
#include "gui/frame/SnapshotScheduler.h"
#include "gui/frame/Toolbar.h"
#include "gui/textbox/TextBox.h"

// Opening and saving through the file dialogs, as the user meets it in the document windows.
class tst_FileCommands : public QObject {
    Q_OBJECT
private:
    using Answer = DialogService::Answer;
    using Kind = ScriptedDialogs::Kind;

    static QByteArray allBytes() {
        QByteArray bytes;
        for (int i = 0; i < 256; ++i) bytes.append(char(i));
        return bytes + QByteArray("\r\n\r\r\n\n\r");
    }

    // What another program does to a file, as the shell commands of the same names do it.
    static void changeOnDisk(const QString& change, const QString& path) {
        const QByteArray old = FrameFixture::readFile(path);
        const QByteArray native = QFile::encodeName(path);
        const QString beside = path + QStringLiteral(".new");
        if (change == "echo >>") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::Append) && f.write("outside\n") == 8);
        } else if (change == "mv over") {
            QVERIFY(DiskFiles::put(beside, "replaced\n"));
            QVERIFY(::rename(QFile::encodeName(beside), native) == 0);
        } else if (change == "mv over, same bytes") {
            QVERIFY(DiskFiles::put(beside, old));
            QVERIFY(::rename(QFile::encodeName(beside), native) == 0);
        } else if (change == "rewrite, same bytes") {
            QVERIFY(DiskFiles::put(path, old));
        } else if (change == "touch") {
            const struct utimbuf later { 1000000000, 1000000000 };
            QVERIFY(::utime(native, &later) == 0);
        } else if (change == "chmod") {
            QVERIFY(::chmod(native, 0600) == 0);
        } else if (change == "grow") {
            QVERIFY(DiskFiles::put(path, QByteArray(FileCommands::MaxOpenBytes + 1, 'g')));
        } else if (change == "rm") {
            QVERIFY(QFile::remove(path));
        } else if (change == "mv away") {
            QVERIFY(QFile::rename(path, beside));
        } else if (change == "mv folder") {
            const QString folder = QFileInfo(path).absolutePath();
            QVERIFY(QDir().rename(folder, folder + QStringLiteral(".moved")));
        } else if (change == "rm -r folder") {
            QVERIFY(QDir(QFileInfo(path).absolutePath()).removeRecursively());
        } else {
            QFAIL("no such change");
        }
    }

private slots:
    void theSizeLimitOfTheOpenDialog_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("opens");
        QTest::newRow("65000 bytes") << 65000 << true;
        QTest::newRow("65001 bytes") << 65001 << false;
        QTest::newRow("empty") << 0 << true;
    }

    void theSizeLimitOfTheOpenDialog() {
        QFETCH(int, size);
        QFETCH(bool, opens);
        FrameFixture f;
        const QByteArray bytes(size, 'x');
        const QString path = f.writeFile(QStringLiteral("big.txt"), bytes);
        f.dialogs().answerOpen(path);
        if (!opens) f.dialogs().answerMessageBox(Answer::Ok);
        f.active()->mnuFOpen_Click();
        FrameFixture::settle();
        QCOMPARE(f.documents().size(), opens ? 2 : 1);
        QCOMPARE(f.dialogs().callsOf(Kind::Open).first().fileName, QString());
        if (opens) {
            frmNotePad* w = f.active();
            QCOMPARE(w->Caption(), path.toUpper());
            QCOMPARE(w->Text1->Text(), bytes);
            QCOMPARE(w->documentState().Changed, DocumentState::False);
            QCOMPARE(w->Tag(), QStringLiteral("2"));
        } else {
            const auto& box = f.dialogs().lastCall();
            QCOMPARE(box.prompt, QStringLiteral("'O file è troppo gruosso po pute' arapì."));
            QCOMPARE(box.buttons, DialogService::Buttons::Ok);
            QCOMPARE(box.icon, DialogService::Icon::None);
            QCOMPARE(box.title, QStringLiteral("MDI"));
        }
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    void aMissingFileFromTheDialogStillShowsTheEditButtons() {
        FrameFixture f;
        f.active()->mnuFClose_Click();
        FrameFixture::settle();
        QVERIFY(!f.frame().picToolbar()->editButtonsVisible());
        const QString path = f.path(QStringLiteral("gone.txt"));
        f.dialogs().answerOpen(path);
        f.dialogs().answerMessageBox(Answer::Ok);
        f.frame().mnuFOpen_Click();
        QCOMPARE(f.dialogs().lastCall().prompt,
                 QStringLiteral("Impossibile aprire il file: ") + path);
        QVERIFY(f.documents().isEmpty());
        QVERIFY(f.frame().picToolbar()->editButtonsVisible());
        QCOMPARE(f.frame().state().EditButtonsHidden, DocumentState::False);

        // A cancelled dialog changes nothing.
        f.frame().picToolbar()->setEditButtonsVisible(false);
        f.frame().state().EditButtonsHidden = DocumentState::True;
        f.dialogs().cancelOpen();
        f.frame().mnuFOpen_Click();
        QVERIFY(!f.frame().picToolbar()->editButtonsVisible());
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    // Files dragged from a file manager onto a text box open as File, Open opens them, refusals
    // included; the box takes none of the drag's text.
    void aDropOfFilesOpensThem() {
        FrameFixture f;
        const QString a = f.writeFile(QStringLiteral("a.txt"), "uno");
        const QString big = f.writeFile(QStringLiteral("big.txt"), QByteArray(65001, 'x'));
        f.dialogs().answerMessageBox(Answer::Ok);
        f.dialogs().answerMessageBox(Answer::Ok);
        frmNotePad* first = f.active();
        first->show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame()));
        // Last a name that is not UTF-8, as a file manager lists it; saved back to the same name.
        const QByteArray folder = QFile::encodeName(f.dir().path());
        QVERIFY(DiskFiles::put(folder + "/caff\xe8.txt", "tre"));
        const auto removeRaw = qScopeGuard([folder] { ::unlink(folder + "/caff\xe8.txt"); });
        QMimeData dragged;
        dragged.setData(QStringLiteral("text/uri-list"),
                        QUrl::fromLocalFile(big).toEncoded() + "\r\nhttp://example.org/b\r\n" +
                            QUrl::fromLocalFile(a).toEncoded() + "\r\nfile://" +
                            QUrl::toPercentEncoding(f.dir().path(), "/") + "/caff%E8.txt\r\n");
        dragged.setText(a);
        QWidget* target = first->Text1->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QVERIFY(move.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &dragged, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        FrameFixture::settle();
        QCOMPARE(first->Text1->Text(), QByteArray());
        QCOMPARE(f.documents().size(), 3);
        QCOMPARE(f.documents().at(1)->Caption(), a.toUpper());
        QCOMPARE(f.documents().at(1)->Text1->Text(), QByteArray("uno"));
        frmNotePad* raw = f.documents().at(2);
        QCOMPARE(raw->Caption(), f.dir().path().toUpper() + QStringLiteral("/CAFF\uFFFD.TXT"));
        QCOMPARE(raw->Text1->Text(), QByteArray("tre"));
        raw->Text1->setSelText("quattro ");
        raw->mnuFSave_Click();
        QCOMPARE(DiskFiles::bytes(folder + "/caff\xe8.txt"), QByteArray("quattro tre\n"));
        // Beside the fixture's own folders, no file of another name.
        QList<QByteArray> names = DiskFiles::nameBytes(folder);
        names.removeOne("config");
        names.removeOne("state");
        QCOMPARE(names, (QList<QByteArray>{"a.txt", "big.txt", "caff\xe8.txt"}));
        QStringList told;
        for (const auto& call : f.dialogs().calls()) told << call.prompt;
        QCOMPARE(told, (QStringList{"'O file è troppo gruosso po pute' arapì.",
                                    "Chisto nun è nu file 'e chistu computer, nun se po' arapì: "
                                    "http://example.org/b"}));
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    void everyByteSurvivesOpenAndSave() {
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("bytes.bin"), allBytes());
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
        QVERIFY(w);
        QCOMPARE(w->Text1->Text(), allBytes());
        w->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), allBytes() + "\r\n");
        QCOMPARE(w->documentState().Changed, DocumentState::False);
        QVERIFY(f.dialogs().calls().isEmpty());
    }

    void eachKindOfFileKeepsItsKind_data() {
        // A file is opened, saved at once, then edited at its end (Enter, then typed text) and
        // saved again. The session is UTF-8 unless the row names another locale.
        QTest::addColumn<QByteArray>("locale");  // LC_ALL while the file opens
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("lf");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("saved");   // what the first save writes
        QTest::addColumn<QByteArray>("edited");  // the edited text, as the second save writes it
        QTest::addColumn<int>("length");         // TextLength after the edit
        const QString accents = QStringLiteral("\u00e8\u20ac\u0142");
        const QByteArray utf8 = "it_IT.UTF-8";
        const QByteArray typedUtf8 = "\xc3\xa8\xe2\x82\xac\xc5\x82";
        QTest::newRow("CR LF in the code page")
            << utf8 << QByteArray("a\r\nb") << accents << false << false << QByteArray("a\r\nb\r\n")
            << QByteArray("a\r\nb\r\n\xe8\x80?\r\n") << 9;
        QTest::newRow("ASCII CR LF stays in the code page in a UTF-8 session")
            << utf8 << QByteArray("a\r\nb\r\n") << accents << false << false
            << QByteArray("a\r\nb\r\n\r\n") << QByteArray("a\r\nb\r\n\r\n\xe8\x80?\r\n") << 11;
        QTest::newRow("ASCII LF ending with its line break saves as it is, in UTF-8")
            << utf8 << QByteArray("a\nb\n") << accents << true << true << QByteArray("a\nb\n")
            << QByteArray("a\nb\n\n") + typedUtf8 + "\n"
            << 8;
        QTest::newRow("ASCII LF outside a UTF-8 session stays in the code page")
            << QByteArray("it_IT.ISO-8859-1") << QByteArray("a\nb\n") << accents << true << false
            << QByteArray("a\nb\n") << QByteArray("a\nb\n\n\xe8\x80?\n") << 8;
        QTest::newRow("no locale named: the code page")
            << QByteArray("C") << QByteArray("a\n") << accents << true << false << QByteArray("a\n")
            << QByteArray("a\n\n\xe8\x80?\n") << 6;
        QTest::newRow("LF with one stray CR keeps CR LF")
            << utf8 << QByteArray("a\nb\rc") << accents << false << false
            << QByteArray("a\nb\rc\r\n") << QByteArray("a\nb\rc\r\n\xe8\x80?\r\n") << 10;
        QTest::newRow("UTF-8 with LF")
            << utf8 << QByteArray("caff\xc3\xa8\n") << accents << true << true
            << QByteArray("caff\xc3\xa8\n") << QByteArray("caff\xc3\xa8\n\n") + typedUtf8 + "\n"
            << 10;
        QTest::newRow("UTF-8 with LF outside a UTF-8 session")
            << QByteArray("C") << QByteArray("caff\xc3\xa8\n") << accents << true << true
            << QByteArray("caff\xc3\xa8\n") << QByteArray("caff\xc3\xa8\n\n") + typedUtf8 + "\n"
            << 10;
        QTest::newRow("UTF-8 with a byte-order mark and CR LF") << utf8
                                                                << QByteArray(
                                                                       "\xef\xbb\xbf"
                                                                       "ciao\r\n")
                                                                << accents << false << true
                                                                << QByteArray(
                                                                       "\xef\xbb\xbf"
                                                                       "ciao\r\n\r\n")
                                                                << QByteArray(
                                                                       "\xef\xbb\xbf"
                                                                       "ciao\r\n\r\n") +
                                                                       typedUtf8 + "\r\n"
                                                                << 12;
        QTest::newRow("UTF-8 keeps characters beyond U+FFFF")
            << utf8 << QByteArray("\xf0\x9f\x98\x80") << QStringLiteral("\U0001F600") << true
            << true << QByteArray("\xf0\x9f\x98\x80\n")
            << QByteArray("\xf0\x9f\x98\x80\n\xf0\x9f\x98\x80\n") << 5;
        QTest::newRow("invalid UTF-8 stays in the code page")
            << utf8 << QByteArray("caff\xe8\n") << accents << true << false
            << QByteArray("caff\xe8\n") << QByteArray("caff\xe8\n\n\xe8\x80?\n") << 10;
        QTest::newRow("UTF-8 cut short stays in the code page")
            << utf8 << QByteArray("caff\xc3") << accents << true << false
            << QByteArray("caff\xc3\n") << QByteArray("caff\xc3\n\xe8\x80?\n") << 9;
        QTest::newRow("UTF-8 holding a control picture stays in the code page")
            << utf8 << QByteArray("\xe2\x90\x8a") << accents << true << false
            << QByteArray("\xe2\x90\x8a\n") << QByteArray("\xe2\x90\x8a\n\xe8\x80?\n") << 7;
        QTest::newRow("pure ASCII without line breaks: LF, UTF-8")
            << utf8 << QByteArray("ciao") << accents << true << true << QByteArray("ciao\n")
            << QByteArray("ciao\n") + typedUtf8 + "\n"
            << 8;
        QTest::newRow("an empty file: LF, UTF-8")
            << utf8 << QByteArray() << accents << true << true << QByteArray("\n")
            << QByteArray("\n") + typedUtf8 + "\n"
            << 4;
        QTest::newRow("a lone CR is no line break: LF")
            << utf8 << QByteArray("a\rb") << accents << true << true << QByteArray("a\rb\n")
            << QByteArray("a\rb\n") + typedUtf8 + "\n"
            << 7;
    }

    void eachKindOfFileKeepsItsKind() {
        QFETCH(QByteArray, locale);
        QFETCH(QByteArray, file);
        QFETCH(QString, typed);
        QFETCH(bool, lf);
        QFETCH(bool, utf8);
        QFETCH(QByteArray, saved);
        QFETCH(QByteArray, edited);
        QFETCH(int, length);
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("kind"), file);
        const QByteArray session = qgetenv("LC_ALL");
        qputenv("LC_ALL", locale);
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
        qputenv("LC_ALL", session);
        QVERIFY(w);
        TextBox* box = w->Text1;
        QCOMPARE(box->format().isLf(), lf);
        QCOMPARE(box->format().isUtf8(), utf8);
        w->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), saved);

        box->setFocus();
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Return);
        // One key a character; a character beyond U+FFFF comes as one key with both halves.
        if (typed.front().isHighSurrogate()) {
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, typed, Qt::NoModifier);
        } else {
            for (const QChar c : typed)
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
        QCOMPARE(box->TextLength(), qsizetype(length));
        w->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), edited);
        QVERIFY(f.dialogs().calls().isEmpty());
    }

    void sameFileTwiceGivesTwoWindows() {
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("twice.txt"), "t");
        f.frame().files().LoadFileIntoWindow(path);
        f.frame().files().LoadFileIntoWindow(path);
        QCOMPARE(f.documents().size(), 3);
        QCOMPARE(f.documents()[1]->Tag(), QStringLiteral("2"));
        QCOMPARE(f.documents()[2]->Tag(), QStringLiteral("3"));
    }

    void saveAndSaveAsOfAnUntitledWindow() {
        FrameFixture f;
        f.frame().NewDocumentWindow();
        frmNotePad* w = f.active();
        w->Text1->setSelText("hello");

        f.dialogs().cancelSave();
        w->mnuFSave_Click();
        QCOMPARE(f.dialogs().lastCall().fileName, QString());
        QCOMPARE(w->Caption(), QStringLiteral("Senza nomme:2"));

        f.dialogs().cancelSave();
        w->mnuFSaveAs_Click();
        QCOMPARE(f.dialogs().lastCall().fileName, QStringLiteral("Senzatit.txt"));
        QCOMPARE(w->documentState().Changed, DocumentState::True);

        const QString path = f.path(QStringLiteral("Mixed/a.txt"));
        QDir(f.dir().path()).mkdir(QStringLiteral("Mixed"));
        f.dialogs().answerSave(path);
        w->mnuFSaveAs_Click();
        QCOMPARE(w->Caption(), path.toUpper());
        QCOMPARE(w->document().filePath(), path);
        QCOMPARE(w->documentState().Changed, DocumentState::False);
        QCOMPARE(FrameFixture::readFile(path), QByteArray("hello\r\n"));

        // Save now writes to the real path without asking, once more appending CR LF.
        w->Text1->setSelStart(0);
        w->Text1->setSelText(">");
        w->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), QByteArray(">hello\r\n"));

        // Save As proposes the real path, not the upper-cased caption.
        f.dialogs().cancelSave();
        w->mnuFSaveAs_Click();
        QCOMPARE(f.dialogs().lastCall().fileName, path);
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    void openAndSaveWithoutEditsAppendsALineEnd() {
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("grow.txt"), "line\r\n");
        f.frame().files().LoadFileIntoWindow(path)->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), QByteArray("line\r\n\r\n"));
        f.frame().files().LoadFileIntoWindow(path)->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), QByteArray("line\r\n\r\n\r\n"));
    }

    void theInactiveWindowsTextIsWrittenWhenItsQuestionSavesIt() {
        FrameFixture f;
        const QString a = f.writeFile(QStringLiteral("a.txt"), "A");
        const QString b = f.writeFile(QStringLiteral("b.txt"), "B");
        frmNotePad* wa = f.frame().files().LoadFileIntoWindow(a);
        frmNotePad* wb = f.frame().files().LoadFileIntoWindow(b);
        wa->Text1->setSelText("1");
        QCOMPARE(f.active(), wb);
        f.dialogs().answerMessageBox(Answer::Yes);
        wa->close();
        FrameFixture::settle();
        QCOMPARE(FrameFixture::readFile(a), QByteArray("1A\n"));
        QCOMPARE(FrameFixture::readFile(b), QByteArray("B"));
        QCOMPARE(wb->documentState().Changed, DocumentState::False);
    }

    // Another program changed the file since the window read it: every way of writing over it
    // asks first, and No leaves file and window exactly as they were; a removed file is made
    // anew after the user is told; a change that leaves the bytes as they were asks nothing.
    void aSaveChecksTheFileOnDisk_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("by");
        QTest::addColumn<QString>("expect");  // "question", "gone", "no folder" or "nothing"
        QTest::newRow("echo >>, Save") << "echo >>"
                                       << "save"
                                       << "question";
        QTest::newRow("echo >>, the save question") << "echo >>"
                                                    << "close"
                                                    << "question";
        QTest::newRow("echo >>, Save As onto it") << "echo >>"
                                                  << "saveas"
                                                  << "question";
        QTest::newRow("mv over") << "mv over"
                                 << "save"
                                 << "question";
        QTest::newRow("mv over, same bytes") << "mv over, same bytes"
                                             << "save"
                                             << "nothing";
        QTest::newRow("rewrite, same bytes") << "rewrite, same bytes"
                                             << "save"
                                             << "nothing";
        QTest::newRow("touch") << "touch"
                               << "save"
                               << "nothing";
        QTest::newRow("chmod") << "chmod"
                               << "save"
                               << "nothing";
        QTest::newRow("rm") << "rm"
                            << "save"
                            << "gone";
        QTest::newRow("mv away, the save question") << "mv away"
                                                    << "close"
                                                    << "gone";
        QTest::newRow("mv folder") << "mv folder"
                                   << "save"
                                   << "no folder";
        QTest::newRow("rm -r folder, the save question") << "rm -r folder"
                                                         << "close"
                                                         << "no folder";
    }

    // The folder of a removed file is looked up by its bytes: one whose name is not UTF-8 is
    // there, so the save makes the file again.
    void aRemovedFileIsMadeAgainInAFolderWhoseNameIsNotUtf8() {
        FrameFixture f;
        const QByteArray folder = QFile::encodeName(f.dir().path()) + "/d\xe8";
        QVERIFY(::mkdir(folder.constData(), 0755) == 0);
        const auto removeRaw = qScopeGuard([folder] {
            ::unlink(folder + "/a.txt");
            ::rmdir(folder.constData());
        });
        QVERIFY(DiskFiles::put(folder + "/a.txt", "mine\r\n"));
        const QString path = f.dir().path() + QStringLiteral("/d%1/a.txt").arg(QChar(0xDCE8));
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
        QVERIFY(w);
        w->Text1->setSelText("typed ");
        QVERIFY(::unlink(folder + "/a.txt") == 0);
        f.dialogs().answerMessageBox(Answer::Ok);
        w->mnuFSave_Click();
        QCOMPARE(f.dialogs().lastCall().prompt,
                 QStringLiteral("'O file [") + path +
                     QStringLiteral("] nun ce sta cchiù.\n\rMo se fa n'ata vota."));
        QCOMPARE(DiskFiles::bytes(folder + "/a.txt"), QByteArray("typed mine\r\n\r\n"));
        QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
                 qPrintable(f.dialogs().problems()));
    }

    void aSaveChecksTheFileOnDisk() {
        QFETCH(QString, change);
        QFETCH(QString, by);
        QFETCH(QString, expect);
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("sub/todo.txt"), "mine\r\n");
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
        w->Text1->setSelText("typed ");
        const QByteArray typed = w->Text1->Text();
        changeOnDisk(change, path);
        const QByteArray outside = DiskFiles::bytes(path);
        const QString question = QStringLiteral("N'ato programma ha cagnate 'o file [") + path +
                                 QStringLiteral(
                                     "].\n\rAstipamme 'o stesso, e chello ca ce sta "
                                     "se perde?");
        // Saves the way the row says, the save question (if any) answered Yes, then answers.
        auto save = [&](QList<Answer> answers) {
            if (by == "saveas") f.dialogs().answerSave(path);
            if (by == "close") answers.prepend(Answer::Yes);
            for (Answer a : answers) f.dialogs().answerMessageBox(a);
            if (by == "close")
                w->close();
            else if (by == "saveas")
                w->mnuFSaveAs_Click();
            else
                w->mnuFSave_Click();
        };

        if (expect == "question") {
            save({Answer::No});
            const auto& box = f.dialogs().lastCall();
            QCOMPARE(box.prompt, question);
            QCOMPARE(box.buttons, DialogService::Buttons::YesNo);
            QCOMPARE(box.icon, DialogService::Icon::Exclamation);
            QCOMPARE(box.title, QStringLiteral("MDI"));
            QCOMPARE(DiskFiles::bytes(path), outside);
            QCOMPARE(w->Text1->Text(), typed);
            QCOMPARE(w->documentState().Changed, DocumentState::True);
            QVERIFY(!w->isUnloaded());
            save({Answer::Yes});
        } else if (expect == "gone") {
            save({Answer::Ok});
            QCOMPARE(f.dialogs().lastCall().prompt,
                     QStringLiteral("'O file [") + path +
                         QStringLiteral("] nun ce sta cchiù.\n\rMo se fa n'ata vota."));
        } else if (expect == "no folder") {
            // Nothing can be made there: said once, nothing written, the window kept changed
            // (the save question then says it too, and its window stays open).
            save({Answer::Ok});
            QCOMPARE(f.dialogs().calls().size(), by == "close" ? 2 : 1);
            QCOMPARE(f.dialogs().lastCall().prompt,
                     QStringLiteral("'A cartella [") + QFileInfo(path).absolutePath() +
                         QStringLiteral("] d' 'o file [") + path +
                         QStringLiteral("] nun ce sta cchiù.\n\rNun se po' astipà llà: 'o testo "
                                        "resta ccà, astipatelo cu n'ato nomme."));
            QCOMPARE(DiskFiles::bytes(path), QByteArray("<no file>"));
            QCOMPARE(w->documentState().Changed, DocumentState::True);
            QVERIFY(!w->isUnloaded());
            QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
                     qPrintable(f.dialogs().problems()));
            return;
        } else {
            save({});
        }
        QCOMPARE(DiskFiles::bytes(path), typed + "\r\n");
        QVERIFY(by == "close" ? w->isUnloaded() : w->documentState().Changed == 0);
        QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
                 qPrintable(f.dialogs().problems()));
    }

    // Two windows on one file: the second cannot undo the first's save without being asked, and
    // a window's own saves never ask.
    void aSecondWindowCannotSilentlyUndoTheFirstsSave() {
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("shared.txt"), "base\r\n");
        frmNotePad* first = f.frame().files().LoadFileIntoWindow(path);
        frmNotePad* second = f.frame().files().LoadFileIntoWindow(path);
        first->Text1->setSelText("1");
        first->mnuFSave_Click();
        first->mnuFSave_Click();
        QVERIFY(f.dialogs().calls().isEmpty());
        second->Text1->setSelText("2");
        f.dialogs().answerMessageBox(Answer::No);
        second->mnuFSave_Click();
        QCOMPARE(DiskFiles::bytes(path), QByteArray("1base\r\n\r\n"));
        QCOMPARE(f.dialogs().lastCall().buttons, DialogService::Buttons::YesNo);
        QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
                 qPrintable(f.dialogs().problems()));
    }

    // Another program appends to the file right after the save's last check: the save goes on,
    // and what the file held then, the appended lines with it, opens in a window of its own,
    // unsaved, and the user is told.
    void anAppendDuringTheSaveIsKeptInAWindowOfItsOwn() {
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("log.txt"), "one\r\n");
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
        w->Text1->setSelText("mine ");
        int appends = 0;
        f.frame().files().setAfterCheck([&] {
            if (appends++ == 0) changeOnDisk("echo >>", path);
        });
        f.dialogs().answerMessageBox(Answer::Ok);
        w->mnuFSave_Click();
        QCOMPARE(DiskFiles::bytes(path), QByteArray("mine one\r\n\r\n"));
        QCOMPARE(w->documentState().Changed, DocumentState::False);
        frmNotePad* kept = f.active();
        QVERIFY(kept != w);
        QCOMPARE(kept->Caption(), QStringLiteral("Senza nomme:") + kept->Tag());
        QCOMPARE(kept->Text1->Text(), QByteArray("one\r\noutside\n"));
        QCOMPARE(kept->documentState().Changed, DocumentState::True);
        QCOMPARE(f.dialogs().lastCall().prompt,
                 QStringLiteral("N'ato programma ha scritto dint' 'o file [") + path +
                     QStringLiteral("] mentre 'o stevo astipanno.\n\rChello ca ce steva primma, "
                                    "cu chello ca ce scrivette ll'ato programma, sta mo dint' 'a "
                                    "fenesta [") +
                     kept->Caption() + QStringLiteral("]."));
        QCOMPARE(f.dialogs().lastCall().icon, DialogService::Icon::Exclamation);
        // The window's own file is not told of as another program's change.
        f.frame().files().recheckDisk(w->document());
        QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
                 qPrintable(f.dialogs().problems()));
    }

    // While the window is open: a file with other bytes is offered for reloading when the window
    // has no unsaved changes, and reported when it has; a removed file is reported. Each change
    // once: checking again says nothing more until the file changes again.
    void aChangeWhileOpenIsToldOnce_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("edited");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("told");  // the second line of the box; empty: no box
        QTest::addColumn<QString>("then");  // the box after the answer; empty: none
        const QString reload = QStringLiteral("'O leggimme n'ata vota 'a ccà?");
        QTest::newRow("reload, Yes") << "mv over" << false << int(Answer::Yes) << reload << "";
        QTest::newRow("reload, No") << "echo >>" << false << int(Answer::No) << reload << "";
        QTest::newRow("reload of a file grown too large")
            << "grow" << false << int(Answer::Yes) << reload
            << QStringLiteral("'O file è troppo gruosso po pute' arapì.");
        QTest::newRow("unsaved edits")
            << "echo >>" << true << int(Answer::Ok)
            << QStringLiteral("Nun tocco niente: quanno astipate, ve spio primma.") << "";
        QTest::newRow("rm") << "rm" << true << int(Answer::Ok)
                            << QStringLiteral(
                                   "'O testo resta ccà: si l'astipate, 'o file se fa n'ata vota.")
                            << "";
        QTest::newRow("touch") << "touch" << false << int(Answer::Ok) << QString() << "";
        QTest::newRow("mv folder")
            << "mv folder" << true << int(Answer::Ok)
            << QStringLiteral("nun ce sta cchiù.\n\r'O testo resta ccà: astipatelo cu n'ato nomme.")
            << "";
    }

    void aChangeWhileOpenIsToldOnce() {
        QFETCH(QString, change);
        QFETCH(bool, edited);
        QFETCH(int, answer);
        QFETCH(QString, told);
        QFETCH(QString, then);
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("sub/todo.txt"), "mine\r\n");
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
        if (edited) w->Text1->setSelText("typed ");
        const QByteArray before = w->Text1->Text();
        changeOnDisk(change, path);
        const QByteArray outside = DiskFiles::bytes(path);
        if (!told.isEmpty()) f.dialogs().answerMessageBox(Answer(answer));
        if (!then.isEmpty()) f.dialogs().answerMessageBox(Answer::Ok);
        const int boxes = int(!told.isEmpty()) + int(!then.isEmpty());
        // Activating the window checks it, as does a report of the watcher.
        f.frame().mdiArea()->setActiveSubWindow(nullptr);
        f.frame().mdiArea()->setActiveSubWindow(w);
        FrameFixture::settle();
        QCOMPARE(f.dialogs().calls().size(), boxes);
        f.frame().files().recheckDisk(w->document());
        QCOMPARE(f.dialogs().calls().size(), boxes);
        QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
                 qPrintable(f.dialogs().problems()));
        if (!told.isEmpty()) QVERIFY(f.dialogs().calls().first().prompt.endsWith(told));
        if (!then.isEmpty()) QCOMPARE(f.dialogs().lastCall().prompt, then);
        const bool reloaded = answer == int(Answer::Yes) && then.isEmpty();
        QCOMPARE(w->Text1->Text(), reloaded ? outside : before);
        QCOMPARE(w->documentState().Changed, edited ? DocumentState::True : DocumentState::False);
        QCOMPARE(DiskFiles::bytes(path), outside);

        // The next Save asks unless the window now holds what is on disk; a removal already told
        // is not told again.
        if (told.isEmpty() || reloaded) return;
        if (change != "rm")
            f.dialogs().answerMessageBox(change == "mv folder" ? Answer::Ok : Answer::No);
        w->mnuFSave_Click();
        QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
                 qPrintable(f.dialogs().problems()));
        QCOMPARE(DiskFiles::bytes(path), change == "rm" ? before + "\r\n" : outside);
    }

    // Another program appends to the file, faster than the watcher's moment of quiet, while the
    // user types in its window: no notice comes while the keys come, every key reaches the text,
    // and the change is told once, soon after the typing pauses, although the file goes on
    // changing. (e2e_open_save types while a line comes every 0.3 s.)
    void typingWhileAnotherProgramAppends() {
        const int everyMs = 60;
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("log.txt"), "w0000\n");
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
        QVERIFY(w);
        w->Text1->setFocus();
        int lines = 0;
        QTimer appender;
        QObject::connect(&appender, &QTimer::timeout, [&] {
            QFile log(path);
            if (log.open(QIODevice::Append))
                log.write(QByteArray::number(++lines).rightJustified(4, '0').prepend('w') + '\n');
        });
        appender.start(everyMs);
        QString typed;
        for (int i = 0; i < 60; ++i) {
            const QChar c(u'a' + i % 26);
            typed += c;
            QTest::sendKeyEvent(QTest::Click, w->Text1, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
            QTest::qWait(40);
        }
        QVERIFY2(f.dialogs().calls().isEmpty(), "a notice came while the user typed");
        QCOMPARE(w->Text1->chars(), typed + QStringLiteral("w0000\n"));
        f.dialogs().answerMessageBox(Answer::Ok);
        QTRY_COMPARE_WITH_TIMEOUT(f.dialogs().calls().size(), 1, 4000);
        QVERIFY(appender.isActive());
        QVERIFY(f.dialogs().lastCall().prompt.endsWith(
            QStringLiteral("Nun tocco niente: quanno astipate, ve spio primma.")));
        QTest::qWait(2500);
        appender.stop();
        QTest::qWait(500);
        QCOMPARE(f.dialogs().calls().size(), 1);
        QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
                 qPrintable(f.dialogs().problems()));
        w->documentState().Changed = DocumentState::False;
    }

    // Windows with unsaved edits when the program ends without closing them: a copy of each is
    // on disk that only the user may read, a frame running at the same time leaves the copies
    // alone, and the next start offers them back with one question. Yes reopens each, marked
    // changed, and saving it writes what its window would have written; No discards them. A
    // save or a close removes a window's copy, so that nothing is left once all are closed.
    void unsavedWindowsComeBackAfterAnUncleanEnd_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }

    void unsavedWindowsComeBackAfterAnUncleanEnd() {
        QFETCH(bool, yes);
        QTemporaryDir shared;
        const QString state = shared.filePath(QStringLiteral("state"));
        const QString folder = state + QStringLiteral("/Tavulella");
        auto copies = [&] { return QDir(folder).entryList({QStringLiteral("*.snap")}); };
        auto mode = [](const QString& path) {
            struct stat st {};
            return ::stat(QFile::encodeName(path), &st) == 0 ? int(st.st_mode & 0777) : -1;
        };
        const QString lfPath = shared.filePath(QStringLiteral("lf.txt"));
        const QString utf8Path = shared.filePath(QStringLiteral("utf8.txt"));
        QVERIFY(DiskFiles::put(lfPath, "uno\ndue\n"));
        QVERIFY(DiskFiles::put(utf8Path, "caff\xc3\xa8\n"));

        QList<QByteArray> expected;  // what saving each changed window would write
        auto ended = std::make_unique<FrameFixture>(nullptr, state);
        {
            FrameFixture& f = *ended;
            f.active()->Text1->setSelChars(QStringLiteral("pagina nova"));
            for (const QString& path : {lfPath, utf8Path}) {
                frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
                QVERIFY(w);
                w->Text1->setSelStart(w->Text1->TextLength());
                w->Text1->setSelChars(QStringLiteral("jonta \u00e8"));
            }
            for (frmNotePad* w : f.documents())
                expected << w->Text1->Text() + w->Text1->format().lineEndAfter(w->Text1->Text());
            QVERIFY(f.frame().files().LoadFileIntoWindow(lfPath));  // unchanged: no copy
            f.frame().NewDocumentWindow();
            frmNotePad* toSave = f.active();
            toSave->Text1->setSelChars(QStringLiteral("astipato"));
            f.frame().NewDocumentWindow();
            frmNotePad* toClose = f.active();
            toClose->Text1->setSelChars(QStringLiteral("jettato"));
            f.frame().snapshots().flush();
            QCOMPARE(copies().size(), 5);
            QCOMPARE(mode(folder), 0700);
            for (const QString& name : copies()) QCOMPARE(mode(folder + '/' + name), 0600);

            f.dialogs().answerSave(shared.filePath(QStringLiteral("astipato.txt")));
            toSave->mnuFSaveAs_Click();
            f.dialogs().answerMessageBox(Answer::No);
            toClose->close();
            FrameFixture::settle();
            QCOMPARE(copies().size(), 3);

            // Edits of every kind after the copies were written, which only the journals hold:
            // typing and undo, a paste and an input method's commit, a drop and the whole text
            // set anew.
            const QList<frmNotePad*> edited = f.documents().mid(0, 3);
            TextBox* box = edited[0]->Text1;
            QTest::keyClicks(box, QStringLiteral(" e n'ata "));
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QStringLiteral("\u00e8"),
                                Qt::NoModifier);
            box->undo();
            QTest::keyClicks(box, QStringLiteral(" riga"));
            QTest::keyClick(box, Qt::Key_Return);
            box = edited[1]->Text1;
            box->setSelStart(2);
            QGuiApplication::clipboard()->setText(QStringLiteral("incollato\n"));
            f.frame().mdiArea()->setActiveSubWindow(edited[1]);
            edited[1]->mnuEPaste->trigger();
            QInputMethodEvent commit;
            commit.setCommitString(QStringLiteral("\u00ec"));
            QApplication::sendEvent(box, &commit);
            box = edited[2]->Text1;
            box->setChars(QStringLiteral("tutto nuovo \u20ac\n"));
            QMimeData dropped;
            dropped.setText(QStringLiteral("lassato "));
            const QPoint at = box->cursorRect(QTextCursor(box->document())).center();
            QDragEnterEvent enter(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(box->viewport(), &enter);
            QDropEvent drop(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(box->viewport(), &drop);
            QCOMPARE(box->chars(), QStringLiteral("lassato tutto nuovo \u20ac\n"));
            expected.clear();
            for (frmNotePad* w : edited)
                expected << w->Text1->Text() + w->Text1->format().lineEndAfter(w->Text1->Text());

            FrameFixture other(nullptr, state);
            other.frame().snapshots().offerRecovery();
            QVERIFY(other.dialogs().calls().isEmpty());
        }
        QCOMPARE(copies().size(), 3);
        ended.reset();  // its windows still open, as when the program is killed
        QCOMPARE(copies().size(), 3);

        // Another program rewrites a file while no frame runs.
        QVERIFY(DiskFiles::put(lfPath, "riscritto\n"));

        FrameFixture f(nullptr, state);
        f.dialogs().answerMessageBox(yes ? Answer::Yes : Answer::No);
        f.frame().snapshots().offerRecovery();
        QCOMPARE(f.dialogs().calls().size(), 1);
        const auto& question = f.dialogs().lastCall();
        QCOMPARE(question.prompt,
                 QStringLiteral("'O prugramma s'è stutato 'e botta primma 'e astipà tutte cose.\n"
                                "Vulimme arapì n'ata vota chello ca nun era astipato?"));
        QCOMPARE(question.buttons, DialogService::Buttons::YesNoDefaultYes);
        QCOMPARE(question.title, QStringLiteral("MDI"));
        const QList<frmNotePad*> windows = f.documents();
        if (!yes) {
            QCOMPARE(windows.size(), 1);
            QVERIFY(copies().isEmpty());
            return;
        }
        QCOMPARE(windows.size(), 4);
        QVERIFY(!QFile::exists(f.settings().file()));  // the recent-files list is as it was
        // Whether the window's text was made from the file as it is now cannot be known: its
        // first Save asks, and No leaves the file alone.
        f.dialogs().answerMessageBox(Answer::No);
        windows[2]->mnuFSave_Click();
        QCOMPARE(f.dialogs().lastCall().prompt,
                 QStringLiteral("N'ato programma putesse avé cagnate 'o file [") + lfPath +
                     QStringLiteral("] mentre 'o prugramma era stutato.\n\rAstipamme 'o stesso, "
                                    "e chello ca ce sta se perde?"));
        QCOMPARE(f.dialogs().lastCall().buttons, DialogService::Buttons::YesNo);
        QCOMPARE(DiskFiles::bytes(lfPath), QByteArray("riscritto\n"));
        const QStringList captions{QStringLiteral("Senza nomme:2"), lfPath.toUpper(),
                                   utf8Path.toUpper()};
        for (int i = 0; i < 3; ++i) {
            frmNotePad* w = windows[i + 1];
            QCOMPARE(w->Caption(), captions[i]);
            QCOMPARE(w->documentState().Changed, DocumentState::True);
            const QString saved = shared.filePath(QStringLiteral("saved%1").arg(i));
            f.dialogs().answerSave(saved);
            w->mnuFSaveAs_Click();
            QCOMPARE(DiskFiles::bytes(saved), expected[i]);
        }
        QVERIFY(copies().isEmpty());
    }
};

QTEST_MAIN(tst_FileCommands)
#include "tst_filecommands.moc"
