#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimeZone>

#include "FrameFixture.h"
#include "core/text/DateTimeText.h"
#include "gui/document/EditCommands.h"
#include "gui/document/frmNotePad.h"
#include "gui/frame/Toolbar.h"
#include "gui/textbox/TextBox.h"

// The Edit menu's commands in a running frame: the clipboard both ways, Delete, Select All, the
// date and time, which of them mark the document changed, the shortcut keys against the text
// box's own handling of them, and the toolbar with no document window open.
class tst_EditCommands : public QObject {
    Q_OBJECT
private:
    // The active document holds text with [start, start + length) selected and counts as
    // unchanged.
    static TextBox* prepare(FrameFixture& f, const QByteArray& text, int start, int length) {
        frmNotePad* w = f.active();
        w->Text1->setText(text);
        w->Text1->setSelStart(start);
        w->Text1->setSelLength(length);
        w->documentState().Changed = DocumentState::False;
        return w->Text1;
    }
    static bool changed(FrameFixture& f) {
        return f.active()->documentState().Changed != DocumentState::False;
    }
    static QClipboard* clipboard() { return QGuiApplication::clipboard(); }

private slots:
    void clipboardCommands_data();
    void clipboardCommands();
    void pasteWithoutTextOnTheClipboard();
    void clipboardRoundTripKeepsEveryByte();
    void deleteCommand_data();
    void deleteCommand();
    void selectAll_data();
    void selectAll();
    void dateTimeText_data();
    void dateTimeText();
    void dateTimeNeverNamesTheZone_data();
    void dateTimeNeverNamesTheZone();
    void insertDateTimeReplacesTheSelection();
    void changeMarking_data();
    void changeMarking();
    void shortcutKeysRunTheMenuCommandOnce_data();
    void shortcutKeysRunTheMenuCommandOnce();
    void textBoxContextMenuRunsTheEditCommands();
    void toolbarWithoutADocumentDoesNothing();
    void toolbarActsOnTheActiveDocument();
};

