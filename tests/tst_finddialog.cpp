#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include "FrameFixture.h"
#include "SearchReference.h"
#include "core/files/CodePage.h"
#include "gui/document/frmNotePad.h"
#include "gui/search/SearchCommands.h"
#include "gui/search/frmFind.h"
#include "gui/textbox/TextBox.h"

namespace {

// Counts how often a window is brought to the front.
class RaiseCounter : public QObject {
public:
    int raised = 0;
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::ZOrderChange) ++raised;
        return QObject::eventFilter(watched, e);
    }
};

}  // namespace

// The Find dialog and the Search menu in a running frame: the dialog's controls and keys, the
// settings it stores and when, the Find and Find Next commands, the not-found message, and the
// dialog's life next to the document windows.
class tst_FindDialog : public QObject {
    Q_OBJECT
private:
    using Answer = DialogService::Answer;

    static SearchSettings& settings(FrameFixture& f) { return f.frame().state().search; }
    static frmFind* dialog(FrameFixture& f) { return f.frame().searchCommands().findDialog(); }
    static TextBox* prepare(FrameFixture& f, const QByteArray& text, int start, int length) {
        TextBox* box = f.active()->Text1;
        box->setText(text);
        box->setSelStart(start);
        box->setSelLength(length);
        f.active()->documentState().Changed = DocumentState::False;
        return box;
    }
    static QString notFound(const QString& text) {
        return QStringLiteral("Comme faccio a lo truva? Nun ce sta. \"") + text + QLatin1Char('"');
    }
    static void expectNotFound(FrameFixture& f, const QString& text) {
        const ScriptedDialogs::Call& call = f.dialogs().lastCall();
        QCOMPARE(call.kind, ScriptedDialogs::Kind::MessageBox);
        QCOMPARE(call.prompt, notFound(text));
        QCOMPARE(call.buttons, DialogService::Buttons::Ok);
        QCOMPARE(call.icon, DialogService::Icon::None);
        QCOMPARE(call.title, QStringLiteral("MDI"));
    }

private slots:
    void theDialogAsDrawn();
    void findButtonFollowsTheSearchText();
    void enterSearchesOnlyWhileFindIsEnabled();
    void optionsAreStoredTheMomentTheyAreClicked();
    void closingStoresAccordingToTheWay_data();
    void closingStoresAccordingToTheWay();
    void startsDownWithCaseIgnored();
    void reopeningShowsTheStoredSettings();
    void findFillsTheDialogFromTheSelection();
    void findWhileOpenReusesTheDialog();
    void aSelectedOccurrenceIsFoundAgainFirst();
    void searchingUpThroughTheDialog();
    void aCorrectedSearchTextIsSearchedAfresh();
    void searchKeepsTheFocusInTheDialog();
    void notFoundLeavesTheSelection();
    void findNextWithoutSearchTextOpensTheDialog();
    void findNextUsesTheStoredTextOnly();
    void directionClickedBeforeTheCloseBoxCounts();
    void findWithoutADocumentDoesNothing();
    void searchActiveDocumentFollowsTheRules();
    void gotFocusBringsTheDialogToTheFront();
    void theDialogGoesWithTheFrame();
};

