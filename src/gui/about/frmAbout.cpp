#include "gui/about/frmAbout.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "core/platform/Twips.h"
#include "gui/platform/FormFont.h"
#include "gui/platform/ScreenPicture.h"

namespace {

QIcon picture(const QString& name) {
    QIcon icon;
    icon.addFile(QStringLiteral(":/about/%1-32.png").arg(name), QSize(32, 32));
    icon.addFile(QStringLiteral(":/about/%1-16.png").arg(name), QSize(16, 16));
    // The 32 x 32 image enlarged without smoothing, for denser screens.
    icon.addFile(QStringLiteral(":/about/%1-32@2x.png").arg(name), QSize(64, 64));
    icon.addFile(QStringLiteral(":/about/%1-32@3x.png").arg(name), QSize(96, 96));
    return icon;
}

// The 32 x 32 image of a picture, drawn for the screen's density.
QPixmap image32(const QString& name, qreal density) {
    return ScreenPicture::load(QStringLiteral(":/about/%1-32.png").arg(name), density);
}

}  // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Chi songh'io!"));
    // A fixed dialog frame whose only title-bar button is the close box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(Twips::toPixels(5670), Twips::toPixels(4800));

    setFont(FormFont::font());

    const QColor grey(192, 192, 192);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, grey);
    pal.setColor(QPalette::Button, grey);
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::ButtonText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    cmdAbout = new QPushButton(QStringLiteral("Vabbuo' agge capito"), this);
    cmdAbout->setGeometry(Twips::rect(1560, 4320, 2532, 492));
    // Enter presses it as the default button; Esc (the dialog's reject) does the same.
    cmdAbout->setDefault(true);
    cmdAbout->setAutoDefault(true);
    connect(cmdAbout, &QPushButton::clicked, this, &frmAbout::cmdAbout_Click);

    fraAbout = new QGroupBox(this);
    fraAbout->setGeometry(Twips::rect(0, 0, 5652, 4212));
    fraAbout->setAutoFillBackground(true);

    Image2 = new QLabel(fraAbout);
    Image2->setGeometry(Twips::rect(120, 240, 480, 480));
    Image2->setPixmap(image32(QStringLiteral("coffee"), devicePixelRatioF()));
    Image2->setAccessibleName(QStringLiteral("'Na tazzulella 'e cafè"));

    Image1 = new QLabel(fraAbout);
    Image1->setGeometry(Twips::rect(2640, 3720, 480, 480));
    Image1->setPixmap(image32(QStringLiteral("vesuvius"), devicePixelRatioF()));
    Image1->setAccessibleName(QStringLiteral("'O Vesuvio"));

    // Made after Image2 so that it lies above it; it paints no background of its own, so the
    // part of the picture under its first line stays visible.
    lblAbout = new QLabel(fraAbout);
    lblAbout->setGeometry(Twips::rect(120, 480, 5412, 3132));
    lblAbout->setTextFormat(Qt::PlainText);
    lblAbout->setWordWrap(true);
    lblAbout->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    setWindowIcon(picture(QStringLiteral("coffee")));
    cmdAbout->setFocus();

    Form_Load();
}

QString frmAbout::AboutText() {
    const QString pieces[] = {
        QStringLiteral("              TAVULELLA!     rel. 3.95-1.99"),
        QStringLiteral("Agge fatte stu 'tavulella' pe' vede' si 'o sapeva fa'(me sto' "
                       "'mparanne). Era paricchiu tiempo ca sbariave. Po me' venuto 'o ggenio e "
                       "l'aggiu fatto. Si ve piace, facitammelle a sape'. Si nun ve piace "
                       "faciteve 'e fatte vuoste!!!! Scarricate l'urdema 'a "
                       "www.example.org/scarreche."),
        QStringLiteral("'A Squadra d''a Tavulella  <tavulella@example.org>"),
        QStringLiteral("http://www.example.org  -->  'A Tavulella 'ncoppo 'a rete"),
        QStringLiteral("http://tavulella.example.org"),
        QStringLiteral("Veniteme a truva'."),
        QString(),
    };
    QString text;
    for (int i = 0; i < 6; ++i) text += pieces[i] + QStringLiteral("\n\n");
    return text + pieces[6];
}

void frmAbout::Form_Load() {
    // The outer frame is centred as computed, even when that puts part of it off the screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize outer = frameGeometry().size();
    const QRect area = screen->geometry();
    const float top = float(area.height()) / 2 - float(outer.height()) / 2;
    const float left = float(area.width()) / 2 - float(outer.width()) / 2;
    move(area.left() + qRound(left), area.top() + qRound(top));
    m_centredFor = outer;
}

void frmAbout::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Under a window manager the border and title bar are known only once the window is up.
    if (frameGeometry().size() != m_centredFor) Form_Load();
    // Without a window manager nobody else hands the new window the keyboard.
    activateWindow();
    raise();
}

void frmAbout::cmdAbout_Click() { accept(); }
