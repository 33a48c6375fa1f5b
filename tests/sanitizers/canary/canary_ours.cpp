// Reads, in this program's own code, a member of an object already deleted, while a window is up
// (so that Qt, fontconfig and the platform plugin are as busy as in the widget tests).
#include <QApplication>
#include <QPlainTextEdit>
#include <cstdio>

namespace {

struct Holder {
    int value = 42;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QPlainTextEdit edit;
    edit.setPlainText(QStringLiteral("canary"));
    edit.show();
    QCoreApplication::processEvents();

    auto* holder = new Holder;
    volatile Holder* stale = holder;
    delete holder;
    std::printf("%d\n", stale->value);
    return 0;
}