void tst_FindDialog::theDialogAsDrawn() {
    SearchSettings s;
    s.SearchDirection = 1;
    frmFind d(s);
    QCOMPARE(d.windowTitle(), QStringLiteral("Truvamme"));
    QVERIFY(!d.parentWidget());
    QVERIFY(!d.isModal());
    QCOMPARE(d.size(), QSize(384, 111));
    QCOMPARE(d.minimumSize(), d.maximumSize());
    const Qt::WindowFlags flags = d.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
    QVERIFY(d.testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(d.font().bold());
    QCOMPARE(d.font().pointSizeF(), 8.25);
    for (QWidget* control : d.findChildren<QWidget*>()) QCOMPARE(control->font(), d.font());

    QCOMPARE(d.Label1->text(), QStringLiteral("&Cercamme:"));
    QCOMPARE(d.Label1->buddy(), d.Text1);
    QCOMPARE(d.chkCase->text(), QStringLiteral("&Grosse/piccerelle"));
    QCOMPARE(d.Frame1->title(), QStringLiteral("Addo'?"));
    QCOMPARE(d.optDirection[0]->text(), QStringLiteral("&Su"));
    QCOMPARE(d.optDirection[1]->text(), QStringLiteral("&Abbasce"));
    QCOMPARE(d.cmdFind->text(), QStringLiteral("&Truove"));
    QCOMPARE(d.cmdcancel->text(), QStringLiteral("&Lassa sta"));
    QVERIFY(d.cmdFind->isDefault());
    QVERIFY(!d.cmdcancel->isDefault());
    QCOMPARE(d.optDirection[0]->parentWidget(), d.Frame1);

    // Twips divided by fifteen.
    QCOMPARE(d.Label1->geometry(), QRect(8, 16, 65, 17));
    QCOMPARE(d.Text1->geometry(), QRect(80, 8, 213, 33));
    QCOMPARE(d.chkCase->geometry(), QRect(8, 48, 145, 33));
    QCOMPARE(d.Frame1->geometry(), QRect(160, 48, 145, 41));
    QCOMPARE(d.optDirection[0]->geometry(), QRect(16, 16, 41, 17));
    QCOMPARE(d.optDirection[1]->geometry(), QRect(64, 16, 80, 17));
    QCOMPARE(d.cmdFind->geometry(), QRect(308, 8, 73, 25));
    QCOMPARE(d.cmdcancel->geometry(), QRect(308, 40, 73, 25));

    // Tab order: search box, case, the two directions, Find, Cancel.
    const QList<QWidget*> order{d.Text1,           d.chkCase, d.optDirection[0],
                                d.optDirection[1], d.cmdFind, d.cmdcancel};
    QList<QWidget*> chain;
    for (QWidget* w = d.Text1; chain.size() < order.size(); w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) chain << w;
    }
    QCOMPARE(chain, order);

    // Created: Find disabled, the stored direction selected, the case box clear.
    QVERIFY(!d.cmdFind->isEnabled());
    QVERIFY(d.optDirection[1]->isChecked());
    QVERIFY(!d.optDirection[0]->isChecked());
    QVERIFY(!d.chkCase->isChecked());
    QVERIFY(d.Text1->text().isEmpty());
}

void tst_FindDialog::findButtonFollowsTheSearchText() {
    SearchSettings s;
    frmFind d(s);
    d.show();
    QVERIFY(!d.cmdFind->isEnabled());
    QTest::keyClick(d.Text1, Qt::Key_X);
    QVERIFY(d.cmdFind->isEnabled());
    QTest::keyClick(d.Text1, Qt::Key_Backspace);
    QVERIFY(!d.cmdFind->isEnabled());
    d.Text1->setText(QStringLiteral("y"));
    QVERIFY(d.cmdFind->isEnabled());
    QVERIFY(s.SearchText.isEmpty());  // only the buttons store the text
}

void tst_FindDialog::enterSearchesOnlyWhileFindIsEnabled() {
    SearchSettings s;
    frmFind d(s);
    QSignalSpy searches(&d, &frmFind::searchRequested);
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    d.Text1->setFocus();
    QTest::keyClick(d.Text1, Qt::Key_Return);
    QCOMPARE(searches.count(), 0);
    QTest::keyClicks(d.Text1, QStringLiteral("ab"));
    QTest::keyClick(d.Text1, Qt::Key_Return);
    QCOMPARE(searches.count(), 1);
    QCOMPARE(s.SearchText, QStringLiteral("ab"));
    QVERIFY(d.isVisible());
    // The mnemonic of "Truove" searches too (a button pressed by its mnemonic shows the press
    // briefly before it acts).
    QTest::keyClick(&d, Qt::Key_T, Qt::AltModifier);
    QTRY_COMPARE(searches.count(), 2);
}

