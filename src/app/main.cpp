#include <QApplication>
#include <QDir>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/files/LaunchArguments.h"
#include "gui/frame/FrameHandOff.h"
#include "gui/frame/FrameService.h"
#include "gui/frame/SnapshotScheduler.h"
#include "gui/frame/frmMDI.h"
#include "gui/platform/PlatformTranslations.h"
#include "gui/platform/QtDialogService.h"
#include "gui/platform/QtSystemServices.h"
#include "gui/platform/QuitSignals.h"

namespace {

// Whether Qt will find a screen: a platform named on the command line or in QT_QPA_PLATFORM
// other than a desktop's (offscreen, ...) needs none; the X11 and Wayland platforms need the
// display the environment names. Only the environment is read, so a normal start pays nothing.
bool displayNamed(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Tavulella"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVULELLA_VERSION));
}

}  // namespace

int main(int argc, char** argv) {
    // Without a display Qt's desktop platforms end the process with an abort. --help and
    // --version are answered all the same; anything else is refused in one line.
    if (!displayNamed(argc, argv)) {
        QCoreApplication core(argc, argv);
        nameApplication();
        LaunchArguments::parse(LaunchArguments::argumentsOf(argc, argv), QDir::currentPath());
        std::fputs(
            "tavulella: ce vo' na sessione grafica, e nun ce sta nisciuno schermo (né DISPLAY "
            "né WAYLAND_DISPLAY).\n",
            stderr);
        return 1;
    }

    // What the launcher gave this launch to bring a window to the front; read before the
    // application object exists, as Qt's X11 platform takes the startup ID out of the
    // environment.
    QVariantMap platformData;
    if (const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN"); !token.isEmpty())
        platformData.insert(QStringLiteral("activation-token"), token);
    if (const QString id = qEnvironmentVariable("DESKTOP_STARTUP_ID"); !id.isEmpty())
        platformData.insert(QStringLiteral("desktop-startup-id"), id);

    QApplication app(argc, argv);
    nameApplication();
    // Names the installed launcher entry, so that desktops show its icon for the running program.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tavulella"));
    // Ending the program is the frame's decision, not a side effect of its last window closing
    // (the Find dialog can outlive every document window).
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's own words (Yes, No, Cancel, the file dialogs) in the user's language.
    PlatformTranslations::install(app);

    // Relative paths are taken from the caller's working folder, which the start-up then leaves.
    // argv is read as QApplication leaves it (its own options taken out), byte for byte.
    const LaunchArguments launch =
        LaunchArguments::parse(LaunchArguments::argumentsOf(argc, argv), QDir::currentPath());

    // One frame per session: when another process holds the frame's name, the files go to it
    // and this launch ends without a window; when that frame does not answer (or is closing),
    // or there is no session bus, this launch is a frame of its own. A waiting launch that finds
    // no frame starts one in a process of its own and hands its files to it, so that it waits
    // for its own windows only and the frame outlives it.
    FrameService service;
    FrameService::Claim claim = service.claim();
    if (launch.frameOnly) {
        if (claim != FrameService::Claim::Owned) return 0;
    } else if (claim == FrameService::Claim::Owned && launch.wait) {
        service.release();
        if (FrameHandOff::startFrame())
            if (const std::optional<int> status = FrameHandOff::run(launch, platformData))
                return *status;
        claim = service.claim();
    }
    if (!launch.frameOnly && claim == FrameService::Claim::Taken)
        if (const std::optional<int> status = FrameHandOff::run(launch, platformData))
            return *status;

    frmMDI::prepareApplication();
    frmMDI frame(std::make_unique<QtDialogService>(), std::make_unique<QtSystemServices>());
    // Asked to end (the session closing, a service stop): what is typed but not yet copied is
    // copied first, and the copies stay for the next start.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &frame, [&frame] {
        frame.snapshots().flush();
        QCoreApplication::exit(0);
    });
    QList<frmNotePad*> opened = frame.MDIForm_Load(launch.files, !launch.frameOnly);
    frame.snapshots().offerRecovery();
    service.attach(frame);

    // With --wait and no frame to hand the files to, this process is the frame: it ends once the
    // windows opened for its files have closed and no document window is left (the user's other
    // windows keep it, and the caller waiting, until they close too). When none of the files
    // opened, the user has read why and the launch ends at once.
    bool waitOver = false;
    if (launch.wait) {
        if (launch.files.isEmpty()) opened = {frame.activeDocumentWindow()};
        if (opened.isEmpty()) return 1;
        const auto endWhenEmpty = [&] {
            if (waitOver && !frame.state().slotTables.HasOpenDocuments()) QCoreApplication::exit(0);
        };
        QObject::connect(&frame, &frmMDI::documentsAllClosed, &frame, endWhenEmpty);
        service.watchWindows(opened, [&waitOver, endWhenEmpty] {
            waitOver = true;
            endWhenEmpty();
        });
    }
    return QApplication::exec();
}
