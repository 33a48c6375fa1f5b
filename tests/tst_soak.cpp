#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>
#include <QPointer>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include <sys/stat.h>

#include "FrameFixture.h"
#include "TextReference.h"
#include "document/TextBox.h"
#include "document/frmNotePad.h"
#include "files/FileCommands.h"

// A long run of random user actions on the real program (offscreen): typing, Enter, Backspace,
// Delete, caret keys, selections, menu commands, switching, arranging, minimising windows, the
// save question answered at random, opening and saving files in a folder of its own. After
// every action the program must agree with a plain account of what the user did:
//  - every open window has a slot that is not free, and every free slot no window;
//  - each window's caption is what opening and saving made it, and its slot's Changed is true
//    exactly when its text changed since it was last read or written;
//  - each text box's widget shows exactly its text, with the selection at the same place;
//  - every file equals the last text saved to it plus CR LF (or what it held at the start);
//  - exactly the dialogs the account expects come up: no more, no fewer.
//
// The run is seeded. Each round starts a fresh frame from seed + round number; a failure names
// the round's seed, the action and the steps before it. Replay one round with
//     TAVULELLA_SOAK_SEED=<seed> TAVULELLA_SOAK_ROUNDS=1 tst_soak
// TAVULELLA_SOAK_SECONDS bounds the run (default 20), TAVULELLA_SOAK_ACTIONS sets the length
// of a round (default 300).
namespace {

using Answer = DialogService::Answer;

// The files of a round, by name: what each is, and so whether reading or writing it works.
const QStringList Names = {QStringLiteral("a.txt"),        QStringLiteral("b.txt"),
                           QStringLiteral("Città ñ.txt"),  QStringLiteral("new.txt"),
                           QStringLiteral("readonly.txt"), QStringLiteral("folder"),
                           QStringLiteral("no/such.txt"),  QStringLiteral("big.txt")};

struct Document {
    QPointer<frmNotePad> window;
    QString caption;
    QString path;       // empty while untitled
    QByteArray baseline;  // the text as last read or written
    bool dirty = false;   // an action changed the text since then
};

class Round {
public:
    Round(quint64 seed, FrameFixture& f) : m_rng(seed), m_f(f) {}

    void setUp();
    // One random action; returns what went wrong, empty when nothing did.
    QString step();
    bool frameClosed() const { return m_frameClosed; }
    const QStringList& log() const { return m_log; }

private:
    int pick(int n) { return int(m_rng.bounded(n)); }
    bool chance(int percent) { return pick(100) < percent; }
    QString pathOf(const QString& name) const { return m_folder + QLatin1Char('/') + name; }
    Document* find(frmNotePad* w);
    Document* active();
    QString randomPath() { return pathOf(Names[pick(int(Names.size()))]); }

    bool writable(const QString& path) const;
    // Scripts a save to path of doc's text, as the program will try it: on success the file
    // and doc's account change, on failure the error box is answered. Returns whether it works.
    bool expectWrite(Document& doc, const QString& path);
    // Scripts the save question of a changed doc; returns whether the window may close.
    bool expectQuestion(Document& doc);

    void typeText();
    void openFile();
    void saveOrSaveAs(bool saveAs);
    void closeWindow();
    void closeFrame();
    void newWindow();
    void select();
    void switchWindow();
    void windowState();

    QString check();
    QString checkSlots();
    QString checkWindow(const Document& doc);

