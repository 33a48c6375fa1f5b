#include "Scenarios.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "BenchReport.h"
#include "BenchSubject.h"
#include "IdleWait.h"
#include "KeyInput.h"
#include "ProcessMemory.h"

namespace {

// What Paste puts in: 100 KB of the document's kind of text, 80 characters and CR LF a line.
QString pasteText() {
    const QByteArray line = QByteArray(80, 'p') + "\r\n";
    QByteArray text;
    while (text.size() + line.size() <= 100000) text += line;
    text += QByteArray(100000 - text.size(), 'q');
    return QString::fromLatin1(text);
}

// Long enough for several blinks of the caret (a blink is half the flash time, 500 ms by default).
constexpr int kIdleWatchMs = 4000;
// What an edit leaves to do once the keys have rested: Tavulella writes the copy of unsaved text
// 1.5 s after the last change. Idle is watched after it, and this work counted on its own.
constexpr int kRestMs = 2500;

double processCpuMs() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Text without line breaks: words and spaces, as minified data or a log without line ends.
QString lineText(int chars) {
    static const char* const words[] = {"sole", "mare", "luna", "vico", "pizza", "golfo"};
    QString text;
    text.reserve(chars + 8);
    for (int i = 0; text.size() < chars; ++i) {
        text += QLatin1String(words[i % 6]);
        text += QLatin1Char(' ');
    }
    text.truncate(chars);
    return text;
}

int fail(const char* why) {
    std::fprintf(stderr, "scenario failed: %s\n", why);
    return 1;
}

}  // namespace

int Scenarios::run(BenchSubject& subject, const QStringList& args) {
    const QString mode = args.value(0);
    const auto number = [&args](int i, int fallback) {
        bool ok = false;
        const int n = args.value(i).toInt(&ok);
        return ok && n > 0 ? n : fallback;
    };
    if (mode == QLatin1String("startup")) return startup(subject);
    if (mode == QLatin1String("open") && args.size() >= 2) return open(subject, args[1]);
    if (mode == QLatin1String("edit") && args.size() >= 2)
        return edit(subject, args[1], number(2, 3));
    if (mode == QLatin1String("find") && args.size() >= 2)
        return find(subject, args[1], number(2, 3));
    if (mode == QLatin1String("save") && args.size() >= 3)
        return save(subject, args[1], args[2], number(3, 3));
    if (mode == QLatin1String("new")) return newWindows(subject, number(1, 5));
    if (mode == QLatin1String("fontmenu")) return fontMenu(subject, number(1, 3));
    if (mode == QLatin1String("windows")) return windows(subject, number(1, 50));
    if (mode == QLatin1String("line") && args.size() >= 2)
        return longLine(subject, args[1], number(2, 3));
    if (mode == QLatin1String("pasteline")) return pasteLine(subject, number(1, 2000000));
    if (mode == QLatin1String("memory")) return memory(subject, number(1, 20), args.value(2));
    if (mode == QLatin1String("hold")) return hold(subject, args.value(1), args.value(2));
    return fail(
        "usage: startup | open FILE | edit FILE [ROUNDS] | find FILE [ROUNDS] | "
        "save FILE OUT [ROUNDS] | new [ROUNDS] | fontmenu [ROUNDS] | windows [COUNT] | "
        "line FILE [ROUNDS] | pasteline [BYTES] | memory [COUNT [FILE]] | "
        "hold [FILE [middle|end]]");
}

void Scenarios::startIdle(BenchSubject& subject) {
    subject.start();
    IdleWait::untilIdle();
}

void Scenarios::openUntimed(BenchSubject& subject, const QString& path) {
    startIdle(subject);
    subject.open(path);
    IdleWait::untilIdle();
}

void Scenarios::putCaret(BenchSubject& subject, int viewPosition) {
    QPlainTextEdit* edit = subject.editor();
    QTextCursor c = edit->textCursor();
    c.setPosition(std::clamp(viewPosition, 0, edit->document()->characterCount() - 1));
    edit->setTextCursor(c);
    edit->ensureCursorVisible();
    IdleWait::untilIdle();
}

void Scenarios::focusEditor(BenchSubject& subject) {
    // The keys go to the focus widget, which only an active frame has: without a window manager
    // the frame may become active a while after it shows (under a profiler, seconds after).
    for (int tries = 0; tries < 1000 && !subject.editor()->hasFocus(); ++tries) {
        subject.frame()->activateWindow();
        subject.editor()->setFocus();
        runFor(10);
    }
}

