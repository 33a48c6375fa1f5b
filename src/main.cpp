#include <QApplication>
#include <QDir>
#include <memory>

#include "files/LaunchArguments.h"
#include "frame/SnapshotScheduler.h"
#include "frame/frmMDI.h"
#include "platform/PlatformTranslations.h"
#include "platform/QtDialogService.h"
#include "platform/QtSystemServices.h"
#include "platform/QuitSignals.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavulella"));
    QApplication::setApplicationVersion(QStringLiteral(TAVULELLA_VERSION));
    // Names the installed launcher entry, so that desktops show its icon for the running program.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tavulella"));
    // Ending the program is the frame's decision, not a side effect of its last window closing
    // (the Find dialog can outlive every document window).
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's own words (Yes, No, Cancel, the file dialogs) in the user's language.
    PlatformTranslations::install(app);

    // Relative paths are taken from the caller's working folder, which the start-up then leaves.
    const LaunchArguments launch =
        LaunchArguments::parse(QApplication::arguments(), QDir::currentPath());

    frmMDI frame(std::make_unique<QtDialogService>(), std::make_unique<QtSystemServices>());
    // Asked to end (the session closing, a service stop): what is typed but not yet copied is
    // copied first, and the copies stay for the next start.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &frame, [&frame] {
        frame.snapshots().flush();
        QCoreApplication::exit(0);
    });
    frame.MDIForm_Load(launch.files);
    frame.snapshots().offerRecovery();
    return QApplication::exec();
}