void tst_EditCommands::clipboardCommands_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("clipboardBefore");
    QTest::addColumn<QByteArray>("textAfter");
    QTest::addColumn<int>("caretAfter");
    QTest::addColumn<int>("lengthAfter");
    QTest::addColumn<QString>("clipboardAfter");
    // The kind of document: empty for CR LF in the code page.
    QTest::addColumn<QString>("kind");

    QTest::newRow("copy without a selection empties the clipboard")
        << QByteArray("abc") << 1 << 0 << "copy"
        << "old" << QByteArray("abc") << 1 << 0 << "" << QString();
    QTest::newRow("copy keeps the selection")
        << QByteArray("abc") << 1 << 2 << "copy"
        << "old" << QByteArray("abc") << 1 << 2 << "bc" << QString();
    QTest::newRow("copy sends a line break as LF")
        << QByteArray("a\r\nb") << 0 << 4 << "copy"
        << "" << QByteArray("a\r\nb") << 0 << 4 << "a\nb" << QString();
    QTest::newRow("copy leaves a lone CR and a lone LF in the plain text")
        << QByteArray("a\rb\nc\n\r") << 0 << 7 << "copy"
        << "" << QByteArray("a\rb\nc\n\r") << 0 << 7 << "a\rb\nc\n\r" << QString();
    QTest::newRow("copy decodes the code page")
        << QByteArray("\x80 \xe0\x9f") << 0 << 4 << "copy"
        << "" << QByteArray("\x80 \xe0\x9f") << 0 << 4 << QStringLiteral("€ àŸ") << QString();
    QTest::newRow("cut without a selection changes no text")
        << QByteArray("abc") << 2 << 0 << "cut"
        << "old" << QByteArray("abc") << 2 << 0 << "" << QString();
    QTest::newRow("cut removes the selection")
        << QByteArray("abcd") << 1 << 2 << "cut"
        << "" << QByteArray("ad") << 1 << 0 << "bc" << QString();
    QTest::newRow("cut a whole line break") << QByteArray("a\r\nb") << 1 << 2 << "cut"
                                            << "" << QByteArray("ab") << 1 << 0 << "\n"
                                            << QString();
    QTest::newRow("paste at the caret")
        << QByteArray("ad") << 1 << 0 << "paste"
        << "bc" << QByteArray("abcd") << 3 << 0 << "bc" << QString();
    QTest::newRow("paste replaces the selection")
        << QByteArray("aXXd") << 1 << 2 << "paste"
        << "bcz" << QByteArray("abczd") << 4 << 0 << "bcz" << QString();
    QTest::newRow("paste keeps CR LF")
        << QByteArray("ab") << 1 << 0 << "paste"
        << "1\r\n2" << QByteArray("a1\r\n2b") << 5 << 0 << "1\r\n2" << QString();
    QTest::newRow("paste turns a lone LF into the line break")
        << QByteArray("ab") << 1 << 0 << "paste"
        << "1\n2" << QByteArray("a1\r\n2b") << 5 << 0 << "1\n2" << QString();
    QTest::newRow("paste turns a lone CR and LF CR into line breaks")
        << QByteArray("ab") << 1 << 0 << "paste"
        << "1\r2\n\r3" << QByteArray("a1\r\n2\r\n\r\n3b") << 10 << 0 << "1\r2\n\r3" << QString();
    QTest::newRow("paste encodes into the code page")
        << QByteArray() << 0 << 0 << "paste" << QStringLiteral("€ è") << QByteArray("\x80 \xe8")
        << 3 << 0 << QStringLiteral("€ è") << QString();
    QTest::newRow("paste turns what the code page lacks into ?")
        << QByteArray() << 0 << 0 << "paste" << QStringLiteral("a\u4e2db\U0001F600c")
        << QByteArray("a?b?c") << 5 << 0 << QStringLiteral("a\u4e2db\U0001F600c") << QString();
    QTest::newRow("paste an empty clipboard over a selection removes it")
        << QByteArray("abc") << 0 << 2 << "paste"
        << "" << QByteArray("c") << 0 << 0 << "" << QString();

    QTest::newRow("LF document: paste brings LF line ends")
        << QByteArray("a\nb") << 1 << 0 << "paste"
        << "1\r\n2\r3" << QByteArray("a1\n2\n3\nb") << 6 << 0 << "1\r\n2\r3"
        << "LF";
    QTest::newRow("LF document: copy is the text as it stands")
        << QByteArray("a\nb") << 0 << 3 << "copy"
        << "" << QByteArray("a\nb") << 0 << 3 << "a\nb"
        << "LF";
    QTest::newRow("UTF-8 document: paste keeps every character")
        << QByteArray("caff\xc3\xa8") << 5 << 0 << "paste"
        << QStringLiteral(" \u4e2d\U0001F600\u0141")
        << QByteArray("caff\xc3\xa8 \xe4\xb8\xad\xf0\x9f\x98\x80\xc5\x81") << 10 << 0
        << QStringLiteral(" \u4e2d\U0001F600\u0141") << "UTF-8";
    // The picture of TAB is no picture of the box's: a TAB shows as itself.
    QTest::newRow("UTF-8 document: the control pictures stay the box's own")
        << QByteArray("\xc3\xa8") << 1 << 0 << "paste" << QStringLiteral("\u240a\u2409\u2029")
        << QByteArray("\xc3\xa8?\xe2\x90\x89?") << 4 << 0 << QStringLiteral("\u240a\u2409\u2029")
        << "UTF-8";
    QTest::newRow("UTF-8 document: copy counts characters")
        << QByteArray("\xc3\xa8\n\xe2\x82\xac") << 2 << 1 << "cut"
        << "" << QByteArray("\xc3\xa8\n") << 2 << 0 << QStringLiteral("\u20ac") << "UTF-8 LF";
}