void tst_FindDialog::optionsAreStoredTheMomentTheyAreClicked() {
    SearchSettings s;
    s.SearchDirection = 1;
    frmFind d(s);
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QTest::mouseClick(d.optDirection[0], Qt::LeftButton);
    QCOMPARE(s.SearchDirection, qint16(0));
    QTest::mouseClick(d.optDirection[1], Qt::LeftButton);
    QCOMPARE(s.SearchDirection, qint16(1));
    QTest::mouseClick(d.chkCase, Qt::LeftButton);
    QCOMPARE(s.SearchMatchCase, qint16(1));
    QTest::mouseClick(d.chkCase, Qt::LeftButton);
    QCOMPARE(s.SearchMatchCase, qint16(0));
    // A mnemonic takes effect at once: a search started right after it must see it.
    QTest::keyClick(&d, Qt::Key_G, Qt::AltModifier);
    QCOMPARE(s.SearchMatchCase, qint16(1));
    QTest::keyClick(&d, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(s.SearchDirection, qint16(0));
    QCOMPARE(QApplication::focusWidget(), d.optDirection[0]);
    QTest::keyClick(&d, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(s.SearchDirection, qint16(1));
    QTest::keyClick(&d, Qt::Key_G, Qt::AltModifier);
    QCOMPARE(s.SearchMatchCase, qint16(0));
}

void tst_FindDialog::closingStoresAccordingToTheWay_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<bool>("stores");
    QTest::newRow("Lassa sta") << "button" << true;
    QTest::newRow("Esc") << "escape" << true;
    QTest::newRow("its mnemonic") << "mnemonic" << true;
    QTest::newRow("close box") << "closebox" << false;
}

void tst_FindDialog::closingStoresAccordingToTheWay() {
    QFETCH(QString, way);
    QFETCH(bool, stores);
    for (const QString& typed : {QStringLiteral("new"), QString()}) {
        SearchSettings s;
        s.SearchText = QStringLiteral("old");
        s.SearchMatchCase = 0;
        QPointer<frmFind> d = new frmFind(s);
        // The dialog must never outlive the settings it writes to, even when a check fails.
        const auto cleanup = qScopeGuard([&d] { delete d; });
        d->show();
        d->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(d));
        d->Text1->setText(typed);
        // Ticking the box stores at once whichever way the dialog closes.
        d->chkCase->setChecked(true);
        s.SearchMatchCase = 0;
        if (way == "button") QTest::mouseClick(d->cmdcancel, Qt::LeftButton);
        if (way == "escape") QTest::keyClick(d->Text1, Qt::Key_Escape);
        if (way == "mnemonic") QTest::keyClick(d, Qt::Key_L, Qt::AltModifier);
        if (way == "closebox") d->close();
        QTRY_VERIFY(!d || !d->isVisible());
        QCOMPARE(s.SearchText, stores ? typed : QStringLiteral("old"));
        QCOMPARE(s.SearchMatchCase, qint16(stores ? 1 : 0));
        QTRY_VERIFY(!d);  // destroyed on close
    }
}

void tst_FindDialog::startsDownWithCaseIgnored() {
    FrameFixture f;
    f.active()->mnuSFind_Click();
    frmFind* d = dialog(f);
    QVERIFY(d);
    QVERIFY(d->isVisible());
    QVERIFY(!d->parentWidget());
    QVERIFY(d->optDirection[1]->isChecked());
    QVERIFY(!d->chkCase->isChecked());
    QVERIFY(d->Text1->text().isEmpty());
    QVERIFY(!d->cmdFind->isEnabled());
    QVERIFY(settings(f).SearchIsNew);
}

void tst_FindDialog::reopeningShowsTheStoredSettings() {
    FrameFixture f;
    f.active()->mnuSFind_Click();
    frmFind* d = dialog(f);
    QVERIFY(QTest::qWaitForWindowActive(d));
    d->Text1->setText(QStringLiteral("needle"));
    QTest::mouseClick(d->optDirection[0], Qt::LeftButton);
    QTest::mouseClick(d->chkCase, Qt::LeftButton);
    QTest::mouseClick(d->cmdcancel, Qt::LeftButton);
    FrameFixture::settle();
    QVERIFY(!dialog(f));
    // The keyboard goes back to the document, with no window manager to hand it over.
    QCOMPARE(QApplication::activeWindow(), &f.frame());
    QCOMPARE(QApplication::focusWidget(), f.active()->Text1);

    f.active()->mnuSFind_Click();
    d = dialog(f);
    QVERIFY(d);
    QCOMPARE(d->Text1->text(), QStringLiteral("needle"));
    QVERIFY(d->cmdFind->isEnabled());
    QVERIFY(d->optDirection[0]->isChecked());
    QVERIFY(d->chkCase->isChecked());
    QCOMPARE(settings(f).SearchMatchCase, qint16(1));
}

