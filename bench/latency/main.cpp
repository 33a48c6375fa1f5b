// bench_keylatency: the time from a key sent to a program through XTest to the first repaint of
// its window that the X server reports (XDamage), and the program's CPU time per key.
//
//   bench_keylatency [--keys N] [--warm-up N] [--min-width PX] -- PROGRAM ARGS...
//
// Starts PROGRAM (a benchmark program running the `hold` scenario), waits for it to report
// hold_ready, finds its mapped top-level window by _NET_WM_PID and watches every window of it
// for damage. Then, for each key (the warm-up keys first, untimed): waits until no repaint has
// come for a while, sends "x" (press and release), and reports the time to the first damage at
// least PX wide (default 20: the caret's blinking repaints a strip narrower than that), as
// `figure key_latency_ms`. At the end `figure key_cpu_ms`: the program's CPU time (all its
// threads) from before the first timed key to after the last one, divided by the keys.
// The program is ended at the end (SIGTERM, then SIGKILL after 30 s). Exits 0 when every key was
// seen repainted.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

// No damage for this long: the program has finished repainting after a key.
constexpr double kQuietMs = 150;
// A key whose repaint does not come within this long counts as lost.
constexpr double kLostMs = 5000;
constexpr double kReadyTimeoutMs = 120000;

double nowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// CPU time of every thread of pid, in ms (the scheduler's own account, to the nanosecond).
double cpuMs(pid_t pid) {
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR* d = opendir(dir.c_str());
    if (!d) return -1;
    double sum = 0;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        const std::string path = dir + "/" + e->d_name + "/schedstat";
        if (FILE* f = std::fopen(path.c_str(), "r")) {
            double ns = 0;
            if (std::fscanf(f, "%lf", &ns) == 1) sum += ns / 1e6;
            std::fclose(f);
        }
    }
    closedir(d);
    return sum;
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

long windowPid(Display* dpy, Window w, Atom pidAtom) {
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char* data = nullptr;
    long pid = 0;
    if (XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &n, &after,
                           &data) == Success &&
        data && n == 1)
        pid = long(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return pid;
}

// The mapped top-level window of pid, or 0.
Window findWindow(Display* dpy, pid_t pid) {
    const Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
    Window root, parent, *kids = nullptr;
    unsigned int n = 0;
    Window found = 0;
    if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &kids, &n)) return 0;
    for (unsigned int i = 0; i < n && !found; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(dpy, kids[i], &a) && a.map_state == IsViewable &&
            !a.override_redirect && windowPid(dpy, kids[i], pidAtom) == pid)
            found = kids[i];
    }
    if (kids) XFree(kids);
    return found;
}

void watchTree(Display* dpy, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(dpy, w, &a) || a.c_class == InputOnly) return;
    XDamageCreate(dpy, w, XDamageReportRawRectangles);
    Window root, parent, *kids = nullptr;
    unsigned int n = 0;
    if (XQueryTree(dpy, w, &root, &parent, &kids, &n)) {
        for (unsigned int i = 0; i < n; ++i) watchTree(dpy, kids[i]);
        if (kids) XFree(kids);
    }
}

struct Watch {
    Display* dpy;
    int damageEvent;
    int minWidth;
    double lastDamage = 0;

    // Handles what has arrived; returns the time of the first damage at least minWidth wide, or a
    // negative value.
    double drain() {
        double first = -1;
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type != damageEvent + XDamageNotify) continue;
            const auto* de = reinterpret_cast<XDamageNotifyEvent*>(&ev);
            if (de->area.width < minWidth) continue;
            const double t = nowMs();
            lastDamage = t;
            if (first < 0) first = t;
        }
        return first;
    }
    void wait(double ms) {
        pollfd p{ConnectionNumber(dpy), POLLIN, 0};
        poll(&p, 1, int(ms < 0 ? 0 : ms + 0.999));
    }
    void untilQuiet() {
        lastDamage = nowMs();
        while (nowMs() - lastDamage < kQuietMs) {
            drain();
            wait(kQuietMs - (nowMs() - lastDamage));
        }
    }
};

