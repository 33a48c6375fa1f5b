#pragma once

#include <QStringList>

class BenchSubject;

// The measurements, the same for every subject. A benchmark program runs one scenario per
// process, named by its first argument, and reports its figures on standard output:
//
//   startup                   the frame shown and idle: ready_ns (monotonic clock), memory
//   open FILE                 open_ms, open_rss_kib, open_hwm_kib
//   edit FILE ROUNDS          each edit until idle: type_end_ms, type_middle_ms, enter_ms,
//                             backspace_ms, delete_ms, paste_ms, ctrl_end_ms
//   find FILE ROUNDS          find_end_case_ms, find_end_nocase_ms, find_none_case_ms,
//                             find_none_nocase_ms
//   save FILE OUT ROUNDS      save_ms
//   new ROUNDS                new_ms, font_families
//   fontmenu ROUNDS           fontmenu_ms (each time in a new window), font_families
//   windows COUNT             windows_new_ms, windows_tile_ms, windows_cascade_ms,
//                             windows_close_ms (one per step)
//   line FILE ROUNDS          FILE is one long line; each key in its middle until idle:
//                             line_type_ms, line_backspace_ms, line_enter_ms, line_delete_ms,
//                             line_down_ms, line_wordright_ms (Ctrl+Right); then
//                             line_idle_cpu_pct, the CPU the process takes
//                             while idle with the caret blinking (percent of one core)
//   memory COUNT [FILE]       resident memory once idle, each figure over that after the
//                             start-up: of one window more (memory_first_kib), and the mean of
//                             COUNT windows more (memory_each_kib); each extra window made with
//                             File, New (from the menu) and given a typed line, or holding FILE.
//                             Without FILE also that of 200 such windows more (memory_200_kib)
//   hold [FILE [CARET]]       the start-up window, or FILE opened, the caret in the middle of
//                             its text (CARET "middle") or at its end ("end"); once idle reports
//                             hold_ready and runs on until it is killed, for another program
//                             to type into it from outside (bench_keylatency)
//   pasteline BYTES           Paste of BYTES characters without a line break into the empty
//                             start-up window: pasteline_ms, then pasteline_idle_cpu_pct
//
// Every step is timed from just before the command until the event loop is idle again
// (IdleWait). The files carry the words the searches look for (see bench/driver/TestFiles).
class Scenarios {
public:
    // Returns the process's exit status.
    static int run(BenchSubject& subject, const QStringList& args);

private:
    static int startup(BenchSubject& subject);
    static int open(BenchSubject& subject, const QString& path);
    static int edit(BenchSubject& subject, const QString& path, int rounds);
    static int find(BenchSubject& subject, const QString& path, int rounds);
    static int save(BenchSubject& subject, const QString& path, const QString& out, int rounds);
    static int newWindows(BenchSubject& subject, int rounds);
    static int fontMenu(BenchSubject& subject, int rounds);
    static int windows(BenchSubject& subject, int count);
    static int longLine(BenchSubject& subject, const QString& path, int rounds);
    static int pasteLine(BenchSubject& subject, int bytes);
    static int memory(BenchSubject& subject, int count, const QString& path);
    static int hold(BenchSubject& subject, const QString& path, const QString& caret);

    static void startIdle(BenchSubject& subject);
    static void openUntimed(BenchSubject& subject, const QString& path);
    static void putCaret(BenchSubject& subject, int viewPosition);
    // Gives the active document window's text box the keyboard focus, waiting for the frame to
    // become the active window.
    static void focusEditor(BenchSubject& subject);
    // Lets the event loop run for ms.
    static void runFor(int ms);
    // The CPU time the process takes while its event loop runs idle for a while, in percent of
    // one core; negative when the text box has not the focus (its caret would not blink). The
    // watch begins after a rest, whose CPU time (ms) is reported as restFigure: the work an edit
    // leaves for later.
    static double idleCpuPercent(BenchSubject& subject, const QString& restFigure);
};