void tst_FindDialog::findFillsTheDialogFromTheSelection() {
    FrameFixture f;
    settings(f).SearchText = QStringLiteral("stored");
    prepare(f, "one \x80two\r\n", 4, 6);
    f.active()->mnuSFind_Click();
    QCOMPARE(dialog(f)->Text1->text(), QStringLiteral("€two\r\n"));
    // Filling the dialog stores nothing.
    QCOMPARE(settings(f).SearchText, QStringLiteral("stored"));

    prepare(f, "one two", 2, 0);
    f.active()->mnuSFind_Click();
    QCOMPARE(dialog(f)->Text1->text(), QStringLiteral("stored"));
}

void tst_FindDialog::findWhileOpenReusesTheDialog() {
    FrameFixture f;
    f.active()->mnuSFind_Click();
    QPointer<frmFind> first = dialog(f);
    first->Text1->setText(QStringLiteral("typed"));
    settings(f).SearchIsNew = false;
    prepare(f, "abc", 0, 1);
    f.active()->mnuSFind_Click();
    QCOMPARE(dialog(f), first.data());
    QCOMPARE(first->Text1->text(), QStringLiteral("a"));
    QVERIFY(settings(f).SearchIsNew);
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmFind*>(w) && w->isVisible()) ++shown;
    }
    QCOMPARE(shown, 1);
}

void tst_FindDialog::aSelectedOccurrenceIsFoundAgainFirst() {
    FrameFixture f;
    TextBox* box = prepare(f, "xyzabcabc", 3, 3);
    settings(f).SearchLastStart = 3;  // the caret stands where the last search left it
    f.active()->mnuSFind_Click();
    frmFind* d = dialog(f);
    QCOMPARE(d->Text1->text(), QStringLiteral("abc"));
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    QCOMPARE(box->SelStart(), qsizetype(3));
    QCOMPARE(box->SelLength(), qsizetype(3));
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    QCOMPARE(box->SelStart(), qsizetype(6));
    QCOMPARE(box->SelLength(), qsizetype(3));
    QVERIFY(f.dialogs().calls().isEmpty());
    // Selecting is no change of the text.
    QCOMPARE(f.active()->documentState().Changed, DocumentState::False);
}

void tst_FindDialog::searchingUpThroughTheDialog() {
    FrameFixture f;
    TextBox* box = prepare(f, "ab", 2, 0);
    f.active()->mnuSFind_Click();
    frmFind* d = dialog(f);
    QTest::mouseClick(d->optDirection[0], Qt::LeftButton);
    d->Text1->setText(QStringLiteral("b"));
    // The "b" just before the caret is found at once; the next press finds no other.
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    QCOMPARE(box->SelStart(), qsizetype(1));
    QCOMPARE(box->SelLength(), qsizetype(1));
    QVERIFY(f.dialogs().calls().isEmpty());
    f.dialogs().answerMessageBox(Answer::Ok);
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    expectNotFound(f, QStringLiteral("b"));
    QCOMPARE(box->SelStart(), qsizetype(1));
    QCOMPARE(f.dialogs().calls().size(), 1);
    QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
}

void tst_FindDialog::aCorrectedSearchTextIsSearchedAfresh() {
    // A text that begins with its only occurrence: a mistyped search finds nothing and leaves
    // the caret where it was; the corrected one must still find the occurrence at the caret.
    FrameFixture f;
    TextBox* box = prepare(f, "Tavulella e basta", 0, 0);
    f.active()->mnuSFind_Click();
    frmFind* d = dialog(f);
    d->Text1->setText(QStringLiteral("Tavulela"));
    f.dialogs().answerMessageBox(Answer::Ok);
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    expectNotFound(f, QStringLiteral("Tavulela"));
    d->Text1->setText(QStringLiteral("Tavulella"));
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    QCOMPARE(box->SelStart(), qsizetype(0));
    QCOMPARE(box->SelLength(), qsizetype(9));
    // The same text again, by the button or by F3, moves on past it.
    f.dialogs().answerMessageBox(Answer::Ok);
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    expectNotFound(f, QStringLiteral("Tavulella"));
    QCOMPARE(box->SelStart(), qsizetype(0));
    f.dialogs().answerMessageBox(Answer::Ok);
    f.active()->mnuSFindNext_Click();
    QCOMPARE(f.dialogs().calls().size(), 3);
    QVERIFY2(f.dialogs().allAnswersUsed() && !f.dialogs().unexpectedDialog(),
             qPrintable(f.dialogs().problems()));
}

