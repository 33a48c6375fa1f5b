#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QFontInfo>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include "TextBoxScript.h"
#include "TextReference.h"
#include "core/files/CodePage.h"
#include "core/text/DisplayText.h"
#include "gui/textbox/TextBox.h"

namespace {

// The text box with its protected entry points reachable from the tests.
class OpenTextBox : public TextBox {
public:
    using TextBox::canInsertFromMimeData;
    using TextBox::createMimeDataFromSelection;
    using TextBox::insertFromMimeData;
};

QString shownText(const TextBox& box) { return TextBoxScript::shownText(box); }

// The bytes that shown text stands for, decoded without the text box's own helpers.
QByteArray bytesOfShown(const QString& shown) {
    QByteArray out;
    for (const QChar c : shown) {
        const char16_t u = c.unicode();
        if (u == 0x2029) {
            out += "\r\n";
        } else if (u >= 0x2400 && u < 0x2420) {
            out += char(u - 0x2400);
        } else if (u == 0x2421) {
            out += '\x7f';
        } else {
            const int b = CodePage::fromUnicode(c);
            out += b < 0 ? QByteArray("<not in the code page>") : QByteArray(1, char(b));
        }
    }
    return out;
}

// The box's text, its selection and what the widget shows all agree with the reference.
QString mismatch(const TextBox& box, const TextReference& ref) {
    if (box.Text() != ref.bytes()) {
        return QString("Text %1, expected %2").arg(box.Text().toHex(), ref.bytes().toHex());
    }
    if (box.TextLength() != qsizetype(ref.text.size())) return "TextLength";
    if (box.SelStart() != ref.start || box.SelLength() != ref.length) {
        return QString("selection %1+%2, expected %3+%4")
            .arg(box.SelStart())
            .arg(box.SelLength())
            .arg(ref.start)
            .arg(ref.length);
    }
    if (box.SelText() != ref.selText()) return "SelText";
    return TextBoxScript::viewMismatch(box, ref);
}

// One key press and release as the keyboard makes it, text included.
void typeChar(QWidget* w, QChar c) {
    const Qt::Key key =
        c.isLetter() && c.unicode() < 0x80 ? Qt::Key(c.toUpper().unicode()) : Qt::Key_unknown;
    QTest::sendKeyEvent(QTest::Click, w, key, QString(c), Qt::NoModifier);
}

// The bytes that typing c puts into ref's document. The document keeps what it can hold;
// anything else, and the characters the box shows in place of others, becomes '?'.
QByteArray typedBytes(const TextReference& ref, QChar c) {
    const char16_t u = c.unicode();
    const bool picture = u == 0x2029 || (u >= 0x2400 && u <= 0x241F && u != 0x2409) || u == 0x2421;
    return !ref.utf8 ? CodePage::encode(QString(c))
           : picture ? QByteArray("?")
                     : QString(c).toUtf8();
}

// Runs one named user action on the box and the reference. Returns whether the reference says
// the text changed.
bool act(TextBox* box, TextReference& ref, const QString& action) {
    if (action.startsWith("type:")) {
        bool changed = false;
        for (const QChar c : action.mid(5)) {
            typeChar(box, c);
            // The document keeps what it can hold; anything else, and the characters the box
            // shows in place of others, becomes '?'.
            changed |= ref.type(typedBytes(ref, c));
        }
        return changed;
    }
    // What an input method sends: a commit (a dead key or the compose key ends in one), a
    // commit over the character before the caret, a pre-edit shown but not yet in the text.
    if (action.startsWith("commit:") || action.startsWith("replace:")) {
        const bool replace = action.startsWith("replace:");
        const QString text = action.mid(action.indexOf(':') + 1);
        QInputMethodEvent commit;
        commit.setCommitString(text, replace ? -1 : 0, replace ? 1 : 0);
        QCoreApplication::sendEvent(box, &commit);
        QByteArray bytes;
        for (const QChar c : text) bytes += typedBytes(ref, c);
        return (replace && ref.backspace()) | ref.type(bytes);
    }
    // An input method's delete-surrounding: the n characters of the text before the caret go.
    if (action.startsWith("delete-surrounding:")) {
        const int n = action.mid(19).toInt();
        QInputMethodEvent removal;
        removal.setCommitString(QString(), -n, n);
        QCoreApplication::sendEvent(box, &removal);
        const long caret = ref.viewStart();
        ref.setSelStart(caret - n);
        ref.setSelLength(n);
        return ref.setSelText(QByteArray());
    }
    // A screen reader's edits, at its offsets: text put in at the caret, or in place of the
    // selection. A line break it gives is the document's; a picture is no character it shows.
    if (action.startsWith("a11y-insert:") || action.startsWith("a11y-replace:")) {
        const QString text = action.mid(action.indexOf(':') + 1);
        QAccessibleTextInterface* read =
            QAccessible::queryAccessibleInterface(box)->textInterface();
        QAccessibleEditableTextInterface* edit =
            QAccessible::queryAccessibleInterface(box)->editableTextInterface();
        int start = read->cursorPosition();
        int end = start;
        if (action.startsWith("a11y-replace:") && read->selectionCount() > 0)
            read->selection(0, &start, &end);
        edit->replaceText(start, end, text);
        QByteArray bytes;
        for (const QChar c : text)
            bytes += c == u'\n' ? QByteArray(ref.lf ? "\n" : "\r\n") : typedBytes(ref, c);
        return ref.type(bytes);
    }
    if (action.startsWith("preedit:")) {
        // A pre-edit that starts over a selection takes the selection out, as typing would.
        QInputMethodEvent preedit(action.mid(8), {});
        QCoreApplication::sendEvent(box, &preedit);
        return ref.length > 0 && ref.backspace();
    }
    if (action.startsWith("paste:")) {
        // Plain text from another program, pasted with the key: its LF is the document's line
        // break, and it replaces the selection as typing does.
        const QString text = action.mid(6);
        QGuiApplication::clipboard()->setText(text);
        QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
        QByteArray bytes;
        for (const QChar c : text)
            bytes +=
                c == u'\n' ? (ref.lf ? QByteArray("\n") : QByteArray("\r\n")) : typedBytes(ref, c);
        return ref.type(bytes);
    }
    if (action == "Return") {
        QTest::keyClick(box, Qt::Key_Return);
        return ref.enter();
    }
    if (action == "Shift+Return") {
        QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
        return ref.enter();
    }
    if (action == "Enter") {
        QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
        return ref.enter();
    }
    if (action == "Backspace") {
        QTest::keyClick(box, Qt::Key_Backspace);
        return ref.backspace();
    }
    if (action == "Delete") {
        QTest::keyClick(box, Qt::Key_Delete);
        return ref.deleteForward();
    }
    if (action == "Left") {
        QTest::keyClick(box, Qt::Key_Left);
        ref.left();
        return false;
    }
    if (action == "Right") {
        QTest::keyClick(box, Qt::Key_Right);
        ref.right();
        return false;
    }
    if (action == "Ctrl+Delete" || action == "Ctrl+Backspace") {
        const bool forward = action == "Ctrl+Delete";
        QTest::keyClick(box, forward ? Qt::Key_Delete : Qt::Key_Backspace, Qt::ControlModifier);
        return ref.deleteWord(forward);
    }
    if (action == "Ctrl+Left" || action == "Ctrl+Right") {
        const bool left = action == "Ctrl+Left";
        QTest::keyClick(box, left ? Qt::Key_Left : Qt::Key_Right, Qt::ControlModifier);
        left ? ref.wordLeft() : ref.wordRight();
        return false;
    }
    // A double-click ("word:") or a triple-click ("line:") on a character position.
    if (action.startsWith("word:") || action.startsWith("line:")) {
        const bool word = action.startsWith("word:");
        const int pos = TextBoxScript::clickAt(*box, action.mid(5).toInt(), word ? 2 : 3);
        word ? ref.selectWord(pos) : ref.selectLine(pos);
        return false;
    }
    if (action == "Ctrl+Home") {
        QTest::keyClick(box, Qt::Key_Home, Qt::ControlModifier);
        ref.toStart();
        return false;
    }
    if (action == "Ctrl+End") {
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
        ref.toEnd();
        return false;
    }
    qFatal("unknown action %s", qPrintable(action));
}

// Bytes for random texts: many CRs and LFs, and a few bytes that show as pictures or need the
// code page.
constexpr char kAlphabet[] = "\r\r\r\n\n\nab \t\0\x7f\xa0\x81\xe9";

QByteArray allBytes() {
    QByteArray all;
    for (int b = 0; b < 256; ++b) all.append(char(b));
    return all;
}

// Shows box, resized to size when one is given, and waits until it is on screen.
bool shown(QWidget& box, QSize size = {}) {
    if (size.isValid()) box.resize(size);
    box.show();
    return QTest::qWaitForWindowExposed(&box);
}

// A line of short words, at least length bytes long.
QByteArray wordLine(int length) {
    QByteArray line;
    while (line.size() < length) line += "sole mare luna ";
    return line;
}

}  // namespace

