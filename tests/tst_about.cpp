#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "FrameFixture.h"
#include "gui/about/frmAbout.h"
#include "gui/document/frmNotePad.h"
#include "gui/textbox/TextBox.h"

// The About box: its text, its layout, its pictures, and opening and closing it from a document
// window's menu.
class tst_About : public QObject {
    Q_OBJECT
private:
    // What the box looked like while it was open, and how it was closed.
    struct Seen {
        bool shown = false;
        bool modal = false;
        QString title;
        QString text;
        QRect frame;
        bool closed = false;
    };

    // Chooses "C&hi songh'io" in w's menu; while the box is up, records it and then closes it
    // with close (which gets the box). Returns once the menu command has ended.
    static Seen openAndClose(frmNotePad* w, const std::function<void(frmAbout*)>& close) {
        Seen seen;
        QTimer::singleShot(0, [&seen, close] {
            auto* box = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            if (!box) return;
            seen.shown = box->isVisible();
            seen.modal = box->isModal();
            seen.title = box->windowTitle();
            seen.text = box->lblAbout->text();
            seen.frame = box->frameGeometry();
            close(box);
        });
        // A box the test failed to close would hang the run: close whatever is still up.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] {
            if (QWidget* m = QApplication::activeModalWidget()) m->close();
        });
        guard.start(5000);
        w->mnuAbout->trigger();
        seen.closed = guard.isActive();
        guard.stop();
        return seen;
    }

    static QList<frmAbout*> openBoxes() {
        QList<frmAbout*> boxes;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<frmAbout*>(w)) boxes.append(box);
        return boxes;
    }

    static QImage imageOf(const QLabel* label) { return label->pixmap().toImage(); }