int usage() {
    std::fprintf(stderr,
                 "usage: bench_keylatency [--keys N] [--warm-up N] [--min-width PX] -- PROGRAM "
                 "ARGS...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int keys = 50, warmUp = 5, minWidth = 20, i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (i + 1 >= argc) return usage();
        const int value = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--keys"))
            keys = value;
        else if (!std::strcmp(argv[i], "--warm-up"))
            warmUp = value;
        else if (!std::strcmp(argv[i], "--min-width"))
            minWidth = value;
        else
            return usage();
        ++i;
    }
    if (i + 1 >= argc || keys < 1) return usage();
    char** command = argv + i + 1;
    // A reader that goes away must not end this program before it has ended the one it started.
    signal(SIGPIPE, SIG_IGN);

    int out[2];
    if (pipe(out) != 0) return 2;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, out[1]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, command[0], &actions, nullptr, command, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        std::fprintf(stderr, "bench_keylatency: cannot start %s\n", command[0]);
        return 2;
    }
    int status = 1;
    // Asked to end first, as a session ends it (a profiler running it then writes its figures);
    // killed when it does not.
    const auto finish = [&](int code) {
        kill(pid, SIGTERM);
        for (int waited = 0; waited < 3000 && waitpid(pid, nullptr, WNOHANG) == 0; ++waited)
            usleep(10000);
        if (waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        return code;
    };

    // Until the program reports that it is ready.
    std::string output;
    const double start = nowMs();
    while (output.find("figure hold_ready") == std::string::npos) {
        const double left = kReadyTimeoutMs - (nowMs() - start);
        pollfd p{out[0], POLLIN, 0};
        char buffer[4096];
        ssize_t n = 0;
        if (left <= 0 || poll(&p, 1, int(left)) <= 0 ||
            (n = read(out[0], buffer, sizeof buffer)) <= 0) {
            std::fprintf(stderr, "bench_keylatency: %s never became ready\n", command[0]);
            return finish(2);
        }
        output.append(buffer, std::size_t(n));
    }

    Display* dpy = XOpenDisplay(nullptr);
    int damageEvent = 0, damageError = 0, major = 0, minor = 0, opcode = 0;
    if (!dpy || !XDamageQueryExtension(dpy, &damageEvent, &damageError) ||
        !XTestQueryExtension(dpy, &opcode, &damageError, &major, &minor)) {
        std::fprintf(stderr, "bench_keylatency: no display with XDamage and XTest\n");
        return finish(2);
    }
    XSetErrorHandler(ignoreErrors);
    Window top = 0;
    for (int tries = 0; tries < 200 && !top; ++tries) {
        top = findWindow(dpy, pid);
        if (!top) usleep(10000);
    }
    if (!top) {
        std::fprintf(stderr, "bench_keylatency: no window of %s\n", command[0]);
        return finish(2);
    }
    XSetInputFocus(dpy, top, RevertToParent, CurrentTime);
    watchTree(dpy, top);
    XSync(dpy, False);
    Watch watch{dpy, damageEvent, minWidth};
    const KeyCode x = XKeysymToKeycode(dpy, XK_x);

    std::vector<double> latencies;
    double cpu0 = 0;
    for (int k = 0; k < warmUp + keys; ++k) {
        watch.untilQuiet();
        if (k == warmUp) cpu0 = cpuMs(pid);
        const double t0 = nowMs();
        XTestFakeKeyEvent(dpy, x, True, 0);
        XTestFakeKeyEvent(dpy, x, False, 0);
        XFlush(dpy);
        double first = -1;
        while (first < 0 && nowMs() - t0 < kLostMs) {
            watch.wait(kLostMs - (nowMs() - t0));
            first = watch.drain();
        }
        if (first < 0) {
            std::fprintf(stderr, "bench_keylatency: key %d drew nothing\n", k + 1);
            return finish(1);
        }
        if (k >= warmUp) latencies.push_back(first - t0);
    }
    watch.untilQuiet();
    const double cpu = (cpuMs(pid) - cpu0) / keys;
    for (double l : latencies) std::printf("figure key_latency_ms %.3f\n", l);
    std::printf("figure key_cpu_ms %.3f\n", cpu);
    std::fflush(stdout);
    status = 0;
    XCloseDisplay(dpy);
    return finish(status);
}