class tst_TextBox : public QObject {
    Q_OBJECT
private slots:
    void init();
    void programmaticApi_data();
    void programmaticApi();
    void keys_data();
    void keys();
    void everyByteShowsAndComesBack();
    void lineEndsShown_data();
    void lineEndsShown();
    void lineBreaksJoinedAndSplit_data();
    void lineBreaksJoinedAndSplit();
    void userTextBecomesWhatWillBeSaved_data();
    void userTextBecomesWhatWillBeSaved();
    void pasteAndDrop();
    void copyGivesTheBytes();
    void changeOncePerChange();
    void reportsOfNoChangeChangeNothing();
    void gotFocus();
    void clickTakesTheShownCaret();
    void menuShortcutsWin();
    void shortcutsOfWindowActionsAndMenusOffTheBar();
    void undoKeepsBufferAndViewTogether();
    void undoInAUtf8LfDocument();
    void undoStepsMergeTypingAndRemovals();
    void randomAgainstReference_data();
    void randomAgainstReference();
    void bigTextFollowsEdits();
    void longLineShowsAsIfFresh();
    void editsRepaintWhatTheyChange();
    void wordsAreTheWidgets();
    void endOfARowBeforeASoftBreak();
    void dragAfterADoubleClick();
    void wordAndLineDeletions_data();
    void wordAndLineDeletions();
    void readingDoesNotCopy();
    void readFromOutsideAsText();
    void readAtLineEndsAsAPlainBox_data();
    void readAtLineEndsAsAPlainBox();
};

void tst_TextBox::init() {
    // The box warns when it had to read its text back from the widget: that is a fault.
    QTest::failOnWarning(QRegularExpression("lost track"));
}

void tst_TextBox::programmaticApi_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("ops");
    QTest::addColumn<QByteArray>("expText");
    QTest::addColumn<int>("expStart");
    QTest::addColumn<int>("expLength");
    QTest::addColumn<int>("changes");

    QTest::newRow("SelStart clamped")
        << QByteArray("abc") << QStringList{"start 9"} << QByteArray("abc") << 3 << 0 << 0;
    QTest::newRow("SelStart negative")
        << QByteArray("abc") << QStringList{"start -4"} << QByteArray("abc") << 0 << 0 << 0;
    QTest::newRow("SelLength clamped") << QByteArray("abc") << QStringList{"start 1", "length 7"}
                                       << QByteArray("abc") << 1 << 2 << 0;
    QTest::newRow("SelLength negative") << QByteArray("abc") << QStringList{"start 1", "length -7"}
                                        << QByteArray("abc") << 1 << 0 << 0;
    QTest::newRow("SelText at the end") << QByteArray("ab") << QStringList{"start 2", "seltext cd"}
                                        << QByteArray("abcd") << 4 << 0 << 1;
    QTest::newRow("SelText replaces")
        << QByteArray("abcd") << QStringList{"start 1", "length 2", "seltext X"}
        << QByteArray("aXd") << 2 << 0 << 1;
    QTest::newRow("empty SelText on nothing")
        << QByteArray("abc") << QStringList{"start 1", "seltext "} << QByteArray("abc") << 1 << 0
        << 0;
    QTest::newRow("same SelText") << QByteArray("abc")
                                  << QStringList{"start 1", "length 1", "seltext b"}
                                  << QByteArray("abc") << 2 << 0 << 0;
    QTest::newRow("caret between CR and LF kept")
        << QByteArray("a\r\nb") << QStringList{"start 2"} << QByteArray("a\r\nb") << 2 << 0 << 0;
    QTest::newRow("selecting the CR only")
        << QByteArray("a\r\nb") << QStringList{"start 1", "length 1"} << QByteArray("a\r\nb") << 1
        << 1 << 0;
    QTest::newRow("writing between CR and LF")
        << QByteArray("a\r\nb") << QStringList{"start 2", "seltext X"} << QByteArray("a\rX\nb") << 3
        << 0 << 1;
    QTest::newRow("Text set to itself") << QByteArray("abc") << QStringList{"start 2", "text abc"}
                                        << QByteArray("abc") << 0 << 0 << 0;
    QTest::newRow("Text replaced") << QByteArray("abc") << QStringList{"start 2", "text xy"}
                                   << QByteArray("xy") << 0 << 0 << 1;
    QTest::newRow("two writes, two changes")
        << QByteArray("") << QStringList{"seltext a", "seltext b"} << QByteArray("ab") << 2 << 0
        << 2;
}

void tst_TextBox::programmaticApi() {
    QFETCH(QByteArray, text);
    QFETCH(QStringList, ops);
    QFETCH(QByteArray, expText);
    QFETCH(int, expStart);
    QFETCH(int, expLength);
    QFETCH(int, changes);

    TextBox box;
    box.setText(text);
    TextReference ref;
    ref.setText(text);
    QSignalSpy changed(&box, &TextBox::Change);
    for (const QString& op : ops) {
        const QString arg = op.section(' ', 1);
        if (op.startsWith("start ")) {
            box.setSelStart(arg.toInt());
            ref.setSelStart(arg.toInt());
        } else if (op.startsWith("length ")) {
            box.setSelLength(arg.toInt());
            ref.setSelLength(arg.toInt());
        } else if (op.startsWith("seltext ")) {
            box.setSelText(arg.toLatin1());
            ref.setSelText(arg.toLatin1());
        } else if (op.startsWith("text ")) {
            box.setText(arg.toLatin1());
            ref.setText(arg.toLatin1());
        }
        QVERIFY2(mismatch(box, ref).isEmpty(), qPrintable(op + ": " + mismatch(box, ref)));
    }
    QCOMPARE(box.Text(), expText);
    QCOMPARE(box.SelStart(), expStart);
    QCOMPARE(box.SelLength(), expLength);
    QCOMPARE(changed.count(), changes);
}

void tst_TextBox::keys_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QStringList>("actions");

    QTest::newRow("typing") << QByteArray("") << 0 << 0 << QStringList{"type:hello"};
    QTest::newRow("typing over a selection")
        << QByteArray("abcdef") << 1 << 3 << QStringList{"type:XY"};
    QTest::newRow("Return makes CR LF") << QByteArray("ab") << 1 << 0 << QStringList{"Return"};
    QTest::newRow("Shift+Return too") << QByteArray("ab") << 1 << 0 << QStringList{"Shift+Return"};
    QTest::newRow("keypad Enter too") << QByteArray("ab") << 1 << 0 << QStringList{"Enter"};
    QTest::newRow("Return over a selection")
        << QByteArray("abcd") << 1 << 2 << QStringList{"Return"};
    QTest::newRow("Backspace after a line break")
        << QByteArray("ab\r\ncd") << 4 << 0 << QStringList{"Backspace"};
    QTest::newRow("Backspace after a lone CR")
        << QByteArray("ab\rcd") << 3 << 0 << QStringList{"Backspace"};
    QTest::newRow("Backspace after a lone LF")
        << QByteArray("ab\ncd") << 3 << 0 << QStringList{"Backspace"};
    QTest::newRow("Backspace at the start")
        << QByteArray("ab") << 0 << 0 << QStringList{"Backspace"};
    QTest::newRow("Backspace with the caret between CR and LF")
        << QByteArray("a\r\nb") << 2 << 0 << QStringList{"Backspace"};
    QTest::newRow("Backspace with the LF alone selected")
        << QByteArray("a\r\nb") << 2 << 1 << QStringList{"Backspace"};
    QTest::newRow("typing with the CR alone selected")
        << QByteArray("a\r\nb") << 1 << 1 << QStringList{"type:X"};
    QTest::newRow("typing with the caret between CR and LF")
        << QByteArray("a\r\nb") << 2 << 0 << QStringList{"type:X"};
    QTest::newRow("Backspace joins a lone CR and a lone LF")
        << QByteArray("a\rx\nb") << 3 << 0 << QStringList{"Backspace", "type:Z"};
    QTest::newRow("Delete joins a lone CR and a lone LF")
        << QByteArray("a\rx\nb") << 2 << 0 << QStringList{"Delete", "type:Z"};
    QTest::newRow("typing over the middle joins nothing")
        << QByteArray("a\rxy\nb") << 2 << 2 << QStringList{"type:Q"};
    QTest::newRow("Backspace over a selection joins")
        << QByteArray("a\rxy\nb") << 2 << 2 << QStringList{"Backspace", "Return"};
    QTest::newRow("arrows over line breaks")
        << QByteArray("a\r\nb\rc\nd") << 0 << 0
        << QStringList{"Right", "Right", "Right", "Right", "type:1",
                       "Left",  "Left",  "Left",  "type:2"};
    QTest::newRow("arrows collapse a selection")
        << QByteArray("abcdef") << 1 << 3 << QStringList{"Right", "type:R"};
    QTest::newRow("document start and end")
        << QByteArray("ab\r\ncd") << 2 << 0
        << QStringList{"Ctrl+End", "type:E", "Ctrl+Home", "type:S"};
    QTest::newRow("Ctrl+End where the caret is already shown")
        << QByteArray("ab\r\n") << 3 << 0 << QStringList{"Ctrl+End", "type:E"};
    QTest::newRow("Ctrl+Home where the caret is already shown")
        << QByteArray("\r\nab") << 0 << 1 << QStringList{"Ctrl+Home", "type:S"};
    QTest::newRow("Latin-1 and Windows-1252 typed")
        << QByteArray() << 0 << 0 << QStringList{"type:\u00e9\u20ac\u0160"};
    QTest::newRow("unrepresentable typed")
        << QByteArray() << 0 << 0 << QStringList{"type:\u0141\u240d\u2029x"};
    QTest::newRow("tab typed") << QByteArray("ab") << 1 << 0 << QStringList{"type:\t"};
    // A line this long shows as paragraphs of 256 characters; the caret at 4096 stands at the
    // start of the seventeenth one.
    const QByteArray longLine = QByteArray(4096, 'a') + QByteArray(6000, 'b');
    QTest::newRow("Left where a long line is split")
        << longLine << 4096 << 0 << QStringList{"Left", "type:L"};
    QTest::newRow("Backspace where a long line is split")
        << longLine << 4096 << 0 << QStringList{"Backspace", "type:B"};
    // An input method's commit and pre-edit in a piece of a long line change the text by the
    // commit alone, though the widget reports the whole piece, its soft break included.
    QTest::newRow("input method in a long line")
        << longLine << 10 << 0
        << QStringList{"preedit:\u00b4", "commit:\u00e9", "replace:\u00e8", "commit:ab", "Right"};
    QTest::newRow("input method over a selection in a long line")
        << longLine << 4090 << 12 << QStringList{"preedit:`", "commit:\u00e0"};
    QTest::newRow("paste over a selection in a long line")
        << longLine << 4090 << 12 << QStringList{"paste:x\ny\u240a", "Backspace", "Delete"};
    QTest::newRow("input method commit at the end")
        << QByteArray("ab\r\n") << 4 << 0 << QStringList{"commit:\u00f2"};
    // An input method's offsets and a screen reader's are the text's, not the view's, across a
    // soft break as anywhere else.
    QTest::newRow("delete-surrounding right after a soft break")
        << longLine << 4096 << 0 << QStringList{"delete-surrounding:2", "type:D"};
    QTest::newRow("screen reader's edits in a long line")
        << longLine << 5000 << 0
        << QStringList{"a11y-insert:x\ny", "Right", "a11y-insert:z", "a11y-replace:"};
    QTest::newRow("screen reader's edit over a selection across a soft break")
        << longLine << 4090 << 12 << QStringList{"a11y-replace:Z"};
    QTest::newRow("screen reader's edits join a lone CR and a lone LF")
        << QByteArray("a\rx\nb") << 2 << 1 << QStringList{"a11y-replace:", "a11y-insert:1"};
    QTest::newRow("screen reader's pictures are no characters")
        << QByteArray("ab") << 1 << 0 << QStringList{"a11y-insert:\u2400\u240d\u2029"};
    // Words and lines are the text's, across the soft breaks of a long line: a word that runs
    // over one is one word, a line of pieces one line, a line without spaces one word.
    QByteArray words;
    for (int i = 0; words.size() < 12000; ++i) words += "w" + QByteArray::number(10000 + i) + ' ';
    QTest::newRow("words and lines over soft breaks")
        << "a.b\r\n" + words + "\r\nz" << 4090 << 0
        << QStringList{"Ctrl+Right", "Ctrl+Right", "Ctrl+Left",  "Ctrl+Left",  "word:4094",
                       "word:8190",  "word:12005", "word:12006", "Ctrl+Right", "Ctrl+Right",
                       "word:2",     "word:0",     "Ctrl+Left",  "line:9000",  "type:X",
                       "Ctrl+Left",  "line:1",     "Ctrl+Right"};
    QTest::newRow("a line without spaces is one word")
        << "ab\r\n" + QByteArray(20000, 'x') << 9000 << 0
        << QStringList{"word:9000", "Ctrl+Left", "Ctrl+Right", "Ctrl+Right", "line:4", "type:Y"};
}