void tst_FindDialog::searchKeepsTheFocusInTheDialog() {
    FrameFixture f;
    TextBox* box = prepare(f, "hay needle hay", 0, 0);
    f.active()->mnuSFind_Click();
    frmFind* d = dialog(f);
    QVERIFY(QTest::qWaitForWindowActive(d));
    QTest::keyClicks(d->Text1, QStringLiteral("needle"));
    QTest::keyClick(d->Text1, Qt::Key_Return);
    QCOMPARE(box->SelStart(), qsizetype(4));
    QCOMPARE(box->SelLength(), qsizetype(6));
    QCOMPARE(QApplication::activeWindow(), d);
    QCOMPARE(QApplication::focusWidget(), d->Text1);
    // The match shows although the text box has no focus.
    QCOMPARE(box->palette().color(QPalette::Inactive, QPalette::Highlight),
             box->palette().color(QPalette::Active, QPalette::Highlight));
    QCOMPARE(box->textCursor().selectedText(), QStringLiteral("needle"));
}

void tst_FindDialog::notFoundLeavesTheSelection() {
    FrameFixture f;
    TextBox* box = prepare(f, "abcabc", 0, 0);
    settings(f).SearchText = QStringLiteral("Bc");
    settings(f).SearchIsNew = true;
    f.dialogs().answerMessageBox(Answer::Ok);
    f.active()->mnuSFindNext_Click();
    f.active()->mnuSFindNext_Click();
    QCOMPARE(box->SelStart(), qsizetype(4));
    f.active()->mnuSFindNext_Click();
    expectNotFound(f, QStringLiteral("Bc"));
    QCOMPARE(box->SelStart(), qsizetype(4));
    QCOMPARE(box->SelLength(), qsizetype(2));
    QCOMPARE(settings(f).SearchLastStart, qsizetype(4));
    QVERIFY2(f.dialogs().allAnswersUsed(), qPrintable(f.dialogs().problems()));
}

void tst_FindDialog::findNextWithoutSearchTextOpensTheDialog() {
    FrameFixture f;
    prepare(f, "abc", 1, 1);
    QVERIFY(!dialog(f));
    f.active()->mnuSFindNext_Click();
    QVERIFY(dialog(f));
    QVERIFY(dialog(f)->isVisible());
    QCOMPARE(dialog(f)->Text1->text(), QStringLiteral("b"));
    QVERIFY(settings(f).SearchIsNew);

    // "Lassa sta" with an empty box stores the empty text: F3 opens the dialog again.
    dialog(f)->Text1->clear();
    QTest::mouseClick(dialog(f)->cmdcancel, Qt::LeftButton);
    FrameFixture::settle();
    QVERIFY(!dialog(f));
    prepare(f, "abc", 0, 0);
    f.active()->mnuSFindNext_Click();
    QVERIFY(dialog(f));
    QVERIFY(f.dialogs().calls().isEmpty());
}

void tst_FindDialog::findNextUsesTheStoredTextOnly() {
    FrameFixture f;
    TextBox* box = prepare(f, "one two one two", 0, 0);
    f.active()->mnuSFind_Click();
    frmFind* d = dialog(f);
    d->Text1->setText(QStringLiteral("two"));
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    QCOMPARE(box->SelStart(), qsizetype(4));
    d->Text1->setText(QStringLiteral("one"));  // typed, not confirmed
    f.active()->mnuSFindNext_Click();
    QCOMPARE(box->SelStart(), qsizetype(12));
    QCOMPARE(box->SelLength(), qsizetype(3));
}

void tst_FindDialog::directionClickedBeforeTheCloseBoxCounts() {
    FrameFixture f;
    TextBox* box = prepare(f, "ab ab ab", 0, 0);
    f.active()->mnuSFind_Click();
    frmFind* d = dialog(f);
    d->Text1->setText(QStringLiteral("ab"));
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    QCOMPARE(box->SelStart(), qsizetype(3));
    QTest::mouseClick(d->optDirection[0], Qt::LeftButton);
    d->close();
    FrameFixture::settle();
    f.active()->mnuSFindNext_Click();
    QCOMPARE(box->SelStart(), qsizetype(0));
}

