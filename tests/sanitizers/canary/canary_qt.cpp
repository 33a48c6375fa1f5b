// Calls into Qt with a widget already deleted: the read of freed memory happens inside Qt's own
// library, which is where a too broad suppression would hide it.
#include <QApplication>
#include <QLabel>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    auto* label = new QLabel(QStringLiteral("canary"));
    label->show();
    QCoreApplication::processEvents();
    QLabel* stale = label;
    delete label;
    std::printf("%d\n", int(stale->text().size()));
    return 0;
}