void tst_EditCommands::clipboardCommands() {
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, command);
    QFETCH(QString, clipboardBefore);
    QFETCH(QByteArray, textAfter);
    QFETCH(int, caretAfter);
    QFETCH(int, lengthAfter);
    QFETCH(QString, clipboardAfter);
    QFETCH(QString, kind);

    FrameFixture f;
    f.active()->Text1->setFormat(DocumentFormat(
        kind.endsWith("LF") ? DocumentFormat::LineBreak::Lf : DocumentFormat::LineBreak::CrLf,
        kind.startsWith("UTF-8") ? DocumentFormat::Encoding::Utf8
                                 : DocumentFormat::Encoding::CodePage));
    TextBox* box = prepare(f, text, start, length);
    clipboard()->setText(clipboardBefore);
    frmNotePad* w = f.active();
    if (command == "copy") w->mnuECopy_Click();
    if (command == "cut") w->mnuECut_Click();
    if (command == "paste") w->mnuEPaste_Click();

    QCOMPARE(box->Text(), textAfter);
    QCOMPARE(box->SelStart(), qsizetype(caretAfter));
    QCOMPARE(box->SelLength(), qsizetype(lengthAfter));
    QCOMPARE(clipboard()->text(), clipboardAfter);
    QCOMPARE(changed(f), text != textAfter);
    QVERIFY(!f.dialogs().unexpectedDialog());
}

void tst_EditCommands::pasteWithoutTextOnTheClipboard() {
    // The clipboard holds a picture and no text: the selection goes, nothing comes in.
    FrameFixture f;
    TextBox* box = prepare(f, "abcd", 1, 2);
    auto* data = new QMimeData;
    data->setImageData(QImage(4, 4, QImage::Format_RGB32));
    clipboard()->setMimeData(data);
    QVERIFY(!clipboard()->mimeData()->hasText());
    f.active()->mnuEPaste_Click();
    QCOMPARE(box->Text(), QByteArray("ad"));
    QCOMPARE(box->SelStart(), qsizetype(1));
    QVERIFY(changed(f));

    // Without a selection nothing changes at all.
    f.active()->documentState().Changed = DocumentState::False;
    clipboard()->clear();
    f.active()->mnuEPaste_Click();
    QCOMPARE(box->Text(), QByteArray("ad"));
    QVERIFY(!changed(f));
}

void tst_EditCommands::clipboardRoundTripKeepsEveryByte() {
    // Every byte value, lone CRs and LFs among them, comes back from the clipboard unchanged.
    FrameFixture f;
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    all += "x\r\ny\rz\n";
    TextBox* box = prepare(f, all, 0, int(all.size()));
    f.active()->mnuECut_Click();
    QVERIFY(box->Text().isEmpty());
    f.active()->mnuEPaste_Click();
    f.active()->mnuEPaste_Click();
    QCOMPARE(box->Text(), all + all);
    QCOMPARE(box->SelStart(), 2 * all.size());
}