void Scenarios::runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double Scenarios::idleCpuPercent(BenchSubject& subject, const QString& restFigure) {
    IdleWait::untilIdle();
    if (!subject.editor()->hasFocus()) return -1;
    const double rest0 = processCpuMs();
    runFor(kRestMs);
    BenchReport::figure(restFigure, processCpuMs() - rest0);
    const qint64 t0 = BenchReport::monotonicNs();
    const double cpu0 = processCpuMs();
    runFor(kIdleWatchMs);
    return 100 * (processCpuMs() - cpu0) / BenchReport::msSince(t0);
}

int Scenarios::startup(BenchSubject& subject) {
    startIdle(subject);
    BenchReport::figure(QStringLiteral("ready_ns"), double(BenchReport::monotonicNs()));
    BenchReport::memory(QStringLiteral("startup"));
    return 0;
}

int Scenarios::open(BenchSubject& subject, const QString& path) {
    startIdle(subject);
    const qint64 t0 = BenchReport::monotonicNs();
    subject.open(path);
    IdleWait::untilIdle();
    BenchReport::figure(QStringLiteral("open_ms"), BenchReport::msSince(t0));
    BenchReport::memory(QStringLiteral("open"));
    return 0;
}

int Scenarios::edit(BenchSubject& subject, const QString& path, int rounds) {
    openUntimed(subject, path);
    QMainWindow* frame = subject.frame();
    const auto length = [&subject] { return subject.editor()->document()->characterCount(); };
    // Each edit is timed until idle, and must have done what it stands for: changed the length
    // of the shown text by at least `least` and at most `most` characters.
    bool allDone = true;
    const auto timed = [&](const char* name, Qt::Key key, Qt::KeyboardModifiers mods,
                           const QString& text, int least, int most) {
        const int before = length();
        const qint64 t0 = BenchReport::monotonicNs();
        KeyInput::press(frame, key, mods, text);
        IdleWait::untilIdle();
        BenchReport::figure(QString::fromLatin1(name), BenchReport::msSince(t0));
        const int delta = length() - before;
        if (delta < least || delta > most) {
            std::fprintf(stderr, "%s changed the length by %d\n", name, delta);
            allDone = false;
        }
    };
    const QString paste = pasteText();
    for (int r = 0; r < rounds; ++r) {
        putCaret(subject, length() - 1);
        timed("type_end_ms", Qt::Key_X, {}, QStringLiteral("x"), 1, 1);
        // Ten characters into the line that holds the middle of the text.
        const QTextBlock middle = subject.editor()->document()->findBlock(length() / 2);
        putCaret(subject, middle.position() + 10);
        timed("type_middle_ms", Qt::Key_X, {}, QStringLiteral("x"), 1, 1);
        timed("enter_ms", Qt::Key_Return, {}, QStringLiteral("\r"), 1, 1);
        timed("backspace_ms", Qt::Key_Backspace, {}, QString(), -1, -1);
        timed("delete_ms", Qt::Key_Delete, {}, QString(), -1, -1);
        QGuiApplication::clipboard()->setText(paste);
        IdleWait::untilIdle();
        // A line break may count as one character or as two, depending on the program.
        timed("paste_ms", Qt::Key_V, Qt::ControlModifier, QString(), 95000, 105000);
        putCaret(subject, 0);
        timed("ctrl_end_ms", Qt::Key_End, Qt::ControlModifier, QString(), 0, 0);
        if (subject.editor()->textCursor().position() != length() - 1) {
            std::fprintf(stderr, "Ctrl+End left the caret before the end\n");
            allDone = false;
        }
    }
    return allDone ? 0 : fail("an edit did not do what it stands for");
}

int Scenarios::find(BenchSubject& subject, const QString& path, int rounds) {
    openUntimed(subject, path);
    struct Search {
        const char* figure;
        QString text;
        bool matchCase;
        bool found;
    };
    // "Pulcinella" stands once, near the end of the file; "Scaramuccia" nowhere.
    const Search searches[] = {
        {"find_end_case_ms", QStringLiteral("Pulcinella"), true, true},
        {"find_end_nocase_ms", QStringLiteral("pulcinella"), false, true},
        {"find_none_case_ms", QStringLiteral("Scaramuccia"), true, false},
        {"find_none_nocase_ms", QStringLiteral("scaramuccia"), false, false},
    };
    for (int r = 0; r < rounds; ++r) {
        for (const Search& s : searches) {
            putCaret(subject, 0);
            const qint64 t0 = BenchReport::monotonicNs();
            const bool found = subject.findNext(s.text, s.matchCase);
            IdleWait::untilIdle();
            BenchReport::figure(QString::fromLatin1(s.figure), BenchReport::msSince(t0));
            if (found != s.found) return fail("a search did not find what the file holds");
        }
    }
    return 0;
}

