#include <QAbstractTextDocumentLayout>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "FrameFixture.h"
#include "core/text/PrintableText.h"
#include "gui/document/DocumentPrinter.h"
#include "gui/document/frmNotePad.h"
#include "gui/textbox/TextBox.h"

// Printing a document's text: the layout on paper, a PDF printout read back, and what the user
// is told of each outcome of a print job. The print system of the machine is never used here: the
// spooler address points nowhere, so the machine has no default printer for these tests (the
// end-to-end check e2e_print prints through a real spooler).
class tst_Print : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_pdftotext;
    QString m_pdftoppm;

    QString pdfPath(const QString& name) const { return m_dir.filePath(name + ".pdf"); }

    static std::unique_ptr<QPrinter> pdfPrinter(const QString& path) {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        return printer;
    }

    static int pageCount(const QString& pdf) {
        QFile f(pdf);
        if (!f.open(QIODevice::ReadOnly)) return -1;
        // Every page object carries "/Type /Page" (the page tree says "/Pages").
        const QRegularExpression page(QStringLiteral("/Type\\s*/Page(?![s])"));
        return int(QString::fromLatin1(f.readAll()).count(page));
    }

    // The text pdftotext reads from the PDF, or a null string when it is not installed.
    QString pdfText(const QString& pdf) const {
        if (m_pdftotext.isEmpty()) return QString();
        QProcess p;
        p.start(m_pdftotext,
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0)
            return QStringLiteral("<pdftotext failed>");
        // Ligatures ("ff" set as one glyph) come back as their letters.
        return QString::fromUtf8(p.readAllStandardOutput())
            .normalized(QString::NormalizationForm_KC);
    }

    // A printer that records the jobs it is given and answers each with one outcome.
    class StandInPrinter : public SystemServices {
    public:
        explicit StandInPrinter(DocumentPrinter::Outcome outcome) : m_outcome(outcome) {}
        void showAbout() override { QFAIL("no About box was asked for"); }
        DocumentPrinter::Outcome print(const QString& chars, const QString& jobName) override {
            jobs << jobName + QLatin1Char('|') + chars;
            return m_outcome;
        }
        SettingsStore& settings() override { return m_settings; }
        QStringList jobs;

    private:
        DocumentPrinter::Outcome m_outcome;
        TempSettings::Store m_settings;
    };

    static QString withoutSpace(QString s) {
        s.remove(QRegularExpression(QStringLiteral("\\s")));
        return s;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // No spooler for these tests: a local socket that does not exist, and no printer named
        // by the environment.
        qputenv("CUPS_SERVER", m_dir.filePath(QStringLiteral("no-cups.sock")).toLocal8Bit());
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        m_pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        m_pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
        if (m_pdftotext.isEmpty())
            qWarning("pdftotext is not installed: PDFs are checked by their pages only");
    }

    void lineEndsStartNewLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("printed");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("CR LF") << QByteArray("uno\r\ndoje") << "uno\ndoje";
        QTest::newRow("lone LF") << QByteArray("uno\ndoje") << "uno\ndoje";
        QTest::newRow("lone CR") << QByteArray("uno\rdoje") << "uno\ndoje";
        QTest::newRow("CR CR LF") << QByteArray("uno\r\r\ndoje") << "uno\n\ndoje";
        QTest::newRow("LF CR") << QByteArray("uno\n\rdoje") << "uno\n\ndoje";
        QTest::newRow("trailing CR LF") << QByteArray("uno\r\n") << "uno\n";
        QTest::newRow("tab kept") << QByteArray("a\tb") << "a\tb";
        QTest::newRow("code page")
            << QByteArray("caff\xE8 \x80 \xA0.") << QStringLiteral("caffè € \u00A0.");
    }

    void lineEndsStartNewLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, printed);
        QCOMPARE(PrintableText::from(bytes), printed);
    }

    void longLinesWrapWithinThePage_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("words") << QByteArray("na parola ").repeated(200);
        QTest::newRow("one long word") << QByteArray("x").repeated(3000);
        QTest::newRow("tabs") << QByteArray("a\t").repeated(500);
    }

    void longLinesWrapWithinThePage() {
        QFETCH(QByteArray, line);
        std::unique_ptr<QTextDocument> doc = DocumentPrinter::layoutDocument(line + "\r\nfine");
        const qreal width = 400;
        doc->setPageSize(QSizeF(width, 600));
        doc->documentLayout()->documentSize();  // lays the whole document out
        QTextBlock block = doc->firstBlock();
        QTextLayout* layout = block.layout();
        QVERIFY(layout->lineCount() > 1);
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine l = layout->lineAt(i);
            QVERIFY2(
                l.x() >= 0 && l.x() + l.naturalTextWidth() <= width + 0.5,
                qPrintable(QStringLiteral("line %1 is %2 wide").arg(i).arg(l.naturalTextWidth())));
        }
        // Nothing is lost: the lines together hold the whole text.
        int chars = 0;
        for (int i = 0; i < layout->lineCount(); ++i) chars += layout->lineAt(i).textLength();
        QCOMPARE(chars, line.size());
        QCOMPARE(block.next().text(), QStringLiteral("fine"));
    }

    void aPdfPrintoutHoldsTheText() {
        const QString pdf = pdfPath(QStringLiteral("short"));
        auto printer = pdfPrinter(pdf);
        const QByteArray text(
            "Chesta \xE8 'a primma riga.\r\nE chesta 'a seconda, c\xF9 'nu caff\xE8.\r\n");
        QVERIFY(DocumentPrinter::print(text, *printer));
        QVERIFY(QFileInfo(pdf).size() > 0);
        QCOMPARE(pageCount(pdf), 1);
        const QString read = pdfText(pdf);
        if (read.isNull()) return;
        QVERIFY2(read.contains(QStringLiteral("Chesta è 'a primma riga.")), qPrintable(read));
        QVERIFY2(read.contains(QStringLiteral("E chesta 'a seconda, cù 'nu caffè.")),
                 qPrintable(read));
        // The two lines come out as two lines, in order.
        QVERIFY(read.indexOf(QStringLiteral("primma")) < read.indexOf(QStringLiteral("seconda")));
        QVERIFY(!read.section(QLatin1Char('\n'), 0, 0).contains(QStringLiteral("seconda")));
    }

    void aLongTextBreaksIntoPagesAndPrintsEachLineOnce() {
        const QString pdf = pdfPath(QStringLiteral("long"));
        auto printer = pdfPrinter(pdf);
        QByteArray text;
        for (int i = 1; i <= 300; ++i) text += "Riga numero " + QByteArray::number(i) + "\r\n";
        const QByteArray longWord = QByteArray("abcdefghij").repeated(60);
        text += longWord + "\r\n";
        // A line of words long enough to wrap across several page boundaries.
        for (int i = 1; i <= 9000; ++i) text += "p" + QByteArray::number(i) + ' ';
        text += "\r\nL'urdema riga.";
        QVERIFY(DocumentPrinter::print(text, *printer));
        const int pages = pageCount(pdf);
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        const QString read = pdfText(pdf);
        if (read.isNull()) return;
        // pdftotext starts each page after the first with a form feed.
        const QStringList printed = read.split(QRegularExpression(QStringLiteral("[\n\f]")));
        int last = -1;
        for (int i = 1; i <= 300; ++i) {
            const QString line = QStringLiteral("Riga numero %1").arg(i);
            const qsizetype at = printed.indexOf(line);
            QVERIFY2(at >= 0, qPrintable(QStringLiteral("line %1 is missing").arg(i)));
            // A line at the foot of a page must not show again at the top of the next one.
            QVERIFY2(printed.lastIndexOf(line) == at,
                     qPrintable(QStringLiteral("line %1 is printed more than once").arg(i)));
            QVERIFY2(at > last, qPrintable(QStringLiteral("line %1 is out of order").arg(i)));
            last = at;
        }
        // The long word is wrapped onto several lines, not cut off at the edge of the page.
        QVERIFY(withoutSpace(read).contains(QString::fromLatin1(longWord)));
        QVERIFY(read.contains(QStringLiteral("L'urdema riga.")));
        // Each line once: nothing at a page boundary is repeated or left out, inside a wrapped
        // line either.
        QCOMPARE(withoutSpace(read), withoutSpace(QString::fromLatin1(text)));
        // One page break per form feed in pdftotext's output.
        QCOMPARE(int(read.count(QLatin1Char('\f'))), pages);
    }

    void anEmptyTextStillPrintsAPage() {
        const QString pdf = pdfPath(QStringLiteral("empty"));
        auto printer = pdfPrinter(pdf);
        QVERIFY(DocumentPrinter::print(QByteArray(), *printer));
        QCOMPARE(pageCount(pdf), 1);
    }

    void thePrintoutIsBlackOnWhite() {
        // Whatever the program's colours, the paper gets dark text on white.
        if (m_pdftoppm.isEmpty()) QSKIP("pdftoppm is not installed");
        QPalette coloured = QApplication::palette();
        coloured.setColor(QPalette::Text, QColor(0, 0, 255));
        coloured.setColor(QPalette::Base, QColor(255, 0, 0));
        const QPalette old = QApplication::palette();
        QApplication::setPalette(coloured);
        const QString pdf = pdfPath(QStringLiteral("colours"));
        auto printer = pdfPrinter(pdf);
        const bool printed =
            DocumentPrinter::print(QByteArray("MMMM WWWW ").repeated(40), *printer);
        QApplication::setPalette(old);
        QVERIFY(printed);
        const QString png = m_dir.filePath(QStringLiteral("colours"));
        QCOMPARE(QProcess::execute(
                     m_pdftoppm, {QStringLiteral("-r"), QStringLiteral("50"),
                                  QStringLiteral("-png"), QStringLiteral("-singlefile"), pdf, png}),
                 0);
        QImage page(png + QStringLiteral(".png"));
        QVERIFY(!page.isNull());
        page = page.convertToFormat(QImage::Format_RGB32);
        int dark = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                QVERIFY2(
                    qAbs(c.red() - c.blue()) < 16 && qAbs(c.red() - c.green()) < 16,
                    qPrintable(QStringLiteral("colour %1 at %2,%3").arg(c.name()).arg(x).arg(y)));
                if (c.red() < 128) ++dark;
            }
        }
        QVERIFY(dark > 0);
        QCOMPARE(page.pixelColor(0, 0), QColor(Qt::white));
    }

    void aPrinterThatCannotStartReportsFailure() {
        auto printer = pdfPrinter(m_dir.filePath(QStringLiteral("no/such/folder/out.pdf")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(".*")));
        QVERIFY(!DocumentPrinter::print(QByteArray("testo"), *printer));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("no/such/folder/out.pdf"))));
    }

    void withNoPrinterTheUserIsToldAndGoesOn() {
        QCOMPARE(DocumentPrinter::printOnDefaultPrinter(QByteArray("x"), QStringLiteral("x")),
                 DocumentPrinter::Outcome::NoPrinter);

        FrameFixture f;
        frmNotePad* w = f.active();
        w->Text1->setSelText("Stu testo resta.");
        f.dialogs().answerMessageBox(DialogService::Answer::Ok);
        w->mnufprint->trigger();
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
        QCOMPARE(f.dialogs().calls().size(), 1);
        const auto& call = f.dialogs().lastCall();
        QCOMPARE(call.prompt,
                 QStringLiteral("Nun ce sta nisciuna stampante: nun se po' stampa' niente."));
        QCOMPARE(call.buttons, DialogService::Buttons::Ok);
        QCOMPARE(call.icon, DialogService::Icon::Exclamation);
        QCOMPARE(call.title, QStringLiteral("MDI"));
        QCOMPARE(call.parent.data(), static_cast<QWidget*>(w));
        // The program goes on with the window as it was.
        QCOMPARE(f.documents().size(), 1);
        QCOMPARE(w->Text1->Text(), QByteArray("Stu testo resta."));
        QCOMPARE(w->documentState().Changed, DocumentState::True);
        // And the command can be chosen again.
        f.dialogs().answerMessageBox(DialogService::Answer::Ok);
        w->mnufprint->trigger();
        QCOMPARE(f.dialogs().calls().size(), 2);
        QVERIFY(f.dialogs().allAnswersUsed());
    }

    void eachOutcomeIsReported_data() {
        QTest::addColumn<DocumentPrinter::Outcome>("outcome");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<DialogService::Icon>("icon");
        QTest::newRow("sent") << DocumentPrinter::Outcome::Sent
                              << QStringLiteral("Da' n'uocchio si sta stampanne bbuono! ")
                              << DialogService::Icon::None;
        QTest::newRow("refused")
            << DocumentPrinter::Outcome::PrinterError
            << QStringLiteral("'A stampante nun ha pigliato 'o lavoro: nun s'è stampato niente.")
            << DialogService::Icon::Exclamation;
    }

    void eachOutcomeIsReported() {
        QFETCH(DocumentPrinter::Outcome, outcome);
        QFETCH(QString, prompt);
        QFETCH(DialogService::Icon, icon);
        auto services = std::make_unique<StandInPrinter>(outcome);
        StandInPrinter& printer = *services;
        FrameFixture f(std::move(services));
        frmNotePad* w = f.active();
        w->Text1->setSelText("riga uno\r\nriga doje");
        f.dialogs().answerMessageBox(DialogService::Answer::Ok);
        w->mnufprint->trigger();
        // One job, named after the window, with the window's characters.
        QCOMPARE(printer.jobs,
                 QStringList{w->Caption() + QStringLiteral("|riga uno\r\nriga doje")});
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
        QCOMPARE(f.dialogs().calls().size(), 1);
        const auto& call = f.dialogs().lastCall();
        QCOMPARE(call.prompt, prompt);
        QCOMPARE(call.buttons, DialogService::Buttons::Ok);
        QCOMPARE(call.icon, icon);
        QCOMPARE(call.title, QStringLiteral("MDI"));
        QCOMPARE(call.parent.data(), static_cast<QWidget*>(w));
    }

    void theMenuItem() {
        FrameFixture f;
        frmNotePad* w = f.active();
        QCOMPARE(w->mnufprint->text(), QStringLiteral("'&O niro 'ncoppo 'a carta"));
        QVERIFY(w->mnufprint->shortcut().isEmpty());
        emit w->mnufile->aboutToShow();
        QVERIFY(w->mnufile->actions().contains(w->mnufprint));
    }
};

QTEST_MAIN(tst_Print)
#include "tst_print.moc"
