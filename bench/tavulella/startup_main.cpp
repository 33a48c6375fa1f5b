#include <QApplication>
#include <memory>

#include "Scenarios.h"
#include "TavulellaSubject.h"
#include "gui/frame/FrameService.h"
#include "gui/frame/frmMDI.h"
#include "gui/platform/QtDialogService.h"

// Tavulella's start-up and the opening of a file, in a program built and started exactly as
// Tavulella itself (src/main.cpp): the same libraries, the same real dialogs.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavulella"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tavulella"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The session-bus work of a launch that becomes the frame (or finds the name taken, and
    // goes on here all the same), as the program's own start-up does it.
    FrameService service;
    service.claim();
    frmMDI::prepareApplication();
    TavulellaSubject subject(std::make_unique<QtDialogService>());
    return Scenarios::run(subject, QApplication::arguments().mid(1));
}
