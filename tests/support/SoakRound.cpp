#include "SoakRound.h"

#include <sys/stat.h>

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include "FrameFixture.h"
#include "SearchReference.h"
#include "TextBoxScript.h"
#include "TextReference.h"
#include "TextScript.h"
#include "gui/document/frmNotePad.h"
#include "gui/files/FileCommands.h"
#include "gui/search/SearchCommands.h"
#include "gui/search/frmFind.h"
#include "gui/textbox/TextBox.h"

namespace {

using Answer = DialogService::Answer;

// The files of a round, by name: what each is, and so whether reading or writing it works.
const QStringList Names = {QStringLiteral("a.txt"),
                           QStringLiteral("b.txt"),
                           QStringLiteral("Citt\u00e0 \u00f1.txt"),
                           QStringLiteral("new.txt"),
                           QStringLiteral("readonly.txt"),
                           QStringLiteral("folder"),
                           QStringLiteral("no/such.txt"),
                           QStringLiteral("big.txt")};

}  // namespace

SoakRound::SoakRound(quint64 seed, FrameFixture& f) : m_rng(seed), m_f(f) {}

QString SoakRound::pathOf(const QString& name) const { return m_folder + QLatin1Char('/') + name; }

QString SoakRound::randomPath(const Document* self) {
    // No two open windows hold one file: a save of one would be another program's change to the
    // other, whose questions the tests of saving cover. A taken name gives the folder instead.
    const QString path = pathOf(Names[pick(int(Names.size()))]);
    return heldByOther(path, self) ? pathOf(QStringLiteral("folder")) : path;
}

bool SoakRound::heldByOther(const QString& path, const Document* self) const {
    for (const Document& d : m_docs)
        if (&d != self && d.path == path) return true;
    return false;
}