void tst_TextBox::keys() {
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QStringList, actions);

    TextBox box;
    QVERIFY(shown(box));
    TextReference ref;
    box.setText(text);
    ref.setText(text);
    box.setSelStart(start);
    ref.setSelStart(start);
    box.setSelLength(length);
    ref.setSelLength(length);
    QSignalSpy changed(&box, &TextBox::Change);
    int changes = 0;
    for (const QString& action : actions) {
        const int before = changed.count();
        const bool refChanged = act(&box, ref, action);
        const QString diff = mismatch(box, ref);
        QVERIFY2(diff.isEmpty(), qPrintable(action + ": " + diff));
        if (action.startsWith("type:")) {
            changes += int(action.size() - 5);
        } else if (refChanged) {
            QCOMPARE(changed.count(), before + 1);
            ++changes;
        } else {
            QCOMPARE(changed.count(), before);
        }
    }
    QCOMPARE(changed.count(), changes);
}

void tst_TextBox::everyByteShowsAndComesBack() {
    OpenTextBox box;
    const QByteArray all = allBytes();
    box.setText(all);
    QCOMPARE(box.Text(), all);
    const QString shown = shownText(box);
    QCOMPARE(shown, TextReference::display(all));
    QCOMPARE(box.document()->blockCount(), 1);  // 13 is followed by 14: no line break
    QCOMPARE(shown.at(0), QChar(0x2400));
    QCOMPARE(shown.at(9), QChar('\t'));
    QCOMPARE(shown.at(10), QChar(0x240A));
    QCOMPARE(shown.at(13), QChar(0x240D));
    QCOMPARE(shown.at(127), QChar(0x2421));
    QCOMPARE(shown.at(0x80), QChar(0x20AC));
    QCOMPARE(shown.at(0xA0), QChar(0x00A0));

    // Edits made in the widget leave every other byte alone: the no-break space, the lone CR
    // and the lone LF are not turned into what the widget's plain text would make of them.
    box.setSelStart(5);
    box.setSelLength(1);
    QTest::keyClicks(&box, "Q");
    QByteArray expected = all;
    expected[5] = 'Q';
    QCOMPARE(box.Text(), expected);
    box.setSelStart(box.TextLength());
    QTest::keyClick(&box, Qt::Key_Backspace);
    expected.chop(1);
    QCOMPARE(box.Text(), expected);
    QCOMPARE(shownText(box), TextReference::display(expected));
    QCOMPARE(bytesOfShown(shownText(box)), expected);
}

void tst_TextBox::lineEndsShown_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("blocks");
    QTest::newRow("line break") << QByteArray("a\r\nb") << QStringLiteral("a\u2029b") << 2;
    QTest::newRow("lone CR") << QByteArray("a\rb") << QStringLiteral("a\u240Db") << 1;
    QTest::newRow("lone LF") << QByteArray("a\nb") << QStringLiteral("a\u240Ab") << 1;
    QTest::newRow("LF CR") << QByteArray("\n\r") << QStringLiteral("\u240A\u240D") << 1;
    QTest::newRow("CR CR LF") << QByteArray("\r\r\n") << QStringLiteral("\u240D\u2029") << 2;
    QTest::newRow("CR LF LF") << QByteArray("\r\n\n") << QStringLiteral("\u2029\u240A") << 2;
    QTest::newRow("NUL") << QByteArray("a\0b", 3) << QStringLiteral("a\u2400b") << 1;
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n") << QStringLiteral("\u2029\u2029") << 3;
}

void tst_TextBox::lineEndsShown() {
    QFETCH(QByteArray, text);
    QFETCH(QString, shown);
    QFETCH(int, blocks);
    TextBox box;
    box.setText(text);
    QCOMPARE(shownText(box), shown);
    QCOMPARE(box.document()->blockCount(), blocks);
    QCOMPARE(box.Text(), text);
}

void tst_TextBox::lineBreaksJoinedAndSplit_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QByteArray>("expText");
    QTest::addColumn<int>("blocks");

    QTest::newRow("removing what parts CR and LF joins them")
        << QByteArray("a\rx\nb") << 2 << 1 << QByteArray() << QByteArray("a\r\nb") << 2;
    QTest::newRow("writing between CR and LF splits them")
        << QByteArray("a\r\nb") << 2 << 0 << QByteArray("X") << QByteArray("a\rX\nb") << 1;
    QTest::newRow("writing a CR before a lone LF joins")
        << QByteArray("a\nb") << 1 << 0 << QByteArray("\r") << QByteArray("a\r\nb") << 2;
    QTest::newRow("writing an LF after a lone CR joins")
        << QByteArray("a\rb") << 2 << 0 << QByteArray("\n") << QByteArray("a\r\nb") << 2;
    QTest::newRow("removing the LF of a line break")
        << QByteArray("a\r\nb") << 2 << 1 << QByteArray() << QByteArray("a\rb") << 1;
    QTest::newRow("removing the CR of a line break")
        << QByteArray("a\r\nb") << 1 << 1 << QByteArray() << QByteArray("a\nb") << 1;
    QTest::newRow("replacing the LF of one line break by another's")
        << QByteArray("a\r\n\nb") << 2 << 1 << QByteArray("\r") << QByteArray("a\r\r\nb") << 2;
    QTest::newRow("selection from inside one line break to inside the next")
        << QByteArray("a\r\nbc\r\nd") << 2 << 4 << QByteArray("Z") << QByteArray("a\rZ\nd") << 1;
    QTest::newRow("writing a line break between CR and LF")
        << QByteArray("\r\n") << 1 << 0 << QByteArray("\r\n") << QByteArray("\r\r\n\n") << 2;
}

void tst_TextBox::lineBreaksJoinedAndSplit() {
    QFETCH(QByteArray, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, expText);
    QFETCH(int, blocks);

    TextBox box;
    TextReference ref;
    box.setText(text);
    ref.setText(text);
    box.setSelStart(start);
    ref.setSelStart(start);
    box.setSelLength(length);
    ref.setSelLength(length);
    box.setSelText(written);
    ref.setSelText(written);
    QCOMPARE(box.Text(), expText);
    QCOMPARE(box.document()->blockCount(), blocks);
    QVERIFY2(mismatch(box, ref).isEmpty(), qPrintable(mismatch(box, ref)));
}