private slots:
    void theTextIsBuiltFromItsSevenPieces() {
        const QString text = frmAbout::AboutText();
        const QStringList pieces = text.split(QStringLiteral("\n\n"));
        QCOMPARE(pieces.size(), 7);
        QCOMPARE(pieces.at(0), QStringLiteral("              TAVULELLA!     rel. 3.95-1.99"));
        const QString note = QStringLiteral(
            "Agge fatte stu 'tavulella' pe' vede' si 'o sapeva fa'(me sto' 'mparanne). Era "
            "paricchiu tiempo ca sbariave. Po me' venuto 'o ggenio e l'aggiu fatto. Si ve piace, "
            "facitammelle a sape'. Si nun ve piace faciteve 'e fatte vuoste!!!! ");
        QVERIFY2(pieces.at(1).startsWith(note), qPrintable(pieces.at(1)));
        // The last sentence of the note names a page of the site on the first web-site line.
        const QString lastSentence = pieces.at(1).mid(note.size());
        QVERIFY(!lastSentence.isEmpty());
        QVERIFY(!lastSentence.contains(QLatin1Char('\n')));
        QVERIFY(lastSentence.contains(QStringLiteral("www.example.org")));
        QVERIFY(pieces.at(3).contains(QStringLiteral("www.example.org")));
        QVERIFY(pieces.at(3).contains(QStringLiteral("-->")));
        QVERIFY(pieces.at(2).contains(QStringLiteral("@example.org")));
        QVERIFY(pieces.at(4).contains(QStringLiteral("example.org")));
        QCOMPARE(pieces.at(5), QStringLiteral("Veniteme a truva'."));
        QCOMPARE(pieces.at(6), QString());
        QVERIFY(text.endsWith(QStringLiteral("Veniteme a truva'.\n\n")));
        QVERIFY(!text.contains(QLatin1Char('\r')));
        // Six blocks: no block holds a line break of its own.
        for (int i = 0; i < 6; ++i) {
            QVERIFY2(!pieces.at(i).isEmpty(), qPrintable(QString::number(i)));
            QVERIFY2(!pieces.at(i).contains(QLatin1Char('\n')), qPrintable(pieces.at(i)));
        }
    }

    void theWindowHasItsFixedSizeColourAndFont() {
        frmAbout box;
        QCOMPARE(box.windowTitle(), QStringLiteral("Chi songh'io!"));
        QCOMPARE(box.size(), QSize(378, 320));
        QCOMPARE(box.minimumSize(), QSize(378, 320));
        QCOMPARE(box.maximumSize(), QSize(378, 320));
        QVERIFY(box.isModal());
        const QColor grey(192, 192, 192);
        QCOMPARE(box.palette().color(QPalette::Window), grey);
        QCOMPARE(box.fraAbout->palette().color(QPalette::Window), grey);
        QVERIFY(box.autoFillBackground());
        QCOMPARE(box.font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(box.font().pointSizeF(), 8.25);
        QVERIFY(box.font().bold());
        // The label and the button take the window's font over.
        QCOMPARE(box.lblAbout->font(), box.font());
        QCOMPARE(box.cmdAbout->font(), box.font());
        QVERIFY(box.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!(box.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(box.windowFlags() & Qt::WindowContextHelpButtonHint));
    }

    void theTextFitsInTheLabel() {
        // Every line of the text, wrapped at the label's width, shows within the label's height.
        frmAbout box;
        box.lblAbout->setText(frmAbout::AboutText());
        const QString shown = frmAbout::AboutText().chopped(2);
        const QRect needed = box.lblAbout->fontMetrics().boundingRect(
            QRect(0, 0, box.lblAbout->width(), 10000), Qt::TextWordWrap | Qt::AlignLeft, shown);
        QVERIFY2(needed.height() <= box.lblAbout->height(),
                 qPrintable(QStringLiteral("%1 pixels needed, %2 there")
                                .arg(needed.height())
                                .arg(box.lblAbout->height())));
        QVERIFY(needed.width() <= box.lblAbout->width());
    }

    void theControlsSitWhereTheyBelong_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        // Twips converted at 15 to the pixel, rounded.
        QTest::newRow("cmdAbout") << "cmdAbout"
                                  << "window" << QRect(104, 288, 169, 33);
        QTest::newRow("fraAbout") << "fraAbout"
                                  << "window" << QRect(0, 0, 377, 281);
        QTest::newRow("Image2") << "Image2"
                                << "fraAbout" << QRect(8, 16, 32, 32);
        QTest::newRow("Image1") << "Image1"
                                << "fraAbout" << QRect(176, 248, 32, 32);
        QTest::newRow("lblAbout") << "lblAbout"
                                  << "fraAbout" << QRect(8, 32, 361, 209);
    }

    void theControlsSitWhereTheyBelong() {
        QFETCH(QString, control);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        frmAbout box;
        const QHash<QString, QWidget*> controls = {
            {"cmdAbout", box.cmdAbout}, {"fraAbout", box.fraAbout}, {"Image2", box.Image2},
            {"Image1", box.Image1},     {"lblAbout", box.lblAbout}, {"window", &box}};
        QWidget* w = controls.value(control);
        QVERIFY(w);
        QCOMPARE(w->parentWidget(), controls.value(parent));
        QCOMPARE(w->geometry(), geometry);
    }

    void theButtonAndTheLabel() {
        frmAbout box;
        QCOMPARE(box.cmdAbout->text(), QStringLiteral("Vabbuo' agge capito"));
        QVERIFY(box.cmdAbout->isDefault());
        QCOMPARE(box.fraAbout->title(), QString());
        QVERIFY(box.lblAbout->wordWrap());
        QCOMPARE(box.lblAbout->textFormat(), Qt::PlainText);
        QCOMPARE(box.lblAbout->text(), QString());
    }

    void thePicturesAreOurOwnAndDiffer() {
        frmAbout box;
        const QImage top = imageOf(box.Image2);
        const QImage bottom = imageOf(box.Image1);
        QCOMPARE(top.size(), QSize(32, 32));
        QCOMPARE(bottom.size(), QSize(32, 32));
        QVERIFY(top.convertToFormat(QImage::Format_ARGB32) !=
                bottom.convertToFormat(QImage::Format_ARGB32));
        // Each picture comes in two sizes, of 16 colours at most besides the transparent
        // background.
        for (const QString& name : {QStringLiteral("coffee"), QStringLiteral("vesuvius")}) {
            const QImage big(QStringLiteral(":/about/%1-32.png").arg(name));
            const QImage small(QStringLiteral(":/about/%1-16.png").arg(name));
            QCOMPARE(big.size(), QSize(32, 32));
            QCOMPARE(small.size(), QSize(16, 16));
            for (const QImage& image : {big, small}) {
                QSet<QRgb> colours;
                const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < argb.height(); ++y)
                    for (int x = 0; x < argb.width(); ++x)
                        if (qAlpha(argb.pixel(x, y)) != 0) colours.insert(argb.pixel(x, y));
                QVERIFY2(colours.size() <= 16, qPrintable(name));
                QVERIFY2(colours.size() >= 4, qPrintable(name));
            }
        }
        // Neither is the picture of the program's windows.
        FrameFixture f;
        const QImage windowIcon = f.documents().first()->windowIcon().pixmap(32, 32).toImage();
        if (!windowIcon.isNull()) {
            QVERIFY(windowIcon.convertToFormat(QImage::Format_ARGB32) !=
                    top.convertToFormat(QImage::Format_ARGB32));
            QVERIFY(windowIcon.convertToFormat(QImage::Format_ARGB32) !=
                    bottom.convertToFormat(QImage::Format_ARGB32));
        }
    }

    void theMenuOpensTheBoxModallyWithTheText_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Enter") << "Enter";
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("button") << "button";
        QTest::newRow("close box") << "close box";
    }

    void theMenuOpensTheBoxModallyWithTheText() {
        QFETCH(QString, how);
        FrameFixture f;
        frmNotePad* w = f.active();
        QVERIFY(QTest::qWaitForWindowActive(&f.frame()));
        QCOMPARE(QApplication::focusWidget(), w->Text1);
        const Seen seen = openAndClose(w, [how](frmAbout* box) {
            if (how == QLatin1String("Enter"))
                QTest::keyClick(box, Qt::Key_Return);
            else if (how == QLatin1String("Esc"))
                QTest::keyClick(box, Qt::Key_Escape);
            else if (how == QLatin1String("button"))
                box->cmdAbout->click();
            else
                box->close();
        });
        QVERIFY(seen.shown);
        QVERIFY(seen.modal);
        QVERIFY2(seen.closed, "the box did not close");
        QCOMPARE(seen.title, QStringLiteral("Chi songh'io!"));
        QCOMPARE(seen.text, frmAbout::AboutText());
        // Closing it unloads it: nothing of it is left. The keyboard is back where it was.
        FrameFixture::settle();
        QVERIFY(openBoxes().isEmpty());
        QCOMPARE(QApplication::activeWindow(), &f.frame());
        QCOMPARE(QApplication::focusWidget(), w->Text1);
        QVERIFY(f.dialogs().calls().isEmpty());
    }

    void theBoxIsCentredOnTheScreenEachTime() {
        FrameFixture f;
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QRect first;
        for (int i = 0; i < 2; ++i) {
            // Move the frame around: the box is centred on the screen, not on the window.
            f.frame().move(10 + 50 * i, 20 + 30 * i);
            const Seen seen = openAndClose(f.active(), [](frmAbout* box) { box->accept(); });
            QVERIFY(seen.shown);
            const QSize outer = seen.frame.size();
            QCOMPARE(seen.frame.top(),
                     screen.top() + qRound(screen.height() / 2.0 - outer.height() / 2.0));
            QCOMPARE(seen.frame.left(),
                     screen.left() + qRound(screen.width() / 2.0 - outer.width() / 2.0));
            if (i == 0)
                first = seen.frame;
            else
                QCOMPARE(seen.frame, first);
        }
    }

    void theFramesOwnMenuHasNoWayToIt() {
        FrameFixture f;
        f.active()->close();
        FrameFixture::settle();
        QVERIFY(f.documents().isEmpty());
        QStringList captions;
        for (QAction* a : f.frame().menuBar()->actions()) captions << a->text();
        QVERIFY(!captions.isEmpty());
        QVERIFY2(!captions.contains(QStringLiteral("C&hi songh'io")),
                 qPrintable(captions.join('|')));
    }
};

QTEST_MAIN(tst_About)
#include "tst_about.moc"
