#include "FloorSubject.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QIcon>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QToolBar>

namespace {

// A 16 x 16 picture: a frame around a coloured square.
QIcon picture(const QColor& color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(color);
    painter.drawRect(2, 2, 11, 11);
    return QIcon(pixmap);
}

}  // namespace

FloorSubject::FloorSubject(bool framed) : m_framed(framed) {}

FloorSubject::~FloorSubject() = default;

void FloorSubject::start() {
    m_frame = std::make_unique<QMainWindow>();
    m_frame->setWindowTitle(QStringLiteral("Floor"));
    m_mdi = new QMdiArea;
    m_frame->setCentralWidget(m_mdi);
    if (m_framed) {
        // Set on the application, the child window takes it too.
        QApplication::setWindowIcon(picture(Qt::darkYellow));
        for (const char* title : {"&File", "&Cagnamme", "C&ercamme", "C'&amma fa?", "Fe&nesta"})
            m_frame->menuBar()->addMenu(QString::fromUtf8(title));
        m_frame->menuBar()->addAction(QStringLiteral("C&hi songh'io"));
        QToolBar* tools = m_frame->addToolBar(QStringLiteral("Tools"));
        tools->setMovable(false);
        tools->setIconSize(QSize(16, 16));
        for (Qt::GlobalColor color : {Qt::white, Qt::yellow, Qt::red, Qt::green, Qt::blue})
            tools->addAction(picture(color), QString());
    }
    addEditor();
    // The size of Tavulella's frame, so that both paint as much.
    m_frame->resize(541, 325);
    m_frame->show();
    m_frame->activateWindow();
}

void FloorSubject::addEditor() {
    auto* edit = new QPlainTextEdit;
    if (m_framed) {
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSizeF(8.25);
        font.setBold(true);
        font.setStretch(QFont::SemiCondensed);
        edit->setFont(font);
    }
    QMdiSubWindow* sw = m_mdi->addSubWindow(edit);
    if (m_framed) {
        sw->setFont(edit->font());
        sw->setWindowTitle(QStringLiteral("Senza nomme"));
    }
    sw->setAttribute(Qt::WA_DeleteOnClose);
    sw->show();
    m_mdi->setActiveSubWindow(sw);
    edit->setFocus();
}

QPlainTextEdit* FloorSubject::editor() {
    QMdiSubWindow* sw = m_mdi->currentSubWindow();
    return sw ? qobject_cast<QPlainTextEdit*>(sw->widget()) : nullptr;
}

void FloorSubject::open(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return;
    editor()->setPlainText(QString::fromLatin1(file.readAll()));
}

bool FloorSubject::findNext(const QString& text, bool matchCase) {
    return editor()->find(
        text, matchCase ? QTextDocument::FindCaseSensitively : QTextDocument::FindFlags());
}

void FloorSubject::save(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(editor()->toPlainText().toLatin1());
}

void FloorSubject::newWindow() { addEditor(); }

void FloorSubject::openFontMenu() {
    // A fresh menu each time, filled when it first opens.
    delete m_fontMenu;
    m_fontMenu = new QMenu(m_frame.get());
    QObject::connect(m_fontMenu, &QMenu::aboutToShow, m_fontMenu, [menu = m_fontMenu] {
        if (!menu->isEmpty()) return;
        for (const QString& family : QFontDatabase::families()) menu->addAction(family);
    });
    m_fontMenu->popup(m_frame->mapToGlobal(QPoint(0, 0)));
}

void FloorSubject::closeFontMenu() {
    if (m_fontMenu) m_fontMenu->hide();
}

void FloorSubject::tile() { m_mdi->tileSubWindows(); }

void FloorSubject::cascade() { m_mdi->cascadeSubWindows(); }

void FloorSubject::closeActiveWindow() {
    if (QMdiSubWindow* sw = m_mdi->currentSubWindow()) sw->close();
}

int FloorSubject::windowCount() { return int(m_mdi->subWindowList().size()); }