    QRandomGenerator m_rng;
    FrameFixture& m_f;
    QString m_folder;
    QList<Document> m_docs;
    QHash<QString, QByteArray> m_disk;
    QStringList m_log;
    bool m_frameClosed = false;
};

void Round::setUp()
{
    m_folder = m_f.path(QStringLiteral("files"));
    QDir().mkpath(m_folder);
    QDir(m_folder).mkdir(QStringLiteral("folder"));
    const QByteArray start[] = {"a\r\nline two\r\n\rlone\n", "", "ħ?\x80\x81\xff"};
    for (int i = 0; i < 3; ++i) {
        QFile file(pathOf(Names[i]));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(start[i]);
        m_disk.insert(pathOf(Names[i]), start[i]);
    }
    QFile ro(pathOf(QStringLiteral("readonly.txt")));
    QVERIFY(ro.open(QIODevice::WriteOnly));
    ro.write("do not touch\r\n");
    ro.close();
    QVERIFY(::chmod(QFile::encodeName(ro.fileName()).constData(), 0444) == 0);
    m_disk.insert(ro.fileName(), "do not touch\r\n");
    QFile big(pathOf(QStringLiteral("big.txt")));
    QVERIFY(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(FileCommands::MaxOpenBytes + 1, 'B'));
    m_disk.insert(big.fileName(), QByteArray(FileCommands::MaxOpenBytes + 1, 'B'));

    frmNotePad* first = m_f.active();
    QVERIFY(first);
    m_docs.append(Document{first, first->Caption(), QString(), QByteArray(), false});
}

Document* Round::find(frmNotePad* w)
{
    for (Document& d : m_docs) {
        if (d.window == w) return &d;
    }
    return nullptr;
}

Document* Round::active() { return find(m_f.frame().activeDocument()); }

bool Round::writable(const QString& path) const
{
    const QFileInfo info(path);
    if (info.isDir()) return false;
    if (info.exists()) return info.permissions() & QFileDevice::WriteOwner;
    return info.dir().exists();
}

bool Round::expectWrite(Document& doc, const QString& path)
{
    if (!writable(path)) {
        m_f.dialogs().answerMessageBox(Answer::Ok);
        return false;
    }
    const QByteArray text = doc.window->Text1->Text();
    m_disk.insert(path, text + "\r\n");
    doc.baseline = text;
    doc.dirty = false;
    doc.path = path;
    doc.caption = path.toUpper();
    return true;
}

bool Round::expectQuestion(Document& doc)
{
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
        path = randomPath();
        m_f.dialogs().answerSave(path);
    }
    m_log.last() += QStringLiteral(" [Yes, to %1]").arg(QFileInfo(path).fileName());
    return expectWrite(doc, path);
}

void Round::typeText()
{
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
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        break;
    }
    case 1: m_log << "Enter"; QTest::keyClick(box, Qt::Key_Return); break;
    case 2: m_log << "Backspace"; QTest::keyClick(box, Qt::Key_Backspace); break;
    case 3: m_log << "Delete"; QTest::keyClick(box, Qt::Key_Delete); break;
    case 4: m_log << "Left"; QTest::keyClick(box, Qt::Key_Left); break;
    case 5: m_log << "Shift+Right"; QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier); break;
    case 6: m_log << "Ctrl+End"; QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier); break;
    default: {
        // What the program itself writes into a selection: line ends of every kind.
        const QByteArray pieces[] = {"\r\n", "\r", "\n", "x", ""};
        const QByteArray piece = pieces[pick(5)];
        m_log << QStringLiteral("SelText = %1").arg(QString::fromLatin1(piece.toPercentEncoding()));
        box->setSelText(piece);
        break;
    }
    }
}

void Round::select()
{
    Document* doc = active();
    if (!doc) return;
    TextBox* box = doc->window->Text1;
    const int start = pick(int(box->TextLength()) + 3) - 1;
    const int length = pick(8) - 1;
    m_log << QStringLiteral("select %1+%2").arg(start).arg(length);
    box->setSelStart(start);
    box->setSelLength(length);
}

void Round::openFile()
{
    // The account of the new window goes into m_docs, which may move its entries: keep the window.
    const QPointer<frmNotePad> from = m_f.frame().activeDocument();
    if (chance(10)) {
        m_log << QStringLiteral("File, Open, cancelled");
        m_f.dialogs().cancelOpen();
    } else {
        const QString path = randomPath();
        m_log << QStringLiteral("File, Open %1").arg(QFileInfo(path).fileName());
        m_f.dialogs().answerOpen(path);
        const QFileInfo info(path);
        if (!info.isFile()) {
            m_f.dialogs().answerMessageBox(Answer::Ok);
        } else if (info.size() > FileCommands::MaxOpenBytes) {
            m_f.dialogs().answerMessageBox(Answer::Ok);
        } else {
            // The new window is found after the command; its account is known now.
            m_docs.append(Document{nullptr, path.toUpper(), path, m_disk.value(path), false});
        }
    }
    const int before = int(m_f.documents().size());
    if (from)
        from->mnuFOpen->trigger();
    else
        m_f.frame().mnuFOpen->trigger();
    FrameFixture::settle();
    if (!m_docs.isEmpty() && !m_docs.last().window && m_f.documents().size() > before)
        m_docs.last().window = m_f.documents().last();
}