void tst_EditCommands::deleteCommand_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("textAfter");
    QTest::addColumn<int>("caretAfter");
    // The kind of document: empty for CR LF in the code page.
    QTest::addColumn<QString>("kind");

    QTest::newRow("caret at the end: nothing")
        << QByteArray("ab") << 2 << 0 << QByteArray("ab") << 2 << QString();
    QTest::newRow("empty text: nothing")
        << QByteArray() << 0 << 0 << QByteArray() << 0 << QString();
    QTest::newRow("the character after the caret")
        << QByteArray("abc") << 1 << 0 << QByteArray("ac") << 1 << QString();
    QTest::newRow("a line break goes whole, joining the lines")
        << QByteArray("ab\r\ncd") << 2 << 0 << QByteArray("abcd") << 2 << QString();
    QTest::newRow("a CR that ends the text goes alone")
        << QByteArray("ab\r") << 2 << 0 << QByteArray("ab") << 2 << QString();
    QTest::newRow("a CR takes the character after it along")
        << QByteArray("a\rxy") << 1 << 0 << QByteArray("ay") << 1 << QString();
    QTest::newRow("a CR before another CR takes it along")
        << QByteArray("a\r\r\nb") << 1 << 0 << QByteArray("a\nb") << 1 << QString();
    QTest::newRow("a lone LF goes alone")
        << QByteArray("a\nb") << 1 << 0 << QByteArray("ab") << 1 << QString();
    QTest::newRow("a selection goes exactly")
        << QByteArray("a\r\nbc") << 2 << 2 << QByteArray("a\rc") << 2 << QString();
    QTest::newRow("a selection ending in a CR does not take the LF")
        << QByteArray("ab\r\nc") << 1 << 2 << QByteArray("a\nc") << 1 << QString();
    QTest::newRow("the whole text")
        << QByteArray("ab\r\ncd") << 0 << 6 << QByteArray() << 0 << QString();
    QTest::newRow("LF document: the line break is the LF alone")
        << QByteArray("ab\ncd") << 2 << 0 << QByteArray("abcd") << 2 << "LF";
    QTest::newRow("LF document: a CR goes alone")
        << QByteArray("a\r\nb") << 1 << 0 << QByteArray("a\nb") << 1 << "LF";
    QTest::newRow("UTF-8 document: one accented letter")
        << QByteArray("\xc3\xa8\xc3\xa9") << 0 << 0 << QByteArray("\xc3\xa9") << 0 << "UTF-8";
    QTest::newRow("UTF-8 document: a character beyond U+FFFF goes whole")
        << QByteArray(
               "a\xf0\x9f\x98\x80"
               "b")
        << 1 << 0 << QByteArray("ab") << 1 << "UTF-8";
    QTest::newRow("UTF-8 document: a CR takes a whole character beyond U+FFFF along")
        << QByteArray(
               "a\r\xf0\x9f\x98\x80"
               "b")
        << 1 << 0 << QByteArray("ab") << 1 << "UTF-8";
}

void tst_EditCommands::deleteCommand() {
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QByteArray, textAfter);
    QFETCH(int, caretAfter);
    QFETCH(QString, kind);

    FrameFixture f;
    f.active()->Text1->setFormat(DocumentFormat(
        kind.endsWith("LF") ? DocumentFormat::LineBreak::Lf : DocumentFormat::LineBreak::CrLf,
        kind.startsWith("UTF-8") ? DocumentFormat::Encoding::Utf8
                                 : DocumentFormat::Encoding::CodePage));
    TextBox* box = prepare(f, text, start, length);
    f.active()->mnuEDelete_Click();
    QCOMPARE(box->Text(), textAfter);
    QCOMPARE(box->SelStart(), qsizetype(caretAfter));
    QCOMPARE(box->SelLength(), qsizetype(0));
    QCOMPARE(changed(f), text != textAfter);
}

void tst_EditCommands::selectAll_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one line") << QByteArray("abc");
    QTest::newRow("line breaks at both ends") << QByteArray("\r\nab\r\n");
    QTest::newRow("lone CR and LF") << QByteArray("\ra\n");
}

void tst_EditCommands::selectAll() {
    QFETCH(QByteArray, text);
    FrameFixture f;
    TextBox* box = prepare(f, text, int(text.size()), 0);
    f.active()->mnuESelectAll_Click();
    QCOMPARE(box->SelStart(), qsizetype(0));
    QCOMPARE(box->SelLength(), text.size());
    QCOMPARE(box->SelText(), text);
    QVERIFY(!changed(f));
}