void tst_TextBox::userTextBecomesWhatWillBeSaved_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    // Pasted or dropped from another program, each line break becomes the document's own.
    QTest::addColumn<QByteArray>("pasted");
    QTest::newRow("L stroke and CR picture")
        << QStringLiteral("\u0141\u240D") << QByteArray("??") << QByteArray("??");
    QTest::newRow("code page characters")
        << QStringLiteral("\u00e9\u20ac\u0178") << QByteArray("\xe9\x80\x9f")
        << QByteArray("\xe9\x80\x9f");
    QTest::newRow("line break") << QStringLiteral("a\r\nb") << QByteArray("a\r\nb")
                                << QByteArray("a\r\nb");
    QTest::newRow("lone LF and CR kept as they are, or line breaks when pasted")
        << QStringLiteral("a\nb\rc") << QByteArray("a\nb\rc") << QByteArray("a\r\nb\r\nc");
    QTest::newRow("LF CR is two line breaks when pasted")
        << QStringLiteral("a\n\rb") << QByteArray("a\n\rb") << QByteArray("a\r\n\r\nb");
    QTest::newRow("paragraph separator")
        << QStringLiteral("a\u2029b") << QByteArray("a?b") << QByteArray("a?b");
    QTest::newRow("line separator")
        << QStringLiteral("a\u2028b") << QByteArray("a?b") << QByteArray("a?b");
    QTest::newRow("emoji is one character")
        << QStringLiteral("\U0001F600") << QByteArray("?") << QByteArray("?");
    QTest::newRow("NUL") << QString(QChar(0)) << QByteArray(1, '\0') << QByteArray(1, '\0');
}

void tst_TextBox::userTextBecomesWhatWillBeSaved() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, pasted);

    // Pasted.
    OpenTextBox box;
    box.setText("<>");
    box.setSelStart(1);
    QMimeData data;
    data.setText(text);
    QVERIFY(box.canInsertFromMimeData(&data));
    QSignalSpy changed(&box, &TextBox::Change);
    box.insertFromMimeData(&data);
    QCOMPARE(box.Text(), "<" + pasted + ">");
    QCOMPARE(box.SelStart(), 1 + pasted.size());
    QCOMPARE(shownText(box), TextReference::display(box.Text()));
    QCOMPARE(changed.count(), 1);

    // From an input method.
    box.setText("<>");
    box.setSelStart(1);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(&box, &commit);
    QCOMPARE(box.Text(), "<" + bytes + ">");
    QCOMPARE(shownText(box), TextReference::display(box.Text()));
}

void tst_TextBox::pasteAndDrop() {
    QMimeData image;
    image.setImageData(QImage(2, 2, QImage::Format_RGB32));
    OpenTextBox box;
    QVERIFY(!box.canInsertFromMimeData(&image));
    box.setText("abc");
    box.setSelStart(1);
    box.setSelLength(1);
    box.insertFromMimeData(&image);
    QCOMPARE(box.Text(), QByteArray("abc"));

    // The widget's own paste goes through the clipboard and the same sanitising.
    QGuiApplication::clipboard()->setText(QStringLiteral("\u0141\r\n"));
    box.paste();
    QCOMPARE(box.Text(), QByteArray("a?\r\nc"));
    QCOMPARE(box.SelStart(), 4);
    QCOMPARE(box.document()->blockCount(), 2);

    // A drop lands where it is dropped.
    QVERIFY(shown(box, {300, 200}));
    box.setText("xy");
    const QPoint at = box.cursorRect(QTextCursor(box.document())).center();
    QMimeData dropped;
    dropped.setText(QStringLiteral("\u240A!"));
    QDragEnterEvent enter(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &enter);
    QDropEvent drop(at, Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &drop);
    QCOMPARE(box.Text(), QByteArray("?!xy"));
    QCOMPARE(shownText(box), QStringLiteral("?!xy"));

    // The widget's own menu (a box without commands): its Cut, Delete and Paste edit the text.
    box.setText("a\rbc\nd");
    const auto choose = [&box](const char* name) {
        QTimer::singleShot(100, [name] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            QAction* chosen = menu->findChild<QAction*>(QLatin1String(name));
            menu->close();
            if (chosen) chosen->trigger();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                box.viewport()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(box.viewport(), &event);
    };
    box.setSelStart(1);
    box.setSelLength(2);
    choose("edit-cut");
    QTRY_COMPARE(box.Text(), QByteArray("ac\nd"));
    box.setSelLength(2);
    choose("edit-delete");
    QTRY_COMPARE(box.Text(), QByteArray("ad"));
    choose("edit-paste");
    QTRY_COMPARE(box.Text(), QByteArray("a\rbd"));
    QCOMPARE(shownText(box), TextReference::display("a\rbd"));
    QCOMPARE(box.strayChanges(), 0);
}

void tst_TextBox::copyGivesTheBytes() {
    OpenTextBox box;
    const QByteArray text("a\rb\r\nc\n\0\xa0", 9);
    box.setText(text);
    box.selectAll();
    std::unique_ptr<QMimeData> data(box.createMimeDataFromSelection());
    // Other programs get LF line ends; the exact characters go under the program's own type.
    QCOMPARE(data->text(), CodePage::decode(text).replace("\r\n", "\n"));
    QCOMPARE(box.SelStart(), 0);
    QCOMPARE(box.SelLength(), text.size());

    // And it comes back as it left.
    box.setSelStart(box.TextLength());
    box.insertFromMimeData(data.get());
    QCOMPARE(box.Text(), text + text);

    // Across the soft breaks of a long line: the text's characters, no line break.
    QByteArray line;
    while (line.size() < 10000) line += "sole mare ";
    box.setText(line);
    QVERIFY(box.softBreakCount() > 0);
    box.setSelStart(4000);
    box.setSelLength(400);
    data.reset(box.createMimeDataFromSelection());
    QCOMPARE(data->text(), QString::fromLatin1(line.mid(4000, 400)));
}

void tst_TextBox::changeOncePerChange() {
    TextBox box;
    QVERIFY(shown(box));
    QSignalSpy changed(&box, &TextBox::Change);
    box.setText("abc");
    QCOMPARE(changed.count(), 1);
    box.setText("abc");
    QCOMPARE(changed.count(), 1);
    box.setSelStart(1);
    box.setSelLength(1);
    QCOMPARE(changed.count(), 1);
    box.setSelText("b");  // the same bytes
    QCOMPARE(changed.count(), 1);
    box.setSelText("");  // nothing selected any more
    QCOMPARE(changed.count(), 1);
    box.setSelText("\r\n");
    QCOMPARE(changed.count(), 2);
    QTest::keyClick(&box, Qt::Key_Backspace);  // a whole line break, one change
    QCOMPARE(changed.count(), 3);
    QCOMPARE(box.Text(), QByteArray("abc"));
    box.setSelStart(0);
    QTest::keyClick(&box, Qt::Key_Backspace);  // nothing before the caret
    QCOMPARE(changed.count(), 3);
    QTest::keyClick(&box, Qt::Key_Left);
    QTest::keyClick(&box, Qt::Key_Right);
    QCOMPARE(changed.count(), 3);
    box.setText("a\rx\nb");
    QCOMPARE(changed.count(), 4);
    box.setSelStart(3);
    QTest::keyClick(&box, Qt::Key_Backspace);  // removes x and joins CR and LF: one change
    QCOMPARE(changed.count(), 5);
    QCOMPARE(box.Text(), QByteArray("a\r\nb"));
    box.undo();
    QCOMPARE(changed.count(), 6);
    QCOMPARE(box.Text(), QByteArray("a\rx\nb"));
    box.setText("");
    QCOMPARE(changed.count(), 7);
    box.setText("");
    QCOMPARE(changed.count(), 7);
}

void tst_TextBox::reportsOfNoChangeChangeNothing() {
    // The widget also reports changes of format and of input method text that is not yet
    // typed, in ranges as wide as a line or the whole text: the text and an exact selection
    // between a CR and its LF stay as they are. A change of the view that the box did not make
    // is counted as a fault and changes no text; the view shows the text again.
    TextBox box;
    const QByteArray text("ab\r\ncd\r\xa0\n");
    box.setText(text);
    box.setSelStart(3);
    QSignalSpy changed(&box, &TextBox::Change);
    QInputMethodEvent preedit("xy", {});  // shown in the line, not yet text
    QApplication::sendEvent(&box, &preedit);
    QInputMethodEvent done("", {});
    QApplication::sendEvent(&box, &done);
    QTextCursor all(box.document());
    all.select(QTextCursor::Document);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QCOMPARE(box.strayChanges(), 0);
    all.mergeCharFormat(bold);
    QCOMPARE(box.strayChanges(), 1);
    QTextCursor move(box.document());
    move.beginEditBlock();
    move.setPosition(0);
    move.setPosition(1, QTextCursor::KeepAnchor);
    move.removeSelectedText();
    move.setPosition(3);
    move.insertText("x");
    move.endEditBlock();
    QCOMPARE(box.strayChanges(), 2);
    QCOMPARE(box.Text(), text);
    QCOMPARE(box.SelStart(), 3);
    QCOMPARE(box.SelLength(), 0);
    QCOMPARE(changed.count(), 0);
    QTRY_COMPARE(shownText(box), TextReference::display(text));
    QCOMPARE(box.SelStart(), 3);
}

void tst_TextBox::gotFocus() {
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* box = new TextBox(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(other);
    layout->addWidget(box);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    QSignalSpy focus(box, &TextBox::GotFocus);
    box->setFocus();
    QTRY_COMPARE(focus.count(), 1);
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    QCOMPARE(focus.count(), 1);
}

void tst_TextBox::clickTakesTheShownCaret() {
    TextBox box;
    QVERIFY(shown(box, {300, 200}));
    box.setText("a\r\nb");
    // A click puts the selection where it is shown, even when it does not move the caret.
    box.setSelStart(2);  // between CR and LF: shown at the start of the second line
    QCOMPARE(box.textCursor().position(), 2);
    QTextCursor second(box.document());
    second.setPosition(2);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier,
                      box.cursorRect(second).center());
    QCOMPARE(box.SelStart(), 3);
    QCOMPARE(box.SelLength(), 0);
    QTextCursor first(box.document());
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier,
                      box.cursorRect(first).center());
    QCOMPARE(box.SelStart(), 0);
}

