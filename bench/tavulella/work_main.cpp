#include <QApplication>
#include <memory>

#include "Scenarios.h"
#include "ScriptedDialogs.h"
#include "TavulellaSubject.h"
#include "gui/frame/frmMDI.h"

// Tavulella's commands, measured with the message boxes answered by the test dialog service.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavulella"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Tavulella"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The style, the forms' font and the generic font as the program itself sets them up.
    frmMDI::prepareApplication();
    auto dialogs = std::make_unique<ScriptedDialogs>();
    ScriptedDialogs* script = dialogs.get();
    TavulellaSubject subject(std::move(dialogs), [script] {
        // One answer ready for the next box, none left over.
        script->clear();
        script->answerMessageBox(DialogService::Answer::Ok);
    });
    return Scenarios::run(subject, QApplication::arguments().mid(1));
}