void tst_EditCommands::dateTimeText_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("expected");

    const QDate day(2026, 12, 6);
    QTest::newRow("it_IT morning")
        << "it_IT" << QDateTime(day, QTime(3, 4, 5)) << "06/12/26 03:04:05";
    QTest::newRow("it_IT afternoon")
        << "it_IT" << QDateTime(day, QTime(15, 4, 5)) << "06/12/26 15:04:05";
    QTest::newRow("it_IT midnight: the date alone")
        << "it_IT" << QDateTime(day, QTime(0, 0)) << "06/12/26";
    QTest::newRow("it_IT one second after midnight")
        << "it_IT" << QDateTime(day, QTime(0, 0, 1)) << "06/12/26 00:00:01";
    QTest::newRow("en_US morning")
        << "en_US" << QDateTime(day, QTime(3, 4, 5)) << "12/6/26 3:04:05 AM";
    QTest::newRow("en_US afternoon")
        << "en_US" << QDateTime(day, QTime(15, 4, 5)) << "12/6/26 3:04:05 PM";
    QTest::newRow("en_US midnight: the date alone")
        << "en_US" << QDateTime(day, QTime(0, 0)) << "12/6/26";
    QTest::newRow("en_US noon") << "en_US" << QDateTime(day, QTime(12, 0)) << "12/6/26 12:00:00 PM";
}

void tst_EditCommands::dateTimeText() {
    QFETCH(QString, locale);
    QFETCH(QDateTime, when);
    QFETCH(QString, expected);
    QCOMPARE(DateTimeText::format(when, QLocale(locale)), expected);
}

