// A drag source for the end-to-end checks: another X client, as a file manager is. It shows a
// window titled "dragsource" and, when a mouse button is pressed in it, drags the files named on
// its command line as file: URIs, with their paths as text besides, as file managers offer them.
// It prints "dragging" when the drag starts, "wanted" or "unwanted" as the target under the
// pointer says whether it would take the files, and "taken" or "refused" when the drag ends. It
// keeps running: the target reads the files' URIs from it after the drop, as from a file
// manager.
//
// usage: e2e_dragsource FILE...
#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextStream>
#include <QUrl>

namespace {

class DragSource : public QLabel {
public:
    explicit DragSource(QStringList files) : m_files(std::move(files)) {
        setWindowTitle(QStringLiteral("dragsource"));
        setText(QStringLiteral("drag me"));
        setAlignment(Qt::AlignCenter);
    }

protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& file : m_files) urls << QUrl::fromLocalFile(file);
        data->setUrls(urls);
        data->setText(m_files.join(QLatin1Char('\n')));
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        // Each step is told, so that the mouse moves on only when the drag is ready for it.
        QObject::connect(drag, &QDrag::actionChanged, [](Qt::DropAction action) {
            QTextStream(stdout) << (action == Qt::IgnoreAction ? "unwanted" : "wanted") << Qt::endl;
        });
        QTextStream(stdout) << "dragging" << Qt::endl;
        const Qt::DropAction done = drag->exec(Qt::CopyAction);
        QTextStream(stdout) << (done == Qt::IgnoreAction ? "refused" : "taken") << Qt::endl;
    }

private:
    QStringList m_files;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList files;
    for (const QString& argument : app.arguments().mid(1))
        files << QFileInfo(argument).absoluteFilePath();
    DragSource source(files);
    source.setGeometry(20, 20, 200, 150);
    source.show();
    return app.exec();
}