int Scenarios::save(BenchSubject& subject, const QString& path, const QString& out, int rounds) {
    openUntimed(subject, path);
    for (int r = 0; r < rounds; ++r) {
        const qint64 t0 = BenchReport::monotonicNs();
        subject.save(out);
        IdleWait::untilIdle();
        BenchReport::figure(QStringLiteral("save_ms"), BenchReport::msSince(t0));
        if (QFileInfo(out).size() < 9000000) return fail("the document was not saved");
    }
    return 0;
}

int Scenarios::newWindows(BenchSubject& subject, int rounds) {
    startIdle(subject);
    BenchReport::figure(QStringLiteral("font_families"), QFontDatabase::families().size());
    for (int r = 0; r < rounds; ++r) {
        const int before = subject.windowCount();
        const qint64 t0 = BenchReport::monotonicNs();
        subject.newWindow();
        IdleWait::untilIdle();
        BenchReport::figure(QStringLiteral("new_ms"), BenchReport::msSince(t0));
        if (subject.windowCount() != before + 1) return fail("File, New opened no window");
    }
    return 0;
}

int Scenarios::fontMenu(BenchSubject& subject, int rounds) {
    startIdle(subject);
    BenchReport::figure(QStringLiteral("font_families"), QFontDatabase::families().size());
    for (int r = 0; r < rounds; ++r) {
        subject.newWindow();
        IdleWait::untilIdle();
        const qint64 t0 = BenchReport::monotonicNs();
        subject.openFontMenu();
        IdleWait::untilIdle();
        BenchReport::figure(QStringLiteral("fontmenu_ms"), BenchReport::msSince(t0));
        const auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || menu->actions().size() < QFontDatabase::families().size())
            return fail("the font menu did not open with every font family");
        subject.closeFontMenu();
        IdleWait::untilIdle();
    }
    // Typing with every one of those windows' font menus filled: a key must not cost more
    // because the program holds many menu items.
    for (int i = 0; i < 5; ++i) {
        const int before = subject.editor()->document()->characterCount();
        const qint64 t0 = BenchReport::monotonicNs();
        KeyInput::press(subject.frame(), Qt::Key_X, {}, QStringLiteral("x"));
        IdleWait::untilIdle();
        BenchReport::figure(QStringLiteral("type_fontmenus_ms"), BenchReport::msSince(t0));
        if (subject.editor()->document()->characterCount() != before + 1)
            return fail("a typed character did not arrive");
    }
    return 0;
}

int Scenarios::windows(BenchSubject& subject, int count) {
    startIdle(subject);
    const auto step = [](const char* figure, const auto& action) {
        const qint64 t0 = BenchReport::monotonicNs();
        action();
        IdleWait::untilIdle();
        BenchReport::figure(QString::fromLatin1(figure), BenchReport::msSince(t0));
    };
    for (int i = 0; i < count; ++i) step("windows_new_ms", [&] { subject.newWindow(); });
    if (subject.windowCount() != count + 1) return fail("not every File, New opened a window");
    step("windows_tile_ms", [&] { subject.tile(); });
    step("windows_cascade_ms", [&] { subject.cascade(); });
    while (subject.windowCount() > 0) {
        const int before = subject.windowCount();
        step("windows_close_ms", [&] { subject.closeActiveWindow(); });
        if (subject.windowCount() >= before) return fail("a window did not close");
    }
    return 0;
}