void tst_EditCommands::dateTimeNeverNamesTheZone_data() {
    QTest::addColumn<QString>("locale");
    for (const char* name : {"it_IT", "en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "zh_CN", "ko_KR",
                             "fa_IR", "hu_HU", "pt_BR", "ru_RU"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_EditCommands::dateTimeNeverNamesTheZone() {
    // Whatever the locale's long time format looks like, the time keeps its seconds and loses
    // its zone.
    QFETCH(QString, locale);
    const QLocale l(locale);
    const QString format = DateTimeText::timeFormatWithoutZone(l);
    QVERIFY2(!format.contains(QLatin1Char('t')), qPrintable(format));
    QVERIFY2(format.contains(QLatin1Char('s')), qPrintable(format));
    QCOMPARE(format, format.trimmed());
    const QDateTime when(QDate(2026, 12, 6), QTime(3, 4, 5), QTimeZone("Asia/Kolkata"));
    const QString text = DateTimeText::format(when, l);
    // The names a zone in the format would print: the time's own zone, and the local one, which
    // a time without its date is written in. An empty name (no zone data here) is in any text.
    for (const QString& zone :
         {when.timeZoneAbbreviation(), l.toString(when.time(), QStringLiteral("t"))}) {
        QVERIFY2(!zone.isEmpty(), "the zone has no name: is the zone database installed?");
        QVERIFY2(!text.contains(zone), qPrintable(text + QStringLiteral(" names ") + zone));
    }
    QVERIFY2(!text.contains(QStringLiteral("Kolkata")), qPrintable(text));
    QVERIFY2(text.startsWith(l.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')),
             qPrintable(text));
}

void tst_EditCommands::insertDateTimeReplacesTheSelection() {
    FrameFixture f;
    TextBox* box = prepare(f, "ab--cd", 2, 2);
    const QDateTime when(QDate(2026, 12, 6), QTime(3, 4, 5));
    EditCommands::insertDateTime(f.active()->document(), when, QLocale(QStringLiteral("it_IT")));
    QCOMPARE(box->Text(), QByteArray("ab06/12/26 03:04:05cd"));
    QCOMPARE(box->SelStart(), qsizetype(19));
    QCOMPARE(box->SelLength(), qsizetype(0));

    // The menu command takes the clock and the user's locale (it_IT in the tests).
    prepare(f, "", 0, 0);
    const QDate before = QDate::currentDate();
    f.active()->mnuETime_Click();
    const QDate after = QDate::currentDate();
    const QByteArray inserted = box->Text();
    QVERIFY2(inserted.startsWith(before.toString("dd/MM/yy").toLatin1()) ||
                 inserted.startsWith(after.toString("dd/MM/yy").toLatin1()),
             inserted.constData());
    QVERIFY(changed(f));
}

void tst_EditCommands::changeMarking_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("marks");
    QTest::newRow("cut") << "cut" << true;
    QTest::newRow("copy") << "copy" << false;
    QTest::newRow("paste") << "paste" << true;
    QTest::newRow("delete") << "delete" << true;
    QTest::newRow("select all") << "selectall" << false;
    QTest::newRow("date and time") << "time" << true;
}

void tst_EditCommands::changeMarking() {
    QFETCH(QString, command);
    QFETCH(bool, marks);
    FrameFixture f;
    prepare(f, "abc", 1, 1);
    clipboard()->setText(QStringLiteral("xyz"));
    frmNotePad* w = f.active();
    const QMap<QString, QAction*> items{
        {"cut", w->mnuECut},       {"copy", w->mnuECopy},           {"paste", w->mnuEPaste},
        {"delete", w->mnuEDelete}, {"selectall", w->mnuESelectAll}, {"time", w->mnuETime}};
    // Chosen through the menu item, as the user chooses it.
    items.value(command)->trigger();
    QCOMPARE(changed(f), marks);
}

void tst_EditCommands::shortcutKeysRunTheMenuCommandOnce_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QByteArray>("textAfter");
    QTest::addColumn<QString>("clipboardAfter");

    // "abcd" with "bc" selected and "Z" on the clipboard. Had the text box acted as well, the
    // text or the clipboard would show it (a second paste, a second delete).
    QTest::newRow("Ctrl+X") << int(Qt::Key_X) << int(Qt::ControlModifier) << "cut"
                            << QByteArray("ad") << "bc";
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << int(Qt::ControlModifier) << "copy"
                            << QByteArray("abcd") << "bc";
    QTest::newRow("Ctrl+V") << int(Qt::Key_V) << int(Qt::ControlModifier) << "paste"
                            << QByteArray("aZd") << "Z";
    QTest::newRow("Del") << int(Qt::Key_Delete) << int(Qt::NoModifier) << "delete"
                         << QByteArray("ad") << "Z";
    QTest::newRow("F3") << int(Qt::Key_F3) << int(Qt::NoModifier) << "findnext"
                        << QByteArray("abcd") << "Z";
}

void tst_EditCommands::shortcutKeysRunTheMenuCommandOnce() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, item);
    QFETCH(QByteArray, textAfter);
    QFETCH(QString, clipboardAfter);

    FrameFixture f;
    f.frame().NewDocumentWindow();  // a second window: only the active one may answer
    TextBox* box = prepare(f, "abcd", 1, 2);
    f.frame().state().search.SearchText = QStringLiteral("d");
    clipboard()->setText(QStringLiteral("Z"));
    f.frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.frame()));
    box->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), box);

    int runs = 0;
    int otherRuns = 0;
    for (frmNotePad* w : f.documents()) {
        const QMap<QString, QAction*> items{{"cut", w->mnuECut},
                                            {"copy", w->mnuECopy},
                                            {"paste", w->mnuEPaste},
                                            {"delete", w->mnuEDelete},
                                            {"findnext", w->mnuSFindNext}};
        for (auto it = items.cbegin(); it != items.cend(); ++it) {
            connect(it.value(), &QAction::triggered, this, [&, w, name = it.key()] {
                if (w == f.active() && name == item)
                    ++runs;
                else
                    ++otherRuns;
            });
        }
    }
    int changes = 0;
    connect(box, &TextBox::Change, this, [&] { ++changes; });

    QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(runs, 1);
    QCOMPARE(otherRuns, 0);
    QCOMPARE(box->Text(), textAfter);
    QCOMPARE(clipboard()->text(), clipboardAfter);
    QCOMPARE(changes, textAfter == "abcd" ? 0 : 1);
    if (item == "findnext") {
        QCOMPARE(box->SelStart(), qsizetype(3));
        QCOMPARE(box->SelLength(), qsizetype(1));
    }
    QVERIFY(!f.dialogs().unexpectedDialog());
}