void tst_TextBox::menuShortcutsWin() {
    QMainWindow window;
    auto* box = new TextBox;
    window.setCentralWidget(box);
    QMap<QString, int> fired;
    const auto command = [&](QMenu* menu, const QString& name, const QKeySequence& key) {
        QAction* a = menu->addAction(name);
        a->setShortcut(key);
        connect(a, &QAction::triggered, &window, [&fired, name] { ++fired[name]; });
        return a;
    };
    QMenu* edit = window.menuBar()->addMenu("&Edit");
    command(edit, "cut", QKeySequence(Qt::CTRL | Qt::Key_X));
    QAction* copy = command(edit, "copy", QKeySequence(Qt::CTRL | Qt::Key_C));
    QAction* del = command(edit, "delete", QKeySequence(Qt::Key_Delete));
    command(edit, "find next", QKeySequence(Qt::Key_F3));
    // A menu the window does not own (as a document window's menus shown on the frame's menu
    // bar), with a command one level down.
    QMenu more("&More");
    window.menuBar()->addMenu(&more);
    command(more.addMenu("Deeper"), "paste", QKeySequence(Qt::CTRL | Qt::Key_V));

    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    box->setText("abcdef");
    box->setSelStart(1);
    box->setSelLength(2);
    QGuiApplication::clipboard()->setText("clip");
    QSignalSpy changed(box, &TextBox::Change);

    QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClick(box, Qt::Key_Delete, Qt::KeypadModifier);
    QTest::keyClick(box, Qt::Key_F3);
    QCOMPARE(fired.value("cut"), 1);
    QCOMPARE(fired.value("copy"), 1);
    QCOMPARE(fired.value("paste"), 1);
    QCOMPARE(fired.value("delete"), 2);
    QCOMPARE(fired.value("find next"), 1);
    // The box did nothing of its own with those keys.
    QCOMPARE(box->Text(), QByteArray("abcdef"));
    QCOMPARE(box->SelStart(), 1);
    QCOMPARE(box->SelLength(), 2);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("clip"));

    // Keys no command owns, and keys of a disabled command, stay the box's own.
    QTest::keyClicks(box, "z");
    QCOMPARE(box->Text(), QByteArray("azdef"));
    del->setEnabled(false);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(box->Text(), QByteArray("azef"));
    QCOMPARE(fired.value("delete"), 2);
    copy->setVisible(false);
    box->setSelStart(0);
    box->setSelLength(2);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("az"));
    QCOMPARE(fired.value("copy"), 1);
}

void tst_TextBox::shortcutsOfWindowActionsAndMenusOffTheBar() {
    QMainWindow window;
    auto* around = new QWidget;
    auto* layout = new QVBoxLayout(around);
    auto* box = new TextBox;
    layout->addWidget(box);
    window.setCentralWidget(around);
    QMap<QString, int> fired;
    const auto track = [&](QAction* a, const QString& name, const QKeySequence& key) {
        a->setShortcut(key);
        connect(a, &QAction::triggered, &window, [&fired, name] { ++fired[name]; });
    };
    // Commands added to the window and to a widget around the box take their keys.
    auto* selectAll = new QAction("select all", &window);
    track(selectAll, "select all", QKeySequence(Qt::CTRL | Qt::Key_A));
    window.addAction(selectAll);
    QAction undo("undo");
    track(&undo, "undo", QKeySequence(Qt::CTRL | Qt::Key_Z));
    around->addAction(&undo);
    // A menu of the window that is on no menu bar (the menu of a document window that is not
    // the active one) cannot take a key: the box keeps it.
    auto* offTheBar = new QMenu("Other", &window);
    track(offTheBar->addAction("delete"), "delete", QKeySequence(Qt::Key_Delete));
    track(offTheBar->addMenu("Deeper")->addAction("copy"), "copy",
          QKeySequence(Qt::CTRL | Qt::Key_C));

    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    box->setText("abcdef");
    box->setSelStart(3);
    QGuiApplication::clipboard()->setText("clip");

    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(fired.value("select all"), 1);
    QCOMPARE(box->SelStart(), 3);
    QCOMPARE(box->SelLength(), 0);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(box->Text(), QByteArray("abcef"));
    QCOMPARE(fired.value("delete"), 0);
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(fired.value("undo"), 1);
    QCOMPARE(box->Text(), QByteArray("abcef"));
    box->setSelStart(0);
    box->setSelLength(2);
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(fired.value("copy"), 0);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("ab"));
}

void tst_TextBox::undoKeepsBufferAndViewTogether() {
    TextBox box;
    QVERIFY(shown(box));
    const QByteArray start("one\rX\ntwo\xa0\r\nthree\n");
    box.setText(start);
    QVERIFY(!box.isUndoAvailable());

    QList<QByteArray> states{box.Text()};
    const auto record = [&] {
        QCOMPARE(bytesOfShown(shownText(box)), box.Text());
        QCOMPARE(shownText(box), TextReference::display(box.Text()));
        states += box.Text();
    };
    box.setSelStart(5);
    QTest::keyClick(&box, Qt::Key_Backspace);  // joins the CR and the LF around X
    QCOMPARE(box.Text(), QByteArray("one\r\ntwo\xa0\r\nthree\n"));
    record();
    box.setSelStart(box.TextLength());
    QTest::keyClicks(&box, "four");
    record();
    box.setSelStart(7);
    box.setSelLength(2);  // "o" and the no-break space, which undo must bring back as it was
    QTest::keyClick(&box, Qt::Key_Backspace);
    record();
    box.setSelStart(0);
    box.setSelLength(2);
    box.setSelText("\n");
    record();
    box.setSelStart(1);
    box.setSelLength(0);
    QTest::keyClick(&box, Qt::Key_Return);
    record();
    box.setSelStart(3);
    box.setSelLength(1);
    QTest::keyClick(&box, Qt::Key_Delete);
    record();

    // Each undo brings back the state before one edit, buffer and widget alike.
    for (qsizetype i = states.size() - 2; i >= 0; --i) {
        QVERIFY(box.isUndoAvailable());
        box.undo();
        QCOMPARE(box.Text(), states[i]);
        QCOMPARE(bytesOfShown(shownText(box)), box.Text());
        QCOMPARE(shownText(box), TextReference::display(box.Text()));
        QVERIFY(box.SelStart() + box.SelLength() <= box.TextLength());
    }
    QVERIFY(!box.isUndoAvailable());
    for (qsizetype i = 1; i < states.size(); ++i) {
        box.redo();
        QCOMPARE(box.Text(), states[i]);
        QCOMPARE(shownText(box), TextReference::display(box.Text()));
    }
    QVERIFY(!box.isRedoAvailable());
    QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(box.Text(), states[states.size() - 2]);
    QTest::keyClick(&box, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(box.Text(), states.last());
    // The view's own document keeps no history, also after the whole text was set again.
    QVERIFY(!box.document()->isUndoRedoEnabled());
}

void tst_TextBox::undoStepsMergeTypingAndRemovals() {
    TextBox box;
    QVERIFY(shown(box));
    box.setText("xy\r\nab");
    const auto undoneTo = [&](const QByteArray& expected) {
        box.undo();
        return box.Text() == expected;
    };
    // Typed characters one after the other are one step, also across a caret move that comes
    // back; a typed replacement of a selection takes in what is typed after it.
    box.setSelStart(1);
    QTest::keyClicks(&box, "ab");
    QTest::keyClick(&box, Qt::Key_Left);
    QTest::keyClick(&box, Qt::Key_Right);
    QTest::keyClicks(&box, "c");
    box.setSelLength(1);
    QTest::keyClicks(&box, "de");
    QCOMPARE(box.Text(), QByteArray("xabcde\r\nab"));
    QVERIFY(undoneTo("xabcy\r\nab"));
    QVERIFY(undoneTo("xy\r\nab"));
    QVERIFY(!box.isUndoAvailable());
    // A run of Backspaces is one step, up to a line break, which is one of its own.
    box.setSelStart(box.TextLength());
    for (int i = 0; i < 4; ++i) QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(box.Text(), QByteArray("x"));
    QVERIFY(undoneTo("xy"));
    QVERIFY(undoneTo("xy\r\n"));
    QVERIFY(undoneTo("xy\r\nab"));
    // So is a run of Delete presses at one place; one elsewhere is another step.
    box.setSelStart(0);
    QTest::keyClick(&box, Qt::Key_Delete);
    QTest::keyClick(&box, Qt::Key_Delete);
    box.setSelStart(2);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(box.Text(), QByteArray("\r\nb"));
    QVERIFY(undoneTo("\r\nab"));
    QVERIFY(undoneTo("xy\r\nab"));
    // The program's change is a step of its own, and what is typed after it another.
    box.setSelStart(2);
    QTest::keyClicks(&box, "1");
    box.setSelText("2");
    QTest::keyClicks(&box, "3");
    QVERIFY(undoneTo("xy12\r\nab"));
    QVERIFY(undoneTo("xy1\r\nab"));
    // A new change drops what was undone.
    QVERIFY(box.isRedoAvailable());
    QTest::keyClicks(&box, "z");
    QVERIFY(!box.isRedoAvailable());
    // Replacing the whole text forgets the history; setting the kind of document does not.
    box.setFormat(DocumentFormat(DocumentFormat::LineBreak::Lf, DocumentFormat::Encoding::Utf8));
    QVERIFY(box.isUndoAvailable());
    box.setText("new");
    QVERIFY(!box.isUndoAvailable() && !box.isRedoAvailable());
}

void tst_TextBox::undoInAUtf8LfDocument() {
    // Undo and redo keep the characters and the LF line breaks exact.
    TextBox box;
    QVERIFY(shown(box));
    box.load("caff\xc3\xa8\nuno\r");
    QVERIFY(box.format().isLf() == false);  // a CR anywhere keeps CR LF
    box.load("caff\xc3\xa8\nuno\n");
    QVERIFY(box.format().isLf() && box.format().isUtf8());
    TextReference ref;
    ref.lf = ref.utf8 = true;
    QList<QByteArray> states{box.Text()};
    const auto record = [&] {
        ref.setText(box.Text());
        QCOMPARE(shownText(box), ref.shown());
        states += box.Text();
    };
    box.setSelStart(6);
    QTest::keyClick(&box, Qt::Key_Backspace);  // the LF goes: one line
    QCOMPARE(box.Text(), QByteArray("caff\xc3\xa8uno\n"));
    record();
    QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_unknown, QStringLiteral("\u20ac"),
                        Qt::NoModifier);
    record();
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(box.Text(), QByteArray("caff\xc3\xa8\xe2\x82\xac\nuno\n"));
    record();
    box.setSelStart(0);
    box.setSelLength(5);
    QTest::keyClick(&box, Qt::Key_Delete);
    record();
    for (qsizetype i = states.size() - 2; i >= 0; --i) {
        box.undo();
        QCOMPARE(box.Text(), states[i]);
        ref.setText(box.Text());
        QCOMPARE(shownText(box), ref.shown());
    }
    for (qsizetype i = 1; i < states.size(); ++i) {
        box.redo();
        QCOMPARE(box.Text(), states[i]);
    }
}

