#include <QApplication>
#include <memory>

#include "Scenarios.h"
#include "TavulellaSubject.h"
#include "platform/QtDialogService.h"

// Tavulella's start-up and the opening of a file, in a program built and started exactly as
// Tavulella itself (src/main.cpp): the same libraries, the same real dialogs.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavulella"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tavulella"));
    QApplication::setQuitOnLastWindowClosed(false);
    TavulellaSubject subject(std::make_unique<QtDialogService>());
    return Scenarios::run(subject, QApplication::arguments().mid(1));
}