bool SoakRound::setUp() {
    m_folder = m_f.path(QStringLiteral("files"));
    if (!QDir().mkpath(m_folder + QStringLiteral("/folder"))) return false;
    const QByteArray start[] = {"a\r\nline two\r\n\rlone\n", "", "\xe9?\x80\x81\xff"};
    const QByteArray readOnly("do not touch\r\n");
    const QByteArray big(FileCommands::MaxOpenBytes + 1, 'B');
    const std::pair<QString, QByteArray> files[] = {{Names[0], start[0]},
                                                    {Names[1], start[1]},
                                                    {Names[2], start[2]},
                                                    {QStringLiteral("readonly.txt"), readOnly},
                                                    {QStringLiteral("big.txt"), big}};
    for (const auto& [name, bytes] : files) {
        QFile file(pathOf(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return false;
        m_disk.insert(file.fileName(), bytes);
    }
    // Without any write permission: saving it is refused, for root too.
    if (::chmod(QFile::encodeName(pathOf(QStringLiteral("readonly.txt"))).constData(), 0444) != 0)
        return false;
    frmNotePad* first = m_f.active();
    if (!first) return false;
    m_docs.append(Document{first, first->Caption(), QString(), QByteArray(), false});
    return true;
}

SoakRound::Document* SoakRound::find(const frmNotePad* w) {
    for (Document& d : m_docs) {
        if (d.window.data() == w) return &d;
    }
    return nullptr;
}

SoakRound::Document* SoakRound::active() { return find(m_f.frame().activeDocumentWindow()); }

void SoakRound::noteEdits() {
    for (Document& d : m_docs) {
        if (!d.window) continue;
        const QByteArray& now = d.window->Text1->Text();
        if (now != d.seen) {
            d.dirty = true;
            d.seen = now;
        }
    }
}

bool SoakRound::writable(const QString& path) const {
    const QFileInfo info(path);
    if (info.isDir()) return false;
    if (info.exists()) return info.permissions() & QFileDevice::WriteOwner;
    return info.dir().exists();
}

bool SoakRound::expectWrite(Document& doc, const QString& path) {
    if (!writable(path)) {
        m_f.dialogs().answerMessageBox(Answer::Ok);
        return false;
    }
    // An LF text that ends with its line break is written as it is; any other gets one line end.
    const QByteArray text = doc.window->Text1->Text();
    const DocumentFormat& format = doc.window->Text1->buffer().format();
    m_disk.insert(path, text + (format.isLf() && text.endsWith('\n') ? "" : format.lineEnd()));
    doc.dirty = false;
    doc.path = path;
    doc.caption = path.toUpper();
    return true;
}

bool SoakRound::expectQuestion(Document& doc) {
    const int answer = pick(3);
    if (answer == 0) {
        m_log.last() += QStringLiteral(" [No]");
        m_f.dialogs().answerMessageBox(Answer::No);
        return true;
    }
    if (answer == 1) {
        m_log.last() += QStringLiteral(" [Cancel]");
        m_f.dialogs().answerMessageBox(Answer::Cancel);
        return false;
    }
    m_f.dialogs().answerMessageBox(Answer::Yes);
    QString path = doc.path;
    if (path.isEmpty()) {
        if (chance(20)) {
            m_log.last() += QStringLiteral(" [Yes, save dialog cancelled]");
            m_f.dialogs().cancelSave();
            return false;
        }
        path = randomPath(&doc);
        m_f.dialogs().answerSave(path);
    }
    m_log.last() += QStringLiteral(" [Yes, to %1]").arg(QFileInfo(path).fileName());
    return expectWrite(doc, path);
}

void SoakRound::typeText() {
    Document* doc = active();
    if (!doc) return;
    TextBox* box = doc->window->Text1;
    // Keep the texts short: a long one is cleared now and then.
    if (box->TextLength() > 1500) {
        m_log << QStringLiteral("clear all");
        box->setSelStart(0);
        box->setSelLength(box->TextLength());
        QTest::keyClick(box, Qt::Key_Backspace);
        return;
    }
    switch (pick(8)) {
        case 0: {
            const QString chars = QStringLiteral("ab é€\u0142");
            QString text;
            for (int i = pick(6) + 1; i > 0; --i) text += chars[pick(int(chars.size()))];
            m_log << QStringLiteral("type \"%1\"").arg(text);
            // Each key is one input: typing over a selection and then typing it back is an edit.
            for (const QChar c : text) {
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
                noteEdits();
            }
            break;
        }
        case 1:
            m_log << "Enter";
            QTest::keyClick(box, Qt::Key_Return);
            break;
        case 2:
            m_log << "Backspace";
            QTest::keyClick(box, Qt::Key_Backspace);
            break;
        case 3:
            m_log << "Delete";
            QTest::keyClick(box, Qt::Key_Delete);
            break;
        case 4:
            m_log << "Left";
            QTest::keyClick(box, Qt::Key_Left);
            break;
        case 5:
            m_log << "Shift+Right";
            QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
            break;
        case 6:
            m_log << "Ctrl+End";
            QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
            break;
        default: {
            // What the program itself writes into a selection: line ends of every kind.
            const QByteArray pieces[] = {"\r\n", "\r", "\n", "x", ""};
            const QByteArray piece = pieces[pick(5)];
            m_log << QStringLiteral("SelText = %1")
                         .arg(QString::fromLatin1(piece.toPercentEncoding()));
            box->setSelText(piece);
            break;
        }
    }
}

void SoakRound::select() {
    Document* doc = active();
    if (!doc) return;
    TextBox* box = doc->window->Text1;
    const int start = pick(int(box->TextLength()) + 3) - 1;
    const int length = pick(8) - 1;
    m_log << QStringLiteral("select %1+%2").arg(start).arg(length);
    box->setSelStart(start);
    box->setSelLength(length);
}

void SoakRound::expectOpen(const QString& path, bool sizeChecked) {
    const QFileInfo info(path);
    if (!info.isFile() || (sizeChecked && info.size() > FileCommands::MaxOpenBytes)) {
        m_f.dialogs().answerMessageBox(Answer::Ok);
        return;
    }
    // The new window is found after the command; its account is known now.
    m_docs.append(Document{nullptr, path.toUpper(), path, m_disk.value(path), false});
}

void SoakRound::openFile() {
    // The account of the new window goes into m_docs, which may move its entries: keep the window.
    const QPointer<frmNotePad> from = m_f.frame().activeDocumentWindow();
    if (chance(10)) {
        m_log << QStringLiteral("File, Open, cancelled");
        m_f.dialogs().cancelOpen();
    } else {
        const QString path = randomPath();
        m_log << QStringLiteral("File, Open %1").arg(QFileInfo(path).fileName());
        m_f.dialogs().answerOpen(path);
        expectOpen(path, true);
    }
    const qsizetype before = m_f.documents().size();
    if (from)
        from->mnuFOpen->trigger();
    else
        m_f.frame().mnuFOpen->trigger();
    FrameFixture::settle();
    if (!m_docs.isEmpty() && !m_docs.last().window && m_f.documents().size() > before)
        m_docs.last().window = m_f.documents().last();
}

void SoakRound::openRecent() {
    // The recent files of the active window's File menu, or of the frame's when none is open.
    const QPointer<frmNotePad> from = m_f.frame().activeDocumentWindow();
    QList<QAction*> items;
    if (from) {
        for (int i = 1; i <= 4; ++i) items << from->mnuRecentFile[size_t(i)];
    } else {
        for (int i = 0; i < 4; ++i) items << m_f.frame().mnuRecentFile[size_t(i)];
    }
    items.removeIf([](const QAction* a) { return !a->isVisible() || a->isSeparator(); });
    if (items.isEmpty()) return;
    QAction* item = items[pick(int(items.size()))];
    const QString path = RecentFilesMenu::recentEntry(item);
    if (heldByOther(path, nullptr)) return;
    m_log << QStringLiteral("recent file %1").arg(QFileInfo(path).fileName());
    expectOpen(path, false);
    const qsizetype before = m_f.documents().size();
    item->trigger();
    FrameFixture::settle();
    if (!m_docs.isEmpty() && !m_docs.last().window && m_f.documents().size() > before)
        m_docs.last().window = m_f.documents().last();
}

void SoakRound::editCommand() {
    Document* doc = active();
    if (!doc) return;
    frmNotePad* w = doc->window;
    const std::pair<const char*, QAction*> commands[] = {{"Cut", w->mnuECut},
                                                         {"Copy", w->mnuECopy},
                                                         {"Paste", w->mnuEPaste},
                                                         {"Delete", w->mnuEDelete},
                                                         {"Select All", w->mnuESelectAll},
                                                         {"Time", w->mnuETime}};
    const auto& [name, action] = commands[pick(6)];
    m_log << QStringLiteral("Edit, %1").arg(QLatin1String(name));
    action->trigger();
}

void SoakRound::search() {
    Document* doc = active();
    if (!doc) return;
    frmNotePad* w = doc->window;
    TextBox* box = w->Text1;
    SearchSettings& settings = m_f.frame().state().search;
    SearchSettings predicted = settings;
    frmFind* dialog = nullptr;
    if (settings.SearchText.isEmpty() || chance(40)) {
        // Find: the dialog with a search text, maybe the other letter case and direction.
        w->mnuSFind->trigger();
        dialog = m_f.frame().searchCommands().findDialog();
        if (!dialog) {
            m_problem = QStringLiteral("Search, Find showed no dialog");
            return;
        }
        QString pattern;
        const QString text = box->buffer().format().decode(box->Text());
        if (!text.isEmpty() && chance(60)) {
            const int from = pick(int(text.size()));
            pattern = text.mid(from, pick(4) + 1);
        }
        if (pattern.contains(QLatin1Char('\r')) || pattern.contains(QLatin1Char('\n')) ||
            pattern.isEmpty())
            pattern = QStringLiteral("aB\u00e9").left(pick(3) + 1);
        if (chance(30)) pattern = pattern.toUpper();
        dialog->Text1->setText(pattern);
        if (chance(30)) dialog->chkCase->click();
        if (chance(30)) dialog->optDirection[size_t(pick(2))]->click();
        predicted = settings;
        predicted.SearchText = dialog->Text1->text();
    }
    const qsizetype caret = box->SelStart();
    const qsizetype selected = box->SelLength();
    // Positions count the document's characters as its kind reads its bytes: in UTF-8 a
    // character of several bytes is one position (two beyond U+FFFF).
    const std::optional<qsizetype> expected =
        SearchReference::searchChars(box->buffer().format().decode(box->Text()), caret, predicted);
    m_log << QStringLiteral("%1 \"%2\"%3 %4 from %5: %6")
                 .arg(dialog ? "Find" : "Find Next", predicted.SearchText,
                      predicted.SearchMatchCase ? " (case)" : "",
                      predicted.SearchDirection ? "down" : "up")
                 .arg(caret)
                 .arg(expected ? QString::number(*expected) : QStringLiteral("nothing"));
    if (!expected) m_f.dialogs().answerMessageBox(Answer::Ok);
    if (dialog)
        dialog->cmdFind->click();
    else
        w->mnuSFindNext->trigger();
    if (expected &&
        (box->SelStart() != *expected || box->SelLength() != predicted.SearchText.size()))
        m_problem = QStringLiteral("the search selected %1+%2, expected %3+%4")
                        .arg(box->SelStart())
                        .arg(box->SelLength())
                        .arg(*expected)
                        .arg(predicted.SearchText.size());
    if (!expected && (box->SelStart() != caret || box->SelLength() != selected))
        m_problem =
            QStringLiteral("the search found nothing but moved the selection %1+%2 to %3+%4")
                .arg(caret)
                .arg(selected)
                .arg(box->SelStart())
                .arg(box->SelLength());
    if (settings.SearchLastStart != predicted.SearchLastStart ||
        settings.SearchIsNew != predicted.SearchIsNew)
        m_problem = QStringLiteral("the search left its state at %1 (new: %2), expected %3 (%4)")
                        .arg(settings.SearchLastStart)
                        .arg(settings.SearchIsNew)
                        .arg(predicted.SearchLastStart)
                        .arg(predicted.SearchIsNew);
    if (dialog && chance(30)) {
        m_log << QStringLiteral("Find dialog closed");
        dialog->cmdcancel->click();
    }
    // Without a window manager the frame does not get the keyboard back by itself.
    m_f.frame().activateWindow();
    FrameFixture::settle();
}

void SoakRound::saveOrSaveAs(bool saveAs) {
    Document* doc = active();
    if (!doc) return;
    m_log << (saveAs ? QStringLiteral("File, Save As") : QStringLiteral("File, Save"));
    QString path = saveAs ? QString() : doc->path;
    if (path.isEmpty()) {
        if (chance(15)) {
            m_log.last() += QStringLiteral(", cancelled");
            m_f.dialogs().cancelSave();
        } else {
            path = randomPath(doc);
            m_log.last() += QStringLiteral(" to %1").arg(QFileInfo(path).fileName());
            m_f.dialogs().answerSave(path);
        }
    }
    if (!path.isEmpty()) expectWrite(*doc, path);
    (saveAs ? doc->window->mnuFSaveAs : doc->window->mnuFSave)->trigger();
}

void SoakRound::closeWindow() {
    Document* doc = active();
    if (!doc) return;
    m_log << QStringLiteral("File, Close %1").arg(doc->caption);
    const bool closes = !doc->dirty || expectQuestion(*doc);
    doc->window->mnuFClose->trigger();
    FrameFixture::settle();
    if (closes) {
        const frmNotePad* closed = doc->window;
        m_docs.removeIf([closed](const Document& d) { return d.window == closed; });
    }
}

void SoakRound::closeFrame() {
    Document* doc = active();
    if (!doc) return;
    m_log << QStringLiteral("File, Exit");
    // Every window is asked in the order the windows were made; a Cancel, or a Yes whose save
    // does not happen, stops it all.
    bool closes = true;
    for (Document& d : m_docs) {
        if (!d.dirty) continue;
        m_log.last() += QStringLiteral(" / ") + d.caption;
        if (!expectQuestion(d)) {
            closes = false;
            break;
        }
    }
    doc->window->mnuFExit->trigger();
    FrameFixture::settle();
    if (closes) {
        m_docs.clear();
        m_frameClosed = true;
    }
}

void SoakRound::newWindow() {
    m_log << QStringLiteral("File, New");
    Document* doc = active();
    if (doc)
        doc->window->mnuFNew->trigger();
    else
        m_f.frame().mnuFNew->trigger();
    FrameFixture::settle();
    frmNotePad* w = m_f.frame().activeDocumentWindow();
    if (w && !find(w)) m_docs.append(Document{w, w->Caption(), QString(), QByteArray(), false});
}

void SoakRound::switchWindow() {
    if (m_docs.isEmpty()) return;
    Document& d = m_docs[pick(int(m_docs.size()))];
    m_log << QStringLiteral("activate %1").arg(d.caption);
    m_f.frame().mdiArea()->setActiveSubWindow(d.window);
}

void SoakRound::windowState() {
    Document* doc = active();
    if (!doc) return;
    switch (pick(4)) {
        case 0:
            m_log << "Window, Cascade";
            doc->window->mnuWCascade->trigger();
            break;
        case 1:
            m_log << "Window, Tile";
            doc->window->mnuWTile->trigger();
            break;
        case 2:
            m_log << "minimise";
            doc->window->showMinimized();
            break;
        default:
            m_log << "maximise";
            doc->window->showMaximized();
            break;
    }
    FrameFixture::settle();
}

QString SoakRound::step() {
    m_problem.clear();
    // The frame has no document window: only its own menu works.
    if (m_docs.isEmpty()) {
        const int r = pick(3);
        if (r == 0)
            newWindow();
        else if (r == 1)
            openFile();
        else
            openRecent();
    } else {
        const int r = pick(100);
        if (r < 34)
            typeText();
        else if (r < 42)
            select();
        else if (r < 48)
            editCommand();
        else if (r < 54)
            search();
        else if (r < 60)
            openFile();
        else if (r < 63)
            openRecent();
        else if (r < 70)
            saveOrSaveAs(false);
        else if (r < 75)
            saveOrSaveAs(true);
        else if (r < 82)
            closeWindow();
        else if (r < 84)
            closeFrame();
        else if (r < 89)
            newWindow();
        else if (r < 95)
            switchWindow();
        else
            windowState();
    }
    // What the action's last input did to the texts.
    noteEdits();
    const QString problem = m_problem.isEmpty() ? check() : m_problem;
    m_f.dialogs().clear();
    return problem;
}

QString SoakRound::check() {
    ScriptedDialogs& dialogs = m_f.dialogs();
    if (dialogs.unexpectedDialog() || !dialogs.allAnswersUsed())
        return QStringLiteral("dialogs: ") + dialogs.problems();
    if (const QString p = checkSlots(); !p.isEmpty()) return p;
    for (const Document& d : std::as_const(m_docs)) {
        if (const QString p = checkWindow(d); !p.isEmpty()) return p;
    }
    for (auto it = m_disk.cbegin(); it != m_disk.cend(); ++it) {
        QFile file(it.key());
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("%1 cannot be read").arg(it.key());
        if (file.readAll() != it.value())
            return QStringLiteral("%1 does not hold what was last saved to it").arg(it.key());
    }
    const QStringList onDisk = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : onDisk) {
        if (!m_disk.contains(pathOf(name)))
            return QStringLiteral("%1 appeared in the folder").arg(name);
    }
    return QString();
}

QString SoakRound::checkSlots() {
    auto& tables = m_f.frame().state().slotTables;
    const QList<frmNotePad*> windows = m_f.documents();
    int open = 0;
    for (frmNotePad* w : windows) {
        if (w->isUnloaded()) continue;
        ++open;
        const int slot = w->slot();
        if (slot < 1 || slot > tables.upperBound())
            return QStringLiteral("window %1 has the slot %2").arg(w->Caption()).arg(slot);
        if (tables.state(slot).Free != DocumentState::False)
            return QStringLiteral("window %1 is open in the free slot %2")
                .arg(w->Caption())
                .arg(slot);
        if (tables.window(slot) != w)
            return QStringLiteral("slot %1 does not hold its window %2")
                .arg(slot)
                .arg(w->Caption());
        if (!find(w))
            return QStringLiteral("window %1 is open, the user closed it").arg(w->Caption());
    }
    int inUse = 0;
    for (int slot = 1; slot <= tables.upperBound(); ++slot) {
        if (tables.state(slot).Free == DocumentState::False) {
            ++inUse;
            const frmNotePad* w = tables.window(slot);
            if (!w || w->isUnloaded())
                return QStringLiteral("slot %1 is taken with no window").arg(slot);
        }
    }
    if (inUse != open)
        return QStringLiteral("%1 slots in use for %2 open windows").arg(inUse).arg(open);
    if (open != m_docs.size())
        return QStringLiteral("%1 windows open, the user has %2").arg(open).arg(m_docs.size());
    if (m_frameClosed) return QString();
    // The menu bar carries the active window's menus, or the frame's own when none is open.
    const QList<QAction*> bar = m_f.frame().menuBar()->actions();
    if (open == 0 && bar != QList<QAction*>{m_f.frame().mnuFile->menuAction(),
                                            m_f.frame().mnuOptions->menuAction()})
        return QStringLiteral("no window is open but the frame's menu is not on the menu bar");
    if (frmNotePad* a = m_f.frame().activeDocumentWindow(); a && bar != a->menuBarActions())
        return QStringLiteral("the menu bar does not carry the menus of %1").arg(a->Caption());
    return QString();
}

QString SoakRound::checkWindow(const Document& d) {
    if (!d.window) return QStringLiteral("the window of %1 is gone").arg(d.caption);
    frmNotePad* w = d.window;
    if (w->Caption() != d.caption)
        return QStringLiteral("caption %1, expected %2").arg(w->Caption(), d.caption);
    if (w->document().filePath() != d.path)
        return QStringLiteral("%1 holds the file %2, expected %3")
            .arg(d.caption, w->document().filePath(), d.path);
    const bool changed = w->documentState().Changed != DocumentState::False;
    if (changed != d.dirty)
        return QStringLiteral(
                   "%1: Changed is %2, but %3 its text since it was last read or written")
            .arg(d.caption, changed ? "true" : "false",
                 d.dirty ? "an input altered" : "no input altered");
    const TextBox& box = *w->Text1;
    // The reference reads the bytes as the window's kind of document does.
    TextReference ref;
    ref.lf = box.buffer().format().isLf();
    ref.utf8 = box.buffer().format().isUtf8();
    ref.setText(box.Text());
    ref.start = long(box.SelStart());
    ref.length = long(box.SelLength());
    if (ref.start < 0 || ref.length < 0 || ref.start + ref.length > long(ref.text.size()))
        return QStringLiteral("%1: selection %2+%3 outside the text")
            .arg(d.caption)
            .arg(ref.start)
            .arg(ref.length);
    const QString view = TextBoxScript::viewMismatch(box, ref);
    return view.isEmpty() ? QString() : d.caption + QStringLiteral(": ") + view;
}

QString SoakRound::state() {
    QStringList out;
    for (const Document& d : std::as_const(m_docs)) {
        if (!d.window) continue;
        TextBox* box = d.window->Text1;
        if (!box->property("soakChanges").isValid()) {
            box->setProperty("soakChanges", 0);
            QObject::connect(box, &TextBox::Change, box, [box] {
                box->setProperty("soakChanges", box->property("soakChanges").toInt() + 1);
            });
        }
        // A short text as it stands: a comparison can then leave out the clock times that Edit,
        // Time put in.
        const QByteArray text = box->Text();
        out << QStringLiteral("%1 %2 %3+%4 changes %5 undo %6 redo %7")
                   .arg(d.caption,
                        text.size() <= 300
                            ? TextScript::shown(text)
                            : QString::fromLatin1(
                                  QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex()))
                   .arg(box->SelStart())
                   .arg(box->SelLength())
                   .arg(box->property("soakChanges").toInt())
                   .arg(box->history().undoSteps())
                   .arg(box->history().redoSteps());
    }
    return out.join(QStringLiteral(" | "));
}

QString SoakRound::describe(const QString& path, const QByteArray& text, bool lf, bool utf8) {
    return QStringLiteral("%1 (%2%3): %4")
        .arg(path.isEmpty() ? QStringLiteral("untitled") : path, lf ? "LF" : "CR LF",
             utf8 ? ", UTF-8" : "",
             text.size() <= 300
                 ? TextScript::shown(text)
                 : QString::fromLatin1(
                       QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex()));
}

QStringList SoakRound::unsaved() const {
    QStringList out;
    for (const Document& d : m_docs) {
        if (!d.dirty || !d.window) continue;
        const DocumentFormat& format = d.window->Text1->format();
        out << describe(d.path, d.seen, format.isLf(), format.isUtf8());
    }
    return out;
}
