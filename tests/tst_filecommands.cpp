#include <QMimeData>
#include <QtTest>

#include "FrameFixture.h"
#include "document/TextBox.h"
#include "document/frmNotePad.h"
#include "files/FileCommands.h"
#include "frame/Toolbar.h"

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
        QMimeData dragged;
        dragged.setUrls({QUrl::fromLocalFile(big), QUrl(QStringLiteral("http://example.org/b")),
                         QUrl::fromLocalFile(a)});
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
        QCOMPARE(f.documents().size(), 2);
        QCOMPARE(f.active()->Caption(), a.toUpper());
        QCOMPARE(f.active()->Text1->Text(), QByteArray("uno"));
        QStringList told;
        for (const auto& call : f.dialogs().calls()) told << call.prompt;
        QCOMPARE(told, (QStringList{"'O file è troppo gruosso po pute' arapì.",
                                    "Chisto nun è 'nu file 'e chistu computer, nun se po' arapì: "
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
        // saved again.
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("lf");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("edited");  // the edited text, as the second save writes it
        QTest::addColumn<int>("length");         // TextLength after the edit
        const QString accents = QStringLiteral("\u00e8\u20ac\u0142");
        QTest::newRow("CR LF in the code page") << QByteArray("a\r\nb") << accents << false << false
                                                << QByteArray("a\r\nb\r\n\xe8\x80?") << 9;
        QTest::newRow("LF alone") << QByteArray("a\nb\n") << accents << true << false
                                  << QByteArray("a\nb\n\n\xe8\x80?") << 8;
        QTest::newRow("LF with one stray CR keeps CR LF")
            << QByteArray("a\nb\rc") << accents << false << false
            << QByteArray("a\nb\rc\r\n\xe8\x80?") << 10;
        QTest::newRow("UTF-8 with LF")
            << QByteArray("caff\xc3\xa8\n") << accents << true << true
            << QByteArray("caff\xc3\xa8\n\n\xc3\xa8\xe2\x82\xac\xc5\x82") << 10;
        QTest::newRow("UTF-8 with a byte-order mark and CR LF")
            << QByteArray(
                   "\xef\xbb\xbf"
                   "ciao\r\n")
            << accents << false << true
            << QByteArray(
                   "\xef\xbb\xbf"
                   "ciao\r\n\r\n\xc3\xa8\xe2\x82\xac\xc5\x82")
            << 12;
        QTest::newRow("UTF-8 keeps characters beyond U+FFFF")
            << QByteArray("\xf0\x9f\x98\x80") << QStringLiteral("\U0001F600") << false << true
            << QByteArray("\xf0\x9f\x98\x80\r\n\xf0\x9f\x98\x80") << 6;
        QTest::newRow("invalid UTF-8 stays in the code page")
            << QByteArray("caff\xe8\n") << accents << true << false
            << QByteArray("caff\xe8\n\n\xe8\x80?") << 10;
        QTest::newRow("UTF-8 cut short stays in the code page")
            << QByteArray("caff\xc3") << accents << false << false
            << QByteArray("caff\xc3\r\n\xe8\x80?") << 10;
        QTest::newRow("UTF-8 holding a control picture stays in the code page")
            << QByteArray("\xe2\x90\x8a") << accents << false << false
            << QByteArray("\xe2\x90\x8a\r\n\xe8\x80?") << 8;
        QTest::newRow("pure ASCII without line breaks")
            << QByteArray("ciao") << accents << false << false << QByteArray("ciao\r\n\xe8\x80?")
            << 9;
    }

    void eachKindOfFileKeepsItsKind() {
        QFETCH(QByteArray, file);
        QFETCH(QString, typed);
        QFETCH(bool, lf);
        QFETCH(bool, utf8);
        QFETCH(QByteArray, edited);
        QFETCH(int, length);
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("kind"), file);
        frmNotePad* w = f.frame().files().LoadFileIntoWindow(path);
        QVERIFY(w);
        TextBox* box = w->Text1;
        QCOMPARE(box->format().isLf(), lf);
        QCOMPARE(box->format().isUtf8(), utf8);
        const QByteArray lineEnd = lf ? "\n" : "\r\n";
        w->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), file + lineEnd);

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
        QCOMPARE(FrameFixture::readFile(path), edited + lineEnd);
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
        QCOMPARE(w->filePath(), path);
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
        const QString path = f.writeFile(QStringLiteral("grow.txt"), "line");
        f.frame().files().LoadFileIntoWindow(path)->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), QByteArray("line\r\n"));
        f.frame().files().LoadFileIntoWindow(path)->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), QByteArray("line\r\n\r\n"));
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
        QCOMPARE(FrameFixture::readFile(a), QByteArray("1A\r\n"));
        QCOMPARE(FrameFixture::readFile(b), QByteArray("B"));
        QCOMPARE(wb->documentState().Changed, DocumentState::False);
    }
};

QTEST_MAIN(tst_FileCommands)
#include "tst_filecommands.moc"
