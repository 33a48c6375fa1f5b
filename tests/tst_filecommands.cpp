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

    static QByteArray allBytes()
    {
        QByteArray bytes;
        for (int i = 0; i < 256; ++i) bytes.append(char(i));
        return bytes + QByteArray("\r\n\r\r\n\n\r");
    }

private slots:
    void theSizeLimitOfTheOpenDialog_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("opens");
        QTest::newRow("65000 bytes") << 65000 << true;
        QTest::newRow("65001 bytes") << 65001 << false;
        QTest::newRow("empty") << 0 << true;
    }

    void theSizeLimitOfTheOpenDialog()
    {
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

    void aMissingFileFromTheDialogStillShowsTheEditButtons()
    {
        FrameFixture f;
        f.active()->mnuFClose_Click();
        FrameFixture::settle();
        QVERIFY(!f.frame().picToolbar()->editButtonsVisible());
        const QString path = f.path(QStringLiteral("gone.txt"));
        f.dialogs().answerOpen(path);
        f.dialogs().answerMessageBox(Answer::Ok);
        f.frame().mnuFOpen_Click();
        QCOMPARE(f.dialogs().lastCall().prompt, QStringLiteral("Impossibile aprire il file: ") + path);
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

    void everyByteSurvivesOpenAndSave()
    {
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

    void sameFileTwiceGivesTwoWindows()
    {
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("twice.txt"), "t");
        f.frame().files().LoadFileIntoWindow(path);
        f.frame().files().LoadFileIntoWindow(path);
        QCOMPARE(f.documents().size(), 3);
        QCOMPARE(f.documents()[1]->Tag(), QStringLiteral("2"));
        QCOMPARE(f.documents()[2]->Tag(), QStringLiteral("3"));
    }

    void saveAndSaveAsOfAnUntitledWindow()
    {
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

    void openAndSaveWithoutEditsAppendsALineEnd()
    {
        FrameFixture f;
        const QString path = f.writeFile(QStringLiteral("grow.txt"), "line");
        f.frame().files().LoadFileIntoWindow(path)->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), QByteArray("line\r\n"));
        f.frame().files().LoadFileIntoWindow(path)->mnuFSave_Click();
        QCOMPARE(FrameFixture::readFile(path), QByteArray("line\r\n\r\n"));
    }

    void theInactiveWindowsTextIsWrittenWhenItsQuestionSavesIt()
    {
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
