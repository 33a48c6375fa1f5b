#include "gui/search/frmFind.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcutEvent>

#include "core/platform/Twips.h"
#include "core/search/SearchSettings.h"
#include "gui/platform/FormFont.h"

frmFind::frmFind(SearchSettings& settings)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      m_settings(settings) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Truvamme"));
    setFont(FormFont::font());
    setFixedSize(Twips::toPixels(5760), Twips::toPixels(1665));

    createControls();
    Form_Load();
}

frmFind::~frmFind() = default;

void frmFind::createControls() {
    Label1 = new QLabel(QStringLiteral("&Cercamme:"), this);
    Label1->setGeometry(Twips::rect(120, 240, 975, 255));
    Text1 = new QLineEdit(this);
    Text1->setGeometry(Twips::rect(1200, 120, 3195, 495));
    Label1->setBuddy(Text1);

    chkCase = new QCheckBox(QStringLiteral("&Grosse/piccerelle"), this);
    chkCase->setGeometry(Twips::rect(120, 720, 2175, 495));

    Frame1 = new QGroupBox(QStringLiteral("Addo'?"), this);
    Frame1->setGeometry(Twips::rect(2400, 720, 2172, 612));
    // The caption sits on the frame's top line, so that the option buttons, placed from the top
    // of the frame, stand inside it rather than on its border.
    Frame1->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 7px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 2px; }"));
    optDirection[0] = new QRadioButton(QStringLiteral("&Su"), Frame1);
    optDirection[0]->setGeometry(Twips::rect(240, 240, 612, 252));
    optDirection[1] = new QRadioButton(QStringLiteral("&Abbasce"), Frame1);
    optDirection[1]->setGeometry(Twips::rect(960, 240, 1200, 252));
    // A style sheet of their own stops the frame's font from reaching them.
    for (QRadioButton* option : optDirection) option->setFont(font());

    cmdFind = new QPushButton(QStringLiteral("&Truove"), this);
    cmdFind->setGeometry(Twips::rect(4620, 120, 1092, 372));
    cmdFind->setDefault(true);
    cmdcancel = new QPushButton(QStringLiteral("&Lassa sta"), this);
    cmdcancel->setGeometry(Twips::rect(4620, 600, 1092, 372));

    setTabOrder(Text1, chkCase);
    setTabOrder(chkCase, optDirection[0]);
    setTabOrder(optDirection[0], optDirection[1]);
    setTabOrder(optDirection[1], cmdFind);
    setTabOrder(cmdFind, cmdcancel);

    // Their mnemonics act at once (eventFilter).
    for (QWidget* option : {static_cast<QWidget*>(chkCase), static_cast<QWidget*>(optDirection[0]),
                            static_cast<QWidget*>(optDirection[1])}) {
        option->installEventFilter(this);
    }

    connect(Text1, &QLineEdit::textChanged, this, &frmFind::Text1_Change);
    connect(chkCase, &QCheckBox::toggled, this, &frmFind::chkCase_Click);
    for (int i = 0; i < 2; ++i) {
        connect(optDirection[i], &QRadioButton::toggled, this, [this, i](bool selected) {
            if (selected) optDirection_Click(i);
        });
    }
    connect(cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(cmdcancel, &QPushButton::clicked, this, &frmFind::cmdcancel_Click);
}

void frmFind::Form_Load() {
    cmdFind->setEnabled(false);
    const int direction = m_settings.SearchDirection;
    if (direction == 0 || direction == 1) optDirection[direction]->setChecked(true);
}

void frmFind::Text1_Change(const QString& text) {
    // An empty search text can never be searched for, neither by a click nor by Enter.
    cmdFind->setEnabled(!text.isEmpty());
}

void frmFind::chkCase_Click(bool ticked) { m_settings.SearchMatchCase = ticked ? 1 : 0; }

void frmFind::optDirection_Click(int index) { m_settings.SearchDirection = qint16(index); }

void frmFind::cmdFind_Click() {
    m_settings.SearchText = Text1->text();
    emit searchRequested();
}

void frmFind::cmdcancel_Click() {
    m_settings.SearchText = Text1->text();
    m_settings.SearchMatchCase = chkCase->isChecked() ? 1 : 0;
    close();
}

void frmFind::keyPressEvent(QKeyEvent* e) {
    // Esc is the cancel button: it stores what the dialog shows, as "Lassa sta" does. The close
    // box, which also ends up in reject(), stores nothing.
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        cmdcancel->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

bool frmFind::eventFilter(QObject* watched, QEvent* e) {
    // A button pressed by its mnemonic normally shows the press for a moment and acts only when
    // that ends, so an Enter typed right after Alt+S would still search downwards. The options
    // and the check box act at once; a mnemonic that several controls share only moves the focus,
    // as usual.
    if (e->type() == QEvent::Shortcut) {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && button->isEnabled() && !static_cast<QShortcutEvent*>(e)->isAmbiguous()) {
            button->setFocus(Qt::ShortcutFocusReason);
            button->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}