void tst_TextBox::randomAgainstReference_data() {
    QTest::addColumn<bool>("lf");
    QTest::addColumn<bool>("utf8");
    QTest::newRow("code page, CR LF") << false << false;
    QTest::newRow("code page, LF") << true << false;
    QTest::newRow("UTF-8, CR LF") << false << true;
    QTest::newRow("UTF-8, LF") << true << true;
}

void tst_TextBox::randomAgainstReference() {
    QFETCH(bool, lf);
    QFETCH(bool, utf8);
    quint32 seed = 4242;
    if (qEnvironmentVariableIsSet("TAVULELLA_SEED")) {
        seed = quint32(qEnvironmentVariableIntValue("TAVULELLA_SEED"));
    }
    qInfo("seed %u (set TAVULELLA_SEED to repeat another run)", seed);
    QRandomGenerator rng(seed);
    // In UTF-8 the same characters as in the code page, in their UTF-8 form, and a few the code
    // page lacks.
    const QString utf8Alphabet = QStringLiteral("\r\r\r\n\n\nab \t") + QChar(0) +
                                 QStringLiteral("\x7f\u00a0\u0081\u00e9\u0142\u20ac");
    const auto randomBytes = [&rng, &utf8Alphabet, utf8](int maxLength) {
        QByteArray out;
        const int n = int(rng.bounded(maxLength + 1));
        for (int i = 0; i < n; ++i) {
            if (utf8)
                out += QString(utf8Alphabet[rng.bounded(int(utf8Alphabet.size()))]).toUtf8();
            else
                out += kAlphabet[rng.bounded(int(sizeof kAlphabet) - 1)];
        }
        return out;
    };
    const auto longLine = [&rng] {
        QByteArray out;
        const int n = 2048 + int(rng.bounded(8192));
        while (out.size() < n) out += "sole mare ";
        return out;
    };
    const QString typeable = QStringLiteral("ab .\u00e9\u20ac\u0141\u240d\u240a");
    const QStringList keys{"Return",      "Shift+Return",  "Backspace",  "Backspace",
                           "Delete",      "Left",          "Right",      "Ctrl+Home",
                           "Ctrl+End",    "Ctrl+Left",     "Ctrl+Right", "paste:\u00e9\n\u0141",
                           "Ctrl+Delete", "Ctrl+Backspace"};

    TextBox box;
    box.setFormat(
        DocumentFormat(lf ? DocumentFormat::LineBreak::Lf : DocumentFormat::LineBreak::CrLf,
                       utf8 ? DocumentFormat::Encoding::Utf8 : DocumentFormat::Encoding::CodePage));
    QVERIFY(shown(box, {600, 300}));
    TextReference ref;
    ref.lf = lf;
    ref.utf8 = utf8;
    QSignalSpy changed(&box, &TextBox::Change);
    for (int step = 0; step < 5000; ++step) {
        const qsizetype before = changed.count();
        QString op;
        bool refChanged = false;
        const quint32 pick = rng.bounded(20);
        if (pick == 0) {
            // Now and then one long line, line breaks only at its edges: one paragraph of many
            // wrapped lines.
            QByteArray t = randomBytes(rng.bounded(3) ? 16 : 3);
            if (t.size() <= 3 && rng.bounded(2)) {
                t += longLine();
                t += randomBytes(3);
            }
            op = "Text " + t.toHex();
            box.setText(t);
            refChanged = ref.setText(t);
        } else if (pick <= 3) {
            const int pos = int(rng.bounded(int(ref.text.size()) + 3)) - 1;
            op = QString("SelStart %1").arg(pos);
            box.setSelStart(pos);
            ref.setSelStart(pos);
        } else if (pick <= 5) {
            const int len = int(rng.bounded(5)) - 1;
            op = QString("SelLength %1").arg(len);
            box.setSelLength(len);
            ref.setSelLength(len);
        } else if (pick <= 8) {
            const QByteArray t = randomBytes(3);
            op = "SelText " + t.toHex();
            box.setSelText(t);
            refChanged = ref.setSelText(t);
        } else if (pick <= 12) {
            op = (pick == 12 ? "a11y-replace:" : "type:") +
                 QString(typeable.at(rng.bounded(int(typeable.size()))));
            refChanged = act(&box, ref, op);
        } else if (pick == 13) {
            op = QString(rng.bounded(2) ? "word:%1" : "line:%1")
                     .arg(rng.bounded(int(ref.text.size()) + 1));
            refChanged = act(&box, ref, op);
        } else {
            op = keys.at(rng.bounded(int(keys.size())));
            refChanged = act(&box, ref, op);
        }
        const QString where = QString("step %1 (%2), seed %3: ").arg(step).arg(op).arg(seed);
        const QString diff = mismatch(box, ref);
        QVERIFY2(diff.isEmpty(), qPrintable(where + diff));
        QVERIFY2(changed.count() == before + (refChanged ? 1 : 0),
                 qPrintable(where + "Change raised " + QString::number(changed.count() - before)));
    }
}

void tst_TextBox::bigTextFollowsEdits() {
    // Many lines and a few very long ones; edits in the middle are followed exactly.
    QByteArray text;
    for (int i = 0; i < 20000; ++i) {
        text += "line " + QByteArray::number(i);
        text += i % 7 == 0 ? "\r" : i % 11 == 0 ? "\n" : "\r\n";
        if (i % 5000 == 0) text += QByteArray(30000, 'w');
    }
    TextBox box;
    QVERIFY(shown(box));
    TextReference ref;
    box.setText(text);
    ref.setText(text);
    QCOMPARE(box.Text(), text);
    QCOMPARE(box.document()->blockCount() - box.softBreakCount(), text.count("\r\n") + 1);
    for (const int pos : {text.size() / 2, text.size() - 3, qsizetype(10), qsizetype(40007)}) {
        box.setSelStart(pos);
        ref.setSelStart(pos);
        for (const char* a : {"type:xy", "Return", "Backspace", "Backspace", "Left", "Delete"}) {
            act(&box, ref, a);
        }
        QCOMPARE(box.SelStart(), ref.start);
    }
    QCOMPARE(box.Text(), ref.bytes());
    QCOMPARE(box.document()->blockCount() - box.softBreakCount(), box.Text().count("\r\n") + 1);
}