void tst_FindDialog::findWithoutADocumentDoesNothing() {
    FrameFixture f;
    f.active()->mnuSFind_Click();
    QPointer<frmFind> d = dialog(f);
    d->Text1->setText(QStringLiteral("x"));
    f.active()->mnuFClose_Click();
    FrameFixture::settle();
    QVERIFY(f.documents().isEmpty());
    // The dialog stays open after the last document window has closed.
    QVERIFY(d);
    QVERIFY(d->isVisible());
    const SearchSettings before = settings(f);
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    QVERIFY(d);
    QVERIFY(f.dialogs().calls().isEmpty());
    QCOMPARE(settings(f).SearchText, QStringLiteral("x"));
    QCOMPARE(settings(f).SearchIsNew, before.SearchIsNew);
    QCOMPARE(settings(f).SearchLastStart, before.SearchLastStart);
    // A new document can be searched from the same dialog.
    f.frame().NewDocumentWindow();
    prepare(f, "axa", 0, 0);
    QTest::mouseClick(d->cmdFind, Qt::LeftButton);
    QCOMPARE(f.active()->Text1->SelStart(), qsizetype(1));
}

void tst_FindDialog::searchActiveDocumentFollowsTheRules() {
    // The search as the program runs it, on a document's text box, against the rules: random
    // texts with line breaks and lone CRs and LFs, random settings, carets and Find commands,
    // each search starting from where the one before left the selection.
    FrameFixture f;
    TextBox* box = f.active()->Text1;
    SearchSettings& real = settings(f);
    QRandomGenerator rng(4242);
    const QString alphabet = QStringLiteral("aAbBèÈ\r\n");
    const auto pick = [&] { return alphabet.at(int(rng.bounded(quint32(alphabet.size())))); };
    int messages = 0;
    for (int round = 0; round < 150; ++round) {
        QString text;
        const int length = int(rng.bounded(30u));
        for (int i = 0; i < length; ++i) text += pick();
        box->setText(CodePage::encode(text));
        box->setSelStart(rng.bounded(length + 1));
        real.SearchLastStart = rng.bounded(length + 1);
        real.SearchIsNew = true;
        for (int step = 0; step < 8; ++step) {
            if (step == 0 || rng.bounded(3u) == 0) {
                QString pattern;
                for (int i = 0, n = 1 + int(rng.bounded(3u)); i < n; ++i) pattern += pick();
                real.SearchText = pattern;
                real.SearchMatchCase = qint16(rng.bounded(2u));
                real.SearchDirection = qint16(rng.bounded(2u));
            }
            if (rng.bounded(5u) == 0) box->setSelStart(rng.bounded(length + 1));
            if (rng.bounded(6u) == 0) real.SearchIsNew = true;

            SearchSettings ref = real;
            const qsizetype caret = box->SelStart();
            const qsizetype selected = box->SelLength();
            const auto expected = SearchReference::search(box->Text(), caret, ref);
            if (!expected) {
                f.dialogs().answerMessageBox(Answer::Ok);
                ++messages;
            }
            f.frame().searchCommands().SearchActiveDocument();

            const QString where = QStringLiteral("round %1 step %2").arg(round).arg(step);
            QVERIFY2(box->SelStart() == (expected ? *expected : caret), qPrintable(where));
            QVERIFY2(box->SelLength() == (expected ? real.SearchText.size() : selected),
                     qPrintable(where));
            QVERIFY2(real.SearchLastStart == ref.SearchLastStart, qPrintable(where));
            QVERIFY2(!real.SearchIsNew, qPrintable(where));
            QVERIFY2(f.dialogs().calls().size() == messages, qPrintable(where));
        }
    }
    QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    QVERIFY(messages > 100);
    QVERIFY(messages < 150 * 8 - 100);
}

void tst_FindDialog::gotFocusBringsTheDialogToTheFront() {
    FrameFixture f;
    TextBox* box = f.active()->Text1;
    const auto focusText = [box] {
        QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
        QApplication::sendEvent(box, &in);
    };
    focusText();  // no dialog yet: nothing happens, nothing fails

    f.active()->mnuSFind_Click();
    RaiseCounter counter;
    dialog(f)->installEventFilter(&counter);
    focusText();
    QCOMPARE(counter.raised, 1);

    dialog(f)->hide();
    focusText();
    QCOMPARE(counter.raised, 1);
}

void tst_FindDialog::theDialogGoesWithTheFrame() {
    QPointer<frmFind> d;
    {
        FrameFixture f;
        f.active()->mnuSFind_Click();
        d = dialog(f);
        QVERIFY(d);
    }
    QVERIFY(!d);
}

QTEST_MAIN(tst_FindDialog)
#include "tst_finddialog.moc"