void tst_EditCommands::textBoxContextMenuRunsTheEditCommands() {
    FrameFixture f;
    TextBox* box = prepare(f, "a\r\nb\nc", 0, 6);
    box->show();
    QStringList captions;
    QStringList names;
    bool cutThere = false;
    // The menu runs its own loop: look at it and choose Cut once it is open.
    QTimer::singleShot(100, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            captions << a->text();
            names << a->objectName();
        }
        QAction* cut = f.active()->mnuECut;
        cutThere = menu->actions().contains(cut);
        menu->close();
        if (cutThere) cut->trigger();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box->viewport(), &event);
    QTRY_VERIFY(!captions.isEmpty());
    // Undo and Redo are in the platform's words; the rest are the Edit menu's.
    QCOMPARE(names.mid(0, 2), (QStringList{"edit-undo", "edit-redo"}));
    QVERIFY(captions[0].startsWith(QCoreApplication::translate("QWidgetTextControl", "&Undo")));
    QCOMPARE(captions.mid(2),
             (QStringList{"&Taglia", "&Cuopie", "&'Ncolla", "&Levamme", "&Piglia tutte cose"}));
    QVERIFY(cutThere);
    // Cut as the Edit menu cuts: the plain text has LF line ends, the window is changed.
    QCOMPARE(box->Text(), QByteArray());
    QCOMPARE(clipboard()->text(), QStringLiteral("a\nb\nc"));
    QVERIFY(changed(f));

    // Undo and Redo act on the box's own history: the cut is undone.
    QList<bool> enabled;
    QTimer::singleShot(100, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        QAction* undo = nullptr;
        for (QAction* a : menu->actions()) {
            if (a->objectName() == QLatin1String("edit-undo")) undo = a;
            if (a->objectName().startsWith(QLatin1String("edit-"))) enabled << a->isEnabled();
        }
        menu->close();
        if (undo) undo->trigger();
    });
    QApplication::sendEvent(box->viewport(), &event);
    QTRY_COMPARE(enabled, (QList<bool>{true, false}));
    QCOMPARE(box->Text(), QByteArray("a\r\nb\nc"));
}

void tst_EditCommands::toolbarWithoutADocumentDoesNothing() {
    FrameFixture f;
    f.active()->mnuFClose_Click();
    FrameFixture::settle();
    QVERIFY(!f.frame().activeDocument());
    // Opening a file that cannot be read brings the buttons back with no window open.
    f.frame().picToolbar()->setEditButtonsVisible(true);
    clipboard()->setText(QStringLiteral("kept"));
    emit f.frame().picToolbar()->cutClicked();
    emit f.frame().picToolbar()->copyClicked();
    emit f.frame().picToolbar()->pasteClicked();
    QCOMPARE(clipboard()->text(), QStringLiteral("kept"));
    QVERIFY(f.documents().isEmpty());
    QVERIFY(f.dialogs().calls().isEmpty());
}

void tst_EditCommands::toolbarActsOnTheActiveDocument() {
    FrameFixture f;
    TextBox* first = prepare(f, "first", 0, 5);
    f.frame().NewDocumentWindow();
    TextBox* second = prepare(f, "second", 0, 3);
    emit f.frame().picToolbar()->cutClicked();
    QCOMPARE(second->Text(), QByteArray("ond"));
    QCOMPARE(first->Text(), QByteArray("first"));
    QCOMPARE(clipboard()->text(), QStringLiteral("sec"));
    emit f.frame().picToolbar()->pasteClicked();
    emit f.frame().picToolbar()->pasteClicked();
    QCOMPARE(second->Text(), QByteArray("secsecond"));
    second->setSelStart(0);
    second->setSelLength(1);
    emit f.frame().picToolbar()->copyClicked();
    QCOMPARE(clipboard()->text(), QStringLiteral("s"));
}

QTEST_MAIN(tst_EditCommands)
#include "tst_editcommands.moc"