void tst_TextBox::wordsAreTheWidgets() {
    // Where the widget's own rule of words applies whole (short lines, no soft breaks), the box
    // finds the words it finds: Ctrl+Right, Ctrl+Left and a double-click at every position, in
    // an LF document, whose positions are the widget's.
    const QString text = QStringLiteral("ab, c.d  (e)\t-f\u00a0g\u0085h--i \r\n\ny..z\rq \n\n .x");
    const DocumentFormat format(DocumentFormat::LineBreak::Lf, DocumentFormat::Encoding::Utf8);
    TextBox box;
    box.setFormat(format);
    box.setChars(text);
    // Both draw with one face the tests install, as the box draws (unshaped): the machine's
    // default face, shaped in one widget and not in the other, lays out the control pictures
    // differently in each, and a click at the caret would land elsewhere.
    box.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    QPlainTextEdit plain;
    plain.setFont(box.font());
    QCOMPARE(QFontInfo(plain.font()).family(), QStringLiteral("DejaVu Sans"));
    plain.setPlainText(DisplayText::render(text, format));
    for (QPlainTextEdit* w : {static_cast<QPlainTextEdit*>(&box), &plain}) {
        w->resize(400, 300);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    const auto at = [](QPlainTextEdit* w, int pos) {
        QTextCursor c = w->textCursor();
        c.setPosition(pos);
        w->setTextCursor(c);
    };
    const auto selection = [](const QPlainTextEdit* w) {
        return QPoint(w->textCursor().anchor(), w->textCursor().position());
    };
    for (int pos = 0; pos <= text.size(); ++pos) {
        for (const Qt::Key key : {Qt::Key_Left, Qt::Key_Right}) {
            for (QPlainTextEdit* w : {static_cast<QPlainTextEdit*>(&box), &plain}) {
                at(w, pos);
                QTest::keyClick(w, key, Qt::ControlModifier);
            }
            QVERIFY2(selection(&box) == selection(&plain),
                     qPrintable(QString("key %1 at %2").arg(key).arg(pos)));
        }
        for (QPlainTextEdit* w : {static_cast<QPlainTextEdit*>(&box), &plain}) {
            at(w, pos);
            QTest::mouseDClick(w->viewport(), Qt::LeftButton, Qt::NoModifier,
                               w->cursorRect().center());
        }
        QVERIFY2(selection(&box) == selection(&plain), qPrintable(QString("click at %1").arg(pos)));
    }
}

void tst_TextBox::endOfARowBeforeASoftBreak() {
    // End and Shift+End stop before the space that ends a wrapped row, also on the last row of
    // a piece of a long line, which ends where the line wraps.
    const QByteArray line = wordLine(30000);
    TextBox box;
    QVERIFY(shown(box, {400, 300}));
    box.setText(line);
    QCoreApplication::processEvents();
    const QTextBlock piece = box.document()->begin();
    QVERIFY(box.followsSoftBreak(piece.next()));
    const QTextLayout* layout = piece.layout();
    for (const int row : {layout->lineCount() - 2, layout->lineCount() - 1}) {
        const QTextLine r = layout->lineAt(row);
        const int rowEnd = r.textStart() + r.textLength() - 1;
        QCOMPARE(line.at(rowEnd), ' ');
        box.setSelStart(r.textStart());
        QTest::keyClick(&box, Qt::Key_End);
        QCOMPARE(box.SelStart(), rowEnd);
        box.setSelStart(r.textStart());
        QTest::keyClick(&box, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(box.SelLength(), rowEnd - r.textStart());
    }
}

void tst_TextBox::dragAfterADoubleClick() {
    // A drag that follows a double-click keeps the word clicked and takes in the whole word
    // under the mouse, also in another piece of a long line; so does a Shift+click after it.
    // "sole" stands at 3000, 1500 and 4500, "mare" at 5000.
    const QByteArray line = wordLine(9000);
    TextBox box;
    QVERIFY(shown(box, {400, 2600}));
    box.setText(line);
    QCoreApplication::processEvents();
    QVERIFY(box.softBreakCount() > 0);
    const auto pointAt = [&box](int pos) {
        box.setSelStart(pos);
        return box.cursorRect().center();
    };
    const QPoint clicked = pointAt(3001);
    const QPoint forward = pointAt(5002);
    const QPoint back = pointAt(1502);
    const auto selected = [&box] { return QPoint(box.SelStart(), box.SelLength()); };
    QTest::mouseDClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, clicked);
    QCOMPARE(selected(), QPoint(3000, 4));
    QTest::mouseMove(box.viewport(), forward);
    QCOMPARE(selected(), QPoint(3000, 2004));
    QTest::mouseMove(box.viewport(), back);
    QCOMPARE(selected(), QPoint(1500, 1504));
    QTest::mouseRelease(box.viewport(), Qt::LeftButton, Qt::NoModifier, back);
    QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::ShiftModifier, forward);
    QCOMPARE(selected(), QPoint(3000, 2004));
}

void tst_TextBox::wordAndLineDeletions_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    // Lines long enough to show as several pieces: the words and the line are the text's. The
    // words take 7 characters each: 8995 starts one, 9001 is its space.
    const QByteArray x = "a\r\n" + QByteArray(20000, 'x') + "\r\nb";
    QByteArray words;
    for (int i = 0; words.size() < 20000; ++i) words += 'w' + QByteArray::number(10000 + i) + ' ';
    QTest::newRow("Ctrl+Delete in a word to the line's end")
        << x << 103 << int(QKeySequence::DeleteEndOfWord) << 103 << 20003;
    QTest::newRow("Ctrl+Backspace in a word from the line's start")
        << x << 19003 << int(QKeySequence::DeleteStartOfWord) << 3 << 19003;
    QTest::newRow("Ctrl+Delete at the line's end takes the line break")
        << x << 20003 << int(QKeySequence::DeleteEndOfWord) << 20003 << 20005;
    QTest::newRow("Ctrl+Backspace at the line's start takes the line break")
        << x << 3 << int(QKeySequence::DeleteStartOfWord) << 1 << 3;
    QTest::newRow("Ctrl+Delete in a word takes it and the space after it")
        << words << 9000 << int(QKeySequence::DeleteEndOfWord) << 9000 << 9002;
    QTest::newRow("Ctrl+Backspace after a space takes the word before it")
        << words << 9002 << int(QKeySequence::DeleteStartOfWord) << 8995 << 9002;
    QTest::newRow("delete to the line's end")
        << x << 1003 << int(QKeySequence::DeleteEndOfLine) << 1003 << 20003;
}

void tst_TextBox::wordAndLineDeletions() {
    QFETCH(QByteArray, text);
    QFETCH(int, caret);
    QFETCH(int, key);
    QFETCH(int, from);
    QFETCH(int, to);
    const QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::StandardKey(key));
    if (keys.isEmpty()) QSKIP("the platform binds no key to this deletion");
    TextBox box;
    QVERIFY(shown(box, {300, 200}));
    box.setText(text);
    box.setSelStart(caret);
    QCoreApplication::processEvents();
    QTest::keySequence(&box, keys.first());
    QCOMPARE(box.Text(), text.left(from) + text.mid(to));
    QCOMPARE(box.SelStart(), from);
    QCOMPARE(shownText(box), TextReference::display(box.Text()));
    QCOMPARE(box.document()->blockCount() - box.softBreakCount(), box.Text().count("\r\n") + 1);
    box.undo();
    QCOMPARE(box.Text(), text);
}

void tst_TextBox::longLineShowsAsIfFresh() {
    // What a box shows depends on its text, selection and size alone, not on the edits and the
    // paints that led there: a long line that was painted, edited and resized between paints
    // looks exactly as the same line given to a new box. The box is tall enough to show where
    // it splits a line that long into several paragraphs.
    const QByteArray line = wordLine(30000);
    TextBox box;
    QVERIFY(shown(box, {400, 2600}));
    box.setText(line);
    box.grab();
    const auto paintAfter = [&box](const auto& step) {
        step();
        QCoreApplication::processEvents();
        box.grab();
    };
    // The box's text seen from the top with length characters from start on selected, against
    // the same in a new box.
    const auto looksFresh = [&box](int start, int length) {
        box.setSelStart(start);
        box.setSelLength(length);
        box.verticalScrollBar()->setValue(0);
        QCoreApplication::processEvents();
        TextBox fresh;
        fresh.resize(box.size());
        fresh.show();
        if (!QTest::qWaitForWindowExposed(&fresh)) return false;
        fresh.setText(box.Text());
        fresh.setSelStart(start);
        fresh.setSelLength(length);
        fresh.verticalScrollBar()->setValue(0);
        QCoreApplication::processEvents();
        // Neither shows a caret, whose blinking neither box controls.
        box.clearFocus();
        fresh.clearFocus();
        // The text, not the scroll bar: its range counts the lines of the paragraphs laid out
        // so far, which differ with the way there.
        return box.viewport()->grab().toImage() == fresh.viewport()->grab().toImage();
    };
    paintAfter([&] { box.setSelStart(7); });
    paintAfter([&] { QTest::keyClicks(&box, QStringLiteral("vico ")); });
    paintAfter([&] { QTest::keyClick(&box, Qt::Key_Backspace); });
    paintAfter([&] { box.setSelStart(20000); });
    paintAfter([&] { QTest::keyClick(&box, Qt::Key_Delete); });
    paintAfter([&] { box.setSelStart(4200); });
    paintAfter([&] { QTest::keyClicks(&box, QStringLiteral("sole")); });
    paintAfter([&] { box.resize(330, 2600); });
    QVERIFY(looksFresh(9, 40));

    // A word deletion in a line without spaces ends at the piece's end and leaves a piece of
    // less than a row before the next; the two still show as one line, also after an undo.
    box.setText(QByteArray(30000, 'x'));
    QCoreApplication::processEvents();
    paintAfter([&] {
        box.setSelStart(10);
        QTest::keyClick(&box, Qt::Key_Delete, Qt::ControlModifier);
    });
    QVERIFY(box.TextLength() < 30000);
    QVERIFY(looksFresh(1, 3));
    paintAfter([&] { box.setSelStart(0); });
    paintAfter([&] { QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier); });
    QCOMPARE(box.TextLength(), 30000);
    QVERIFY(looksFresh(1, 3));
}