void Round::saveOrSaveAs(bool saveAs)
{
    Document* doc = active();
    if (!doc) return;
    m_log << (saveAs ? QStringLiteral("File, Save As") : QStringLiteral("File, Save"));
    QString path = saveAs ? QString() : doc->path;
    if (path.isEmpty()) {
        if (chance(15)) {
            m_log.last() += QStringLiteral(", cancelled");
            m_f.dialogs().cancelSave();
        } else {
            path = randomPath();
            m_log.last() += QStringLiteral(" to %1").arg(QFileInfo(path).fileName());
            m_f.dialogs().answerSave(path);
        }
    }
    if (!path.isEmpty()) expectWrite(*doc, path);
    (saveAs ? doc->window->mnuFSaveAs : doc->window->mnuFSave)->trigger();
}

void Round::closeWindow()
{
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

void Round::closeFrame()
{
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

void Round::newWindow()
{
    m_log << QStringLiteral("File, New");
    Document* doc = active();
    if (doc)
        doc->window->mnuFNew->trigger();
    else
        m_f.frame().mnuFNew->trigger();
    FrameFixture::settle();
    frmNotePad* w = m_f.frame().activeDocument();
    if (w && !find(w)) m_docs.append(Document{w, w->Caption(), QString(), QByteArray(), false});
}

void Round::switchWindow()
{
    if (m_docs.isEmpty()) return;
    Document& d = m_docs[pick(int(m_docs.size()))];
    m_log << QStringLiteral("activate %1").arg(d.caption);
    m_f.frame().mdiArea()->setActiveSubWindow(d.window);
}

void Round::windowState()
{
    Document* doc = active();
    if (!doc) return;
    switch (pick(4)) {
    case 0: m_log << "Window, Cascade"; doc->window->mnuWCascade->trigger(); break;
    case 1: m_log << "Window, Tile"; doc->window->mnuWTile->trigger(); break;
    case 2: m_log << "minimise"; doc->window->showMinimized(); break;
    default: m_log << "maximise"; doc->window->showMaximized(); break;
    }
    FrameFixture::settle();
}

QString Round::step()
{
    // The frame has no document window: only its own menu works.
    if (m_docs.isEmpty()) {
        if (chance(50)) newWindow(); else openFile();
    } else {
        const int r = pick(100);
        if (r < 40) typeText();
        else if (r < 50) select();
        else if (r < 58) openFile();
        else if (r < 66) saveOrSaveAs(false);
        else if (r < 72) saveOrSaveAs(true);
        else if (r < 80) closeWindow();
        else if (r < 82) closeFrame();
        else if (r < 88) newWindow();
        else if (r < 95) switchWindow();
        else windowState();
    }
    // What the action did to the texts: any change of a text makes it differ from its baseline
    // in the account, whatever the action was.
    for (Document& d : m_docs) {
        if (d.window && d.window->Text1->Text() != d.baseline) d.dirty = true;
    }
    const QString problem = check();
    m_f.dialogs().clear();
    return problem;
}

QString Round::check()
{
    ScriptedDialogs& dialogs = m_f.dialogs();
    if (dialogs.unexpectedDialog() || !dialogs.allAnswersUsed())
        return QStringLiteral("dialogs: ") + dialogs.problems();
    if (const QString p = checkSlots(); !p.isEmpty()) return p;
    for (const Document& d : std::as_const(m_docs)) {
        if (const QString p = checkWindow(d); !p.isEmpty()) return p;
    }
    for (auto it = m_disk.cbegin(); it != m_disk.cend(); ++it) {
        QFile file(it.key());
        if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("%1 cannot be read").arg(it.key());
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

QString Round::checkSlots()
{
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
            return QStringLiteral("window %1 is open in the free slot %2").arg(w->Caption()).arg(slot);
        if (tables.window(slot) != w)
            return QStringLiteral("slot %1 does not hold its window %2").arg(slot).arg(w->Caption());
        if (!find(w)) return QStringLiteral("window %1 is open, the user closed it").arg(w->Caption());
    }
    int inUse = 0;
    for (int slot = 1; slot <= tables.upperBound(); ++slot) {
        if (tables.state(slot).Free == DocumentState::False) {
            ++inUse;
            const frmNotePad* w = tables.window(slot);
            if (!w || w->isUnloaded()) return QStringLiteral("slot %1 is taken with no window").arg(slot);
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
    if (frmNotePad* a = m_f.frame().activeDocument(); a && bar != a->menuBarActions())
        return QStringLiteral("the menu bar does not carry the menus of %1").arg(a->Caption());
    return QString();
}

QString shownText(const TextBox& box)
{
    QString out;
    for (QTextBlock b = box.document()->begin(); b.isValid(); b = b.next()) {
        if (b != box.document()->begin()) out += QChar(0x2029);
        out += b.text();
    }
    return out;
}

QString Round::checkWindow(const Document& d)
{
    if (!d.window) return QStringLiteral("the window of %1 is gone").arg(d.caption);
    frmNotePad* w = d.window;
    if (w->Caption() != d.caption)
        return QStringLiteral("caption %1, expected %2").arg(w->Caption(), d.caption);
    if (w->filePath() != d.path)
        return QStringLiteral("%1 holds the file %2, expected %3").arg(d.caption, w->filePath(), d.path);
    const bool changed = w->documentState().Changed != DocumentState::False;
    if (changed != d.dirty)
        return QStringLiteral("%1: Changed is %2, but its text %3 since it was last read or written")
            .arg(d.caption, changed ? "true" : "false", d.dirty ? "changed" : "did not change");
    const TextBox& box = *w->Text1;
    TextReference ref;
    ref.setText(box.Text());
    ref.start = long(box.SelStart());
    ref.length = long(box.SelLength());
    if (ref.start < 0 || ref.length < 0 || ref.start + ref.length > long(ref.text.size()))
        return QStringLiteral("%1: selection %2+%3 outside the text").arg(d.caption).arg(ref.start).arg(ref.length);
    if (shownText(box) != TextReference::display(box.Text()))
        return QStringLiteral("%1: the widget does not show the text").arg(d.caption);
    const QTextCursor view = box.textCursor();
    if (view.selectionStart() != ref.viewPosition(ref.viewStart()) ||
        view.selectionEnd() != ref.viewPosition(ref.viewEnd()))
        return QStringLiteral("%1: the widget selects %2..%3, the text %4+%5")
            .arg(d.caption)
            .arg(view.selectionStart())
            .arg(view.selectionEnd())
            .arg(ref.start)
            .arg(ref.length);
    return QString();
}

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

}  // namespace

class tst_Soak : public QObject {
    Q_OBJECT
private slots:
    void randomUserActions()
    {
        const int seconds = envInt("TAVULELLA_SOAK_SECONDS", 20);
        const int actionsPerRound = envInt("TAVULELLA_SOAK_ACTIONS", 300);
        const int maxRounds = envInt("TAVULELLA_SOAK_ROUNDS", 0);
        bool seeded = false;
        quint64 seed = qEnvironmentVariable("TAVULELLA_SOAK_SEED").toULongLong(&seeded);
        if (!seeded) seed = QRandomGenerator::global()->bounded(1u << 30);
        qInfo("soak: first seed %llu, %d s, %d actions a round", seed, seconds, actionsPerRound);

        QElapsedTimer clock;
        clock.start();
        qint64 actions = 0;
        int rounds = 0;
        while ((maxRounds == 0 && clock.elapsed() < seconds * 1000LL) ||
               (maxRounds > 0 && rounds < maxRounds)) {
            const quint64 roundSeed = seed + quint64(rounds);
            FrameFixture f;
            Round round(roundSeed, f);
            round.setUp();
            if (QTest::currentTestFailed()) return;
            for (int i = 0; i < actionsPerRound && !round.frameClosed(); ++i) {
                if (maxRounds == 0 && clock.elapsed() >= seconds * 1000LL) break;
                const QString problem = round.step();
                ++actions;
                if (!problem.isEmpty()) {
                    const QStringList steps = round.log().mid(qMax(0, int(round.log().size()) - 15));
                    QFAIL(qPrintable(QStringLiteral(
                                         "seed %1, action %2: %3\nlast actions:\n  %4\nreplay with "
                                         "TAVULELLA_SOAK_SEED=%1 TAVULELLA_SOAK_ROUNDS=1")
                                         .arg(roundSeed)
                                         .arg(i + 1)
                                         .arg(problem, steps.join(QStringLiteral("\n  ")))));
                }
            }
            ++rounds;
        }
        qInfo("soak: %lld actions in %d rounds (seeds %llu to %llu), all invariants held", actions,
              rounds, seed, seed + quint64(rounds) - 1);
        QVERIFY(actions > 0);
    }
};

QTEST_MAIN(tst_Soak)
#include "tst_soak.moc"