int Scenarios::longLine(BenchSubject& subject, const QString& path, int rounds) {
    openUntimed(subject, path);
    QMainWindow* frame = subject.frame();
    const auto length = [&subject] { return subject.shownLength(); };
    if (subject.lineCount() != 1 || length() - 1 != QFileInfo(path).size())
        return fail("the file did not open as one line");
    bool allDone = true;
    const auto key = [&](const char* name, Qt::Key k, const QString& text, int delta,
                         Qt::KeyboardModifiers modifiers = {}) {
        const int before = length();
        const qint64 t0 = BenchReport::monotonicNs();
        KeyInput::press(frame, k, modifiers, text);
        IdleWait::untilIdle();
        if (name) BenchReport::figure(QString::fromLatin1(name), BenchReport::msSince(t0));
        if (length() - before != delta) {
            std::fprintf(stderr, "%s changed the length by %d\n", name ? name : "a key",
                         length() - before);
            allDone = false;
        }
    };
    for (int r = 0; r < rounds; ++r) {
        putCaret(subject, length() / 2);
        key("line_type_ms", Qt::Key_X, QStringLiteral("x"), 1);
        key("line_backspace_ms", Qt::Key_Backspace, QString(), -1);
        key("line_enter_ms", Qt::Key_Return, QStringLiteral("\r"), 1);
        // Joined again, untimed: every round edits the one long line.
        key(nullptr, Qt::Key_Backspace, QString(), -1);
        key("line_delete_ms", Qt::Key_Delete, QString(), -1);
        const int before = subject.editor()->textCursor().position();
        key("line_down_ms", Qt::Key_Down, QString(), 0);
        if (subject.editor()->textCursor().position() <= before) {
            std::fprintf(stderr, "Down did not move the caret along the wrapped line\n");
            allDone = false;
        }
        const int down = subject.editor()->textCursor().position();
        key("line_wordright_ms", Qt::Key_Right, QString(), 0, Qt::ControlModifier);
        if (subject.editor()->textCursor().position() <= down) {
            std::fprintf(stderr, "Ctrl+Right did not move the caret\n");
            allDone = false;
        }
    }
    if (subject.lineCount() != 1) return fail("the line did not stay one");
    const double idle = idleCpuPercent(subject, QStringLiteral("line_rest_cpu_ms"));
    if (idle < 0) return fail("the text box has not the focus: its caret does not blink");
    BenchReport::figure(QStringLiteral("line_idle_cpu_pct"), idle);
    return allDone ? 0 : fail("a key did not do what it stands for");
}

int Scenarios::pasteLine(BenchSubject& subject, int bytes) {
    startIdle(subject);
    QGuiApplication::clipboard()->setText(lineText(bytes));
    IdleWait::untilIdle();
    const int before = subject.shownLength();
    const qint64 t0 = BenchReport::monotonicNs();
    KeyInput::press(subject.frame(), Qt::Key_V, Qt::ControlModifier);
    IdleWait::untilIdle();
    BenchReport::figure(QStringLiteral("pasteline_ms"), BenchReport::msSince(t0));
    if (subject.shownLength() - before != bytes) return fail("Paste did not put in the whole line");
    const double idle = idleCpuPercent(subject, QStringLiteral("pasteline_rest_cpu_ms"));
    if (idle < 0) return fail("the text box has not the focus: its caret does not blink");
    BenchReport::figure(QStringLiteral("pasteline_idle_cpu_pct"), idle);
    return 0;
}

int Scenarios::memory(BenchSubject& subject, int count, const QString& path) {
    startIdle(subject);
    // Resident memory once everything an edit leaves for later (the copy of unsaved text) is
    // done and the program is idle.
    const auto settled = [] {
        IdleWait::untilIdle();
        runFor(kRestMs);
        IdleWait::untilIdle();
        return double(ProcessMemory::residentKiB());
    };
    const QString typed = QStringLiteral("Ciao, munno!");
    const auto addWindow = [&](const QString& file) {
        if (file.isEmpty()) {
            subject.newWindowFromMenu();
            IdleWait::untilIdle();
            focusEditor(subject);
            for (const QChar c : typed)
                KeyInput::press(subject.frame(), Qt::Key(c.toUpper().unicode()), {}, QString(c));
        } else {
            subject.openInNewWindow(file);
        }
        IdleWait::untilIdle();
    };
    const int windows = subject.windowCount();
    const double base = settled();
    addWindow(path);
    BenchReport::figure(QStringLiteral("memory_first_kib"), settled() - base);
    for (int i = 1; i < count; ++i) addWindow(path);
    BenchReport::figure(QStringLiteral("memory_each_kib"), (settled() - base) / count);
    if (subject.windowCount() != windows + count) return fail("not every window opened");
    if (!path.isEmpty()) return 0;
    for (int i = count; i < 200; ++i) addWindow(QString());
    BenchReport::figure(QStringLiteral("memory_200_kib"), settled() - base);
    if (subject.windowCount() != windows + 200) return fail("not every window opened");
    if (subject.editor()->document()->characterCount() != typed.size() + 1)
        return fail("the typed line did not arrive");
    return 0;
}

int Scenarios::hold(BenchSubject& subject, const QString& path, const QString& caret) {
    if (path.isEmpty()) {
        startIdle(subject);
    } else {
        openUntimed(subject, path);
    }
    const int end = subject.editor()->document()->characterCount() - 1;
    if (caret == QLatin1String("middle")) {
        // At the start of the line that holds the middle of the text.
        putCaret(subject, subject.editor()->document()->findBlock(end / 2).position());
    } else if (caret == QLatin1String("end")) {
        putCaret(subject, end);
    }
    focusEditor(subject);
    if (!subject.editor()->hasFocus()) return fail("the text box has not the focus");
    BenchReport::figure(QStringLiteral("hold_ready"), 1);
    return QApplication::exec();
}