void tst_TextBox::editsRepaintWhatTheyChange() {
    // After each edit, what is on screen is what a paint of the whole box shows: the rows an edit
    // leaves out of its repaint are those it left as they were. In paragraphs of many rows, at
    // widths where a long word shortened moves up a row or does not, and digits that a letter
    // written right to left, typed after them, turns around.
    const QString longWord = QStringLiteral("precipitevolissimevolmente");
    const QString words = QString::fromLatin1(wordLine(200));
    const QString digits = QStringLiteral("12 345 6 78 9012 34 ").repeated(10) + u'#';
    const QString text = words + longWord + u' ' + words + QStringLiteral("\r\n") + digits +
                         QStringLiteral("\r\n") + words;
    const QString alef(QChar(0x05d0));
    const struct {
        QString anchor;
        int offset, removed;
        QString text;
    } edits[] = {{longWord, 9, 17, ""},  {"precipite ", 9, 0, "volissimevolmente"},
                 {"\r\n", 0, 0, "fine"}, {"mare", 2, 6, "x"},
                 {"#", 0, 0, alef},      {alef, 0, 1, ""},
                 {"#", -30, 1, "5"}};
    TextBox box;
    QVERIFY(shown(box, {150, 800}));
    box.clearFocus();
    const auto onScreen = [&box] {
        QCoreApplication::processEvents();
        const QPoint at = box.viewport()->mapTo(&box, QPoint(0, 0));
        return box.screen()
            ->grabWindow(box.winId(), at.x(), at.y(), box.viewport()->width(),
                         box.viewport()->height())
            .toImage();
    };
    for (const int width : {150, 163, 177, 191}) {
        box.resize(width, 800);
        box.setChars(text);
        for (const auto& e : edits) {
            onScreen();
            box.setSelStart(box.chars().indexOf(e.anchor) + e.offset);
            box.setSelLength(e.removed);
            box.setSelChars(e.text);
            const QImage edited = onScreen();
            box.viewport()->repaint();
            QVERIFY2(
                edited == onScreen(),
                qPrintable(
                    QStringLiteral("width %1, at %2 + %3").arg(width).arg(e.anchor).arg(e.offset)));
        }
    }
}

void tst_TextBox::readingDoesNotCopy() {
    // The box reads its characters from its buffer, not from a copy of its own, however often
    // its text and selection are read and set; a text rebuilt from what the widget shows would
    // be new.
    const QByteArray given(100000, 'a');
    TextBox box;
    box.setText(given);
    const QChar* data = box.chars().constData();
    box.setSelStart(500);
    box.setSelLength(20);
    QCOMPARE(box.TextLength(), 100000);
    QCOMPARE(box.SelStart(), 500);
    QCOMPARE(box.SelLength(), 20);
    QCOMPARE(box.SelText(), QByteArray(20, 'a'));
    QCOMPARE(box.chars().constData(), data);
    QCOMPARE(box.buffer().chars().constData(), data);
}

void tst_TextBox::readFromOutsideAsText() {
    // A screen reader and an input method read a long line as the text it is, whatever pieces
    // the view shows it in, and hear of a change only when the text changes.
    QByteArray line;
    for (int i = 0; line.size() < 65000; ++i) line += "w" + QByteArray::number(100000 + i) + " ";
    line.truncate(65000);
    TextBox box;
    QVERIFY(shown(box, {400, 300}));
    box.setText(line);
    QCoreApplication::processEvents();
    QVERIFY(box.softBreakCount() > 10);
    QAccessibleTextInterface* read = QAccessible::queryAccessibleInterface(&box)->textInterface();
    QCOMPARE(read->characterCount(), 65000);
    QCOMPARE(read->text(0, -1), QString::fromLatin1(line));
    int start = 0;
    int end = 0;
    // The word at the place where the view splits the line into pieces, and the line itself.
    const int split = int(line.indexOf(' ', 4090)) - 2;
    QCOMPARE(read->textAtOffset(split, QAccessible::WordBoundary, &start, &end),
             QString::fromLatin1(line.mid(split - 5, 7)));
    QCOMPARE(start, split - 5);
    read->textAtOffset(split, QAccessible::ParagraphBoundary, &start, &end);
    QCOMPARE(start, 0);
    QCOMPARE(end, 65000);
    // A row ends where the next starts.
    const QString row = read->textAtOffset(split, QAccessible::LineBoundary, &start, &end);
    QVERIFY(!row.isEmpty() && row.size() < 100);
    int next = 0;
    read->textAfterOffset(split, QAccessible::LineBoundary, &next, &start);
    QCOMPARE(next, end);
    // Row by row from the start, the rows are those of the line wrapped as one paragraph at the
    // view's width, between words also where the view's pieces meet.
    QTextLayout whole(QString::fromLatin1(line), box.document()->defaultFont());
    whole.setTextOption(box.document()->defaultTextOption());
    const qreal width = box.document()->firstBlock().layout()->lineAt(0).width();
    QList<int> rows;
    whole.beginLayout();
    for (QTextLine l = whole.createLine(); l.isValid(); l = whole.createLine()) {
        l.setLineWidth(width);
        rows << l.textStart();
    }
    whole.endLayout();
    QList<int> readRows;
    for (int at = 0; at < 65000 && readRows.size() <= rows.size(); at = end) {
        read->textAtOffset(at, QAccessible::LineBoundary, &start, &end);
        readRows << start;
    }
    QCOMPARE(readRows, rows);
    // A sentence as long as the line is read in a part around the offset that starts and ends
    // between words.
    const int inside = 11588;
    read->textAtOffset(inside, QAccessible::SentenceBoundary, &start, &end);
    QCOMPARE(start, int(line.indexOf(' ', inside - 4096)) + 1);
    QCOMPARE(end, int(line.lastIndexOf(' ', inside + 4096 - 1)));

    // Scrolling and resizing move soft breaks in the view, not the text: a caret a screen reader
    // put reads back where it put it.
    read->setCursorPosition(5000);
    for (int i = 0; i < 5; ++i) QTest::keyClick(&box, Qt::Key_PageDown);
    read->setCursorPosition(5000);
    box.resize(333, 300);
    QCoreApplication::processEvents();
    QCOMPARE(read->cursorPosition(), 5000);
    QCOMPARE(box.SelStart(), 5000);
    // The rows on screen are read as they are shown.
    QCoreApplication::processEvents();
    for (int y = 1; y < box.viewport()->height(); y += box.fontMetrics().height()) {
        const QTextCursor at = box.cursorForPosition({1, y});
        const QTextLine shownRow = at.block().layout()->lineForTextPosition(at.positionInBlock());
        const int first =
            int(box.readOffset(box.toModel(at.block().position() + shownRow.textStart())));
        read->textAtOffset(first, QAccessible::LineBoundary, &start, &end);
        QCOMPARE(QPoint(start, end), QPoint(first, first + shownRow.textLength()));
    }

    // The input method reads the caret's line around the caret, in the text's own characters.
    box.setSelStart(4100);
    QCOMPARE(box.inputMethodQuery(Qt::ImSurroundingText).toString(),
             QString::fromLatin1(line.mid(4100 - 1024, 2048)));
    QCOMPARE(box.inputMethodQuery(Qt::ImCursorPosition).toInt(), 1024);
    QCOMPARE(box.inputMethodQuery(Qt::ImAbsolutePosition).toInt(), 4100);
    box.setText("ab\r\ncd\x01\ref");
    box.setSelStart(6);
    box.setSelLength(-1);
    QCOMPARE(box.inputMethodQuery(Qt::ImSurroundingText).toString(), "cd\x01\ref");
    QCOMPARE(box.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
    QCOMPARE(box.inputMethodQuery(Qt::ImTextBeforeCursor, 5).toString(), "b\r\ncd");
}

void tst_TextBox::readAtLineEndsAsAPlainBox_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("CR LF, words and punctuation")
        << QByteArray("Prima riga\r\nSeconda.\r\nTerza\r\nQuarta e ultima");
    QTest::newRow("LF") << QByteArray("Prima riga\nSeconda\nTerza\nQuarta e ultima\n");
    QTest::newRow("sentences, empty lines, a line break at the end")
        << QByteArray("Uno due. Tre quattro! Cinque?\r\n\r\nSei ? \r\n");
}

void tst_TextBox::readAtLineEndsAsAPlainBox() {
    // At each line break and at the end of the text a screen reader gets the character, word,
    // sentence, row and line that a plain text box gives for the same text.
    QFETCH(QByteArray, text);
    TextBox box;
    box.load(text);
    QPlainTextEdit plain;
    plain.setPlainText(QString::fromLatin1(text).replace("\r\n", "\n"));
    for (QPlainTextEdit* w : {static_cast<QPlainTextEdit*>(&box), &plain}) QVERIFY(shown(*w));
    QAccessibleTextInterface* read = QAccessible::queryAccessibleInterface(&box)->textInterface();
    QAccessibleTextInterface* want = QAccessible::queryAccessibleInterface(&plain)->textInterface();
    QCOMPARE(read->characterCount(), want->characterCount());
    const QString all = want->text(0, want->characterCount());
    for (int offset = 0; offset <= all.size(); ++offset) {
        if (offset < all.size() && all.at(offset) != u'\n') continue;
        for (const auto kind :
             {QAccessible::CharBoundary, QAccessible::WordBoundary, QAccessible::SentenceBoundary,
              QAccessible::LineBoundary, QAccessible::ParagraphBoundary}) {
            int start = -1, end = -1, wantStart = -1, wantEnd = -1;
            const QString got = read->textAtOffset(offset, kind, &start, &end);
            const QString expected = want->textAtOffset(offset, kind, &wantStart, &wantEnd);
            QVERIFY2(got == expected && start == wantStart && end == wantEnd,
                     qPrintable(QString("kind %1 at %2: (%3, %4, %5), a plain box (%6, %7, %8)")
                                    .arg(kind)
                                    .arg(offset)
                                    .arg(start)
                                    .arg(end)
                                    .arg(got)
                                    .arg(wantStart)
                                    .arg(wantEnd)
                                    .arg(expected)));
        }
    }
}

QTEST_MAIN(tst_TextBox)
#include "tst_textbox.moc"
