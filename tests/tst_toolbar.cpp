#include <QMdiArea>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include "FrameFixture.h"
#include "gui/document/frmNotePad.h"
#include "gui/files/FileCommands.h"
#include "gui/frame/ImageControl.h"
#include "gui/frame/Toolbar.h"
#include "gui/platform/ScreenPicture.h"
#include "gui/textbox/TextBox.h"

// The toolbar: its pictures and layout, the pressed look under the pointer (driven with real
// pointer events through the window, so that pointer capture is the platform's own), the clicks,
// the edit buttons' visibility over the life of the document windows, and the Options menus'
// toolbar item.
class tst_Toolbar : public QObject {
    Q_OBJECT
private:
    using Answer = DialogService::Answer;

    // A shown window holding a toolbar along its top, with room around it for the pointer.
    struct Strip {
        Strip() {
            window.resize(300, 120);
            toolbar = new Toolbar(&window);
            toolbar->setGeometry(0, 0, 300, Toolbar::StripHeight);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
        }
        ImageControl* byName(const QString& name) const {
            if (name == "New") return toolbar->imgFileNewButton;
            if (name == "Open") return toolbar->imgFileOpenButton;
            if (name == "Cut") return toolbar->imgCutButton;
            if (name == "Copy") return toolbar->imgCopyButton;
            return toolbar->imgPasteButton;
        }
        const ImageControl* pressedStore(const QString& name) const {
            if (name == "New") return toolbar->imgFileNewButtonDn;
            if (name == "Open") return toolbar->imgFileOpenButtonDn;
            if (name == "Cut") return toolbar->imgCutButtonDn;
            if (name == "Copy") return toolbar->imgCopyButtonDn;
            return toolbar->imgPasteButtonDn;
        }
        const ImageControl* raisedStore(const QString& name) const {
            if (name == "New") return toolbar->imgFileNewButtonUp;
            if (name == "Open") return toolbar->imgFileOpenButtonUp;
            if (name == "Cut") return toolbar->imgCutButtonUp;
            if (name == "Copy") return toolbar->imgCopyButtonUp;
            return toolbar->imgPasteButtonUp;
        }
        // Pointer events go to the window, which routes them as the platform would.
        QPoint at(ImageControl* b, QPoint local) const { return b->mapTo(&window, local); }
        void press(ImageControl* b, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
            QTest::mousePress(window.windowHandle(), button, {}, at(b, local));
        }
        void move(ImageControl* b, QPoint local) {
            QTest::mouseMove(window.windowHandle(), at(b, local));
        }
        void release(ImageControl* b, QPoint local, Qt::MouseButton button = Qt::LeftButton) {
            QTest::mouseRelease(window.windowHandle(), button, {}, at(b, local));
        }
        bool pressedLook(const QString& name) const {
            return byName(name)->Picture().cacheKey() == pressedStore(name)->Picture().cacheKey();
        }
        bool raisedLook(const QString& name) const {
            return byName(name)->Picture().cacheKey() == raisedStore(name)->Picture().cacheKey();
        }

        QWidget window;
        Toolbar* toolbar = nullptr;
    };

    // The picture file compiled into the program, as read from the file.
    static QImage pictureFile(const QString& name, bool pressed) {
        const QString control = name == "New" ? "FileNew" : name == "Open" ? "FileOpen" : name;
        return QImage(QStringLiteral(":/img%1Button%2.bmp").arg(control, pressed ? "Dn" : "Up"));
    }

    // The signal a button's click gives.
    static const char* clickSignal(const QString& name) {
        if (name == "New") return SIGNAL(newClicked());
        if (name == "Open") return SIGNAL(openClicked());
        if (name == "Cut") return SIGNAL(cutClicked());
        if (name == "Copy") return SIGNAL(copyClicked());
        return SIGNAL(pasteClicked());
    }

    static QRect documentArea(frmMDI& frame) {
        return QRect(frame.mdiArea()->mapTo(&frame, QPoint(0, 0)), frame.mdiArea()->size());
    }

private slots:
    void init() { QApplication::setQuitOnLastWindowClosed(false); }

    // ---- Pictures and layout ----

    void picturesAndPlaces_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("left");
        QTest::addColumn<QSize>("pressedSize");
        QTest::addColumn<bool>("pressedDiffers");
        QTest::addColumn<int>("pressedColours");
        QTest::newRow("New") << "New" << 0 << QSize(25, 22) << true << 16;
        QTest::newRow("Open") << "Open" << 24 << QSize(16, 15) << false << 256;
        QTest::newRow("Cut") << "Cut" << 56 << QSize(25, 22) << true << 16;
        QTest::newRow("Copy") << "Copy" << 80 << QSize(16, 15) << false << 256;
        QTest::newRow("Paste") << "Paste" << 104 << QSize(16, 15) << false << 256;
    }
    void picturesAndPlaces() {
        QFETCH(QString, name);
        QFETCH(int, left);
        QFETCH(QSize, pressedSize);
        QFETCH(bool, pressedDiffers);
        QFETCH(int, pressedColours);
        Strip s;
        ImageControl* b = s.byName(name);
        const int border = s.toolbar->frameWidth();
        QCOMPARE(b->pos(), QPoint(border + left, border));
        QVERIFY(b->isVisible());
        QVERIFY(s.raisedLook(name));
        QCOMPARE(b->size(), QSize(16, 15));
        QCOMPARE(b->Width(), 240.0f);
        QCOMPARE(b->Height(), 225.0f);

        const QImage up = pictureFile(name, false);
        const QImage dn = pictureFile(name, true);
        QVERIFY(!up.isNull());
        QCOMPARE(s.raisedStore(name)->size(), up.size());
        QCOMPARE(s.pressedStore(name)->size(), dn.size());
        QCOMPARE(up.size(), QSize(16, 15));
        QCOMPARE(up.colorCount(), 256);
        QCOMPARE(dn.size(), pressedSize);
        QCOMPARE(dn.colorCount(), pressedColours);
        const bool differs =
            dn.convertToFormat(QImage::Format_RGB32) != up.convertToFormat(QImage::Format_RGB32);
        QCOMPARE(differs, pressedDiffers);
        // The stores only hold pictures.
        QVERIFY(s.raisedStore(name)->isHidden());
        QVERIFY(s.pressedStore(name)->isHidden());
    }

    // On denser screens each picture is its drawing for the next whole density up to 3: the
    // picture of usual density with every pixel repeated across and down, never smoothed, and
    // still of its usual size in device-independent pixels.
    void picturesForDenserScreens_data() {
        QTest::addColumn<qreal>("density");
        QTest::addColumn<int>("drawn");
        QTest::newRow("1") << 1.0 << 1;
        QTest::newRow("1.25") << 1.25 << 2;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2") << 2.0 << 2;
        QTest::newRow("2.5") << 2.5 << 3;
        QTest::newRow("3") << 3.0 << 3;
        QTest::newRow("4") << 4.0 << 3;
    }
    void picturesForDenserScreens() {
        QFETCH(qreal, density);
        QFETCH(int, drawn);
        for (const QString name : {"New", "Open", "Cut", "Copy", "Paste"}) {
            for (bool pressed : {false, true}) {
                const QImage plain = pictureFile(name, pressed);
                const QString control = name == "New"    ? "FileNew"
                                        : name == "Open" ? "FileOpen"
                                                         : name;
                const QString file =
                    QStringLiteral(":/img%1Button%2.bmp").arg(control, pressed ? "Dn" : "Up");
                const QPixmap shown = ScreenPicture::load(file, density);
                const QString what = file + QStringLiteral(" at %1").arg(density);
                QVERIFY2(!shown.isNull(), qPrintable(what));
                QCOMPARE(shown.devicePixelRatio(), qreal(drawn));
                QCOMPARE(shown.deviceIndependentSize().toSize(), plain.size());
                const QImage expected = plain.convertToFormat(QImage::Format_RGB32)
                                            .scaled(plain.size() * drawn, Qt::IgnoreAspectRatio,
                                                    Qt::FastTransformation);
                QVERIFY2(shown.toImage().convertToFormat(QImage::Format_RGB32) == expected,
                         qPrintable(what));
            }
        }
    }

    void theStripIsOneLineBoxedAnd405TwipsHigh() {
        Strip s;
        QCOMPARE(s.toolbar->height() * 15, 405);
        QCOMPARE(s.toolbar->frameShape(), QFrame::Box);
        QCOMPARE(s.toolbar->frameShadow(), QFrame::Plain);
        QCOMPARE(s.toolbar->frameWidth(), 1);
    }

    // ---- The pressed look under the pointer ----

    void pointerRules_data() {
        // The left button goes down at (5, 5), the pointer moves to moveTo and the button comes
        // up there (pixels relative to the button). pressed: the look after the move; click:
        // whether the release counts as a click, which takes the pointer over one of the
        // button's pixels (0 to Width - 1), whatever the look said.
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("moveTo");
        QTest::addColumn<bool>("pressed");
        QTest::addColumn<bool>("click");
        QTest::newRow("inside") << "Open" << QPoint(8, 7) << true << true;
        QTest::newRow("X = 0 is outside") << "Open" << QPoint(0, 7) << false << true;
        QTest::newRow("Y = 0 is inside") << "Open" << QPoint(8, 0) << true << true;
        QTest::newRow("X = Width is inside") << "Open" << QPoint(16, 7) << true << false;
        QTest::newRow("past Width") << "Open" << QPoint(17, 7) << false << false;
        QTest::newRow("Y = Height is inside") << "Open" << QPoint(8, 15) << true << false;
        QTest::newRow("past Height") << "Open" << QPoint(8, 16) << false << false;
        QTest::newRow("left of the button") << "Open" << QPoint(-5, 7) << false << false;
        QTest::newRow("above the button") << "Open" << QPoint(8, -1) << false << false;
        QTest::newRow("far away") << "Paste" << QPoint(150, 80) << false << false;
        // New and Cut are 25 x 22 while pressed, and the test uses that size.
        QTest::newRow("Cut, inside the pressed size") << "Cut" << QPoint(24, 20) << true << true;
        QTest::newRow("Cut, X = pressed Width") << "Cut" << QPoint(25, 20) << true << false;
        QTest::newRow("Cut, past the pressed size") << "Cut" << QPoint(26, 20) << false << false;
        QTest::newRow("New, Y = pressed Height") << "New" << QPoint(3, 22) << true << false;
        QTest::newRow("New, X = 0") << "New" << QPoint(0, 3) << false << true;
    }
    void pointerRules() {
        QFETCH(QString, name);
        QFETCH(QPoint, moveTo);
        QFETCH(bool, pressed);
        QFETCH(bool, click);
        Strip s;
        ImageControl* b = s.byName(name);
        QSignalSpy clicks(s.toolbar, clickSignal(name));
        s.press(b, QPoint(5, 5));
        QVERIFY(s.pressedLook(name));
        s.move(b, moveTo);
        QCOMPARE(s.pressedLook(name), pressed);
        QCOMPARE(s.raisedLook(name), !pressed);
        QCOMPARE(b->size(), pressed ? s.pressedStore(name)->size() : s.raisedStore(name)->size());
        s.release(b, moveTo);
        QVERIFY(s.raisedLook(name));
        QCOMPARE(b->size(), QSize(16, 15));
        QCOMPARE(clicks.count(), click ? 1 : 0);
    }

    void dragOutAndBackThenRelease() {
        Strip s;
        ImageControl* cut = s.toolbar->imgCutButton;
        QSignalSpy clicks(s.toolbar, &Toolbar::cutClicked);
        QSignalSpy downs(cut, &ImageControl::MouseDown);
        QSignalSpy moves(cut, &ImageControl::MouseMove);
        s.press(cut, QPoint(5, 5));
        QVERIFY(s.pressedLook("Cut"));
        QCOMPARE(cut->size(), QSize(25, 22));
        s.move(cut, QPoint(40, 5));  // out to the right
        QVERIFY(s.raisedLook("Cut"));
        QCOMPARE(cut->size(), QSize(16, 15));
        s.move(cut, QPoint(10, 6));  // back in
        QVERIFY(s.pressedLook("Cut"));
        s.release(cut, QPoint(10, 6));
        QVERIFY(s.raisedLook("Cut"));
        QCOMPARE(clicks.count(), 1);

        // The handlers were given the button state and the position in twips.
        QCOMPARE(downs.count(), 1);
        QCOMPARE(downs[0][0].toInt(), 1);
        QCOMPARE(downs[0][2].toFloat(), 75.0f);
        QCOMPARE(downs[0][3].toFloat(), 75.0f);
        QCOMPARE(moves.count(), 2);
        QCOMPARE(moves[0][0].toInt(), 1);
        QCOMPARE(moves[0][2].toFloat(), 600.0f);
        QCOMPARE(moves[1][3].toFloat(), 90.0f);
    }

    void theSizeAtTheMomentDecides() {
        // Over the pressed Cut but off its raised size: once raised, the same spot is outside.
        Strip s;
        ImageControl* cut = s.toolbar->imgCutButton;
        s.press(cut, QPoint(5, 5));
        s.move(cut, QPoint(20, 5));
        QVERIFY(s.pressedLook("Cut"));
        s.move(cut, QPoint(30, 5));
        QVERIFY(s.raisedLook("Cut"));
        s.move(cut, QPoint(20, 5));
        QVERIFY(s.raisedLook("Cut"));
        s.move(cut, QPoint(10, 5));
        QVERIFY(s.pressedLook("Cut"));
        s.release(cut, QPoint(10, 5));
    }

    void releasedOutsideRunsNothing() {
        Strip s;
        ImageControl* copy = s.toolbar->imgCopyButton;
        QSignalSpy clicks(s.toolbar, &Toolbar::copyClicked);
        QSignalSpy ups(copy, &ImageControl::MouseUp);
        s.press(copy, QPoint(5, 5));
        s.move(copy, QPoint(60, 40));
        s.release(copy, QPoint(60, 40));
        // The release reached the button although the pointer was elsewhere.
        QCOMPARE(ups.count(), 1);
        QCOMPARE(ups[0][2].toFloat(), 900.0f);
        QVERIFY(s.raisedLook("Copy"));
        QCOMPARE(clicks.count(), 0);
    }

    void theRightButtonOnlyPresses() {
        Strip s;
        ImageControl* paste = s.toolbar->imgPasteButton;
        QSignalSpy clicks(s.toolbar, &Toolbar::pasteClicked);
        QSignalSpy downs(paste, &ImageControl::MouseDown);
        s.press(paste, QPoint(5, 5), Qt::RightButton);
        QVERIFY(s.pressedLook("Paste"));
        QCOMPARE(downs[0][0].toInt(), 2);
        s.move(paste, QPoint(50, 50));  // moving with the right button held changes nothing
        QVERIFY(s.pressedLook("Paste"));
        s.release(paste, QPoint(5, 5), Qt::RightButton);
        QVERIFY(s.raisedLook("Paste"));
        QCOMPARE(clicks.count(), 0);
    }

    void twoButtonsHeldChangeNothing() {
        Strip s;
        ImageControl* open = s.toolbar->imgFileOpenButton;
        QSignalSpy moves(open, &ImageControl::MouseMove);
        s.press(open, QPoint(5, 5));
        s.press(open, QPoint(5, 5), Qt::RightButton);
        s.move(open, QPoint(60, 60));
        QCOMPARE(moves.last()[0].toInt(), 3);
        QVERIFY(s.pressedLook("Open"));
        s.release(open, QPoint(60, 60), Qt::RightButton);
        QVERIFY(s.raisedLook("Open"));  // any button coming up restores the raised look
        s.release(open, QPoint(60, 60));
    }

    void moveHandlersFollowOnlyTheLeftButtonAlone_data() {
        QTest::addColumn<int>("buttonState");
        QTest::addColumn<bool>("follows");
        QTest::newRow("no button") << 0 << false;
        QTest::newRow("left") << 1 << true;
        QTest::newRow("right") << 2 << false;
        QTest::newRow("left and right") << 3 << false;
        QTest::newRow("middle") << 4 << false;
        QTest::newRow("left and middle") << 5 << false;
    }
    void moveHandlersFollowOnlyTheLeftButtonAlone() {
        QFETCH(int, buttonState);
        QFETCH(bool, follows);
        Strip s;
        s.toolbar->imgCopyButton_MouseDown(buttonState, 0, 10, 10);
        s.toolbar->imgCopyButton_MouseMove(buttonState, 0, 1000, 10);
        QCOMPARE(s.raisedLook("Copy"), follows);
        s.toolbar->imgCopyButton_MouseUp(buttonState, 0, 1000, 10);
        QVERIFY(s.raisedLook("Copy"));
    }

    void everyButtonClicksItsOwnCommand_data() {
        QTest::addColumn<QString>("name");
        for (const char* n : {"New", "Open", "Cut", "Copy", "Paste"}) QTest::newRow(n) << n;
    }
    void everyButtonClicksItsOwnCommand() {
        QFETCH(QString, name);
        Strip s;
        QList<QSignalSpy*> spies;
        for (const char* n : {"New", "Open", "Cut", "Copy", "Paste"})
            spies << new QSignalSpy(s.toolbar, clickSignal(n));
        ImageControl* b = s.byName(name);
        s.press(b, QPoint(3, 3));
        s.release(b, QPoint(3, 3));
        const QStringList names{"New", "Open", "Cut", "Copy", "Paste"};
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(spies[i]->count(), names[i] == name ? 1 : 0);
        qDeleteAll(spies);
    }

    // ---- The toolbar in the frame ----

    void editButtonsOverTheLifeOfTheWindows_data() {
        // Steps, one letter each: C close every document window, N File New, O open a file
        // through the dialog, X the dialog cancelled, B a file too large for the dialog,
        // M a missing file chosen in the dialog, R a recent file, H hide the toolbar, S show it.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("editVisible");  // Cut, Copy and Paste not hidden
        QTest::addColumn<bool>("hiddenFlag");   // EditButtonsHidden
        QTest::newRow("start-up") << "" << true << false;
        QTest::newRow("last window closed") << "C" << false << true;
        QTest::newRow("then File New") << "CN" << true << true;
        QTest::newRow("then File Open") << "CO" << true << false;
        QTest::newRow("then the open dialog cancelled") << "CX" << false << true;
        QTest::newRow("then a file too large") << "CB" << false << true;
        QTest::newRow("then a missing file") << "CM" << true << false;
        QTest::newRow("then a recent file") << "CR" << true << false;
        QTest::newRow("closed again after New") << "CNC" << false << true;
        QTest::newRow("File New with documents open") << "N" << true << false;
        QTest::newRow("toolbar hidden, last closed, New") << "HCN" << true << true;
        QTest::newRow("and the toolbar shown again") << "HCNS" << true << true;
    }
    void editButtonsOverTheLifeOfTheWindows() {
        QFETCH(QString, steps);
        QFETCH(bool, editVisible);
        QFETCH(bool, hiddenFlag);
        FrameFixture f;
        frmMDI& frame = f.frame();
        Toolbar* bar = frame.picToolbar();
        const QString small = f.writeFile("small.txt", "s");
        const QString big = f.writeFile("big.txt", QByteArray(FileCommands::MaxOpenBytes + 1, 'b'));
        for (const QChar step : steps) {
            switch (step.toLatin1()) {
                case 'C':
                    for (frmNotePad* w : f.documents()) w->close();
                    break;
                case 'N':
                    frame.mnuFNew_Click();
                    break;
                case 'O':
                    f.dialogs().answerOpen(small);
                    frame.mnuFOpen_Click();
                    break;
                case 'X':
                    f.dialogs().cancelOpen();
                    frame.mnuFOpen_Click();
                    break;
                case 'B':
                    f.dialogs().answerOpen(big);
                    f.dialogs().answerMessageBox(Answer::Ok);
                    frame.mnuFOpen_Click();
                    break;
                case 'M':
                    f.dialogs().answerOpen(f.path("missing.txt"));
                    f.dialogs().answerMessageBox(Answer::Ok);
                    frame.mnuFOpen_Click();
                    break;
                case 'R':
                    frame.RememberRecentFile(small);
                    frame.mnuRecentFile[0]->trigger();
                    break;
                case 'H':
                case 'S':
                    frame.mnuOptions_Click();
                    if (frame.mnuOToolbar->isChecked() == (step == 'H'))
                        frame.mnuOToolbar->trigger();
                    break;
            }
            FrameFixture::settle();
        }
        QCOMPARE(!bar->imgCutButton->isHidden(), editVisible);
        QCOMPARE(!bar->imgCopyButton->isHidden(), editVisible);
        QCOMPARE(!bar->imgPasteButton->isHidden(), editVisible);
        QVERIFY(!bar->imgFileNewButton->isHidden());
        QVERIFY(!bar->imgFileOpenButton->isHidden());
        QCOMPARE(frame.state().EditButtonsHidden,
                 hiddenFlag ? DocumentState::True : DocumentState::False);
        // What the user sees: the buttons show only inside a shown toolbar.
        QCOMPARE(bar->imgCutButton->isVisible(), editVisible && !bar->isHidden());
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    void theFramesButtonsRunTheirCommands() {
        FrameFixture f;
        Toolbar* bar = f.frame().picToolbar();
        const int before = f.documents().size();
        bar->imgFileNewButton_Click();
        FrameFixture::settle();
        QCOMPARE(f.documents().size(), before + 1);
        QCOMPARE(f.active()->Caption(), QStringLiteral("Senza nomme:2"));

        f.dialogs().cancelOpen();
        bar->imgFileOpenButton_Click();
        QCOMPARE(f.dialogs().callsOf(ScriptedDialogs::Kind::Open).size(), 1);
        QVERIFY2(!f.dialogs().unexpectedDialog(), qPrintable(f.dialogs().problems()));
    }

    void cutCopyAndPasteFromTheToolbar() {
        FrameFixture f;
        frmMDI& frame = f.frame();
        Toolbar* bar = frame.picToolbar();
        QWindow* window = frame.windowHandle();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        auto click = [&](ImageControl* button) {
            const QPoint at = button->mapTo(&frame, QPoint(4, 4));
            QTest::mousePress(window, Qt::LeftButton, {}, at);
            QTest::mouseRelease(window, Qt::LeftButton, {}, at);
        };
        TextBox* text = f.active()->Text1;
        text->setText("uno due");
        text->setSelStart(4);
        text->setSelLength(3);
        click(bar->imgCutButton);
        QCOMPARE(text->Text(), QByteArray("uno "));
        text->setSelStart(0);
        text->setSelLength(3);
        click(bar->imgCopyButton);
        text->setSelStart(4);
        text->setSelLength(0);
        click(bar->imgPasteButton);
        QCOMPARE(text->Text(), QByteArray("uno uno"));
    }

    // ---- The toolbar item of the Options menus ----

    void openingAnOptionsMenuSetsItsTick() {
        FrameFixture f;
        frmNotePad* w = f.active();
        // Not ticked as defined; the tick follows the toolbar when the menu opens.
        QVERIFY(!w->mnuOToolbar->isChecked());
        QVERIFY(!f.frame().mnuOToolbar->isChecked());
        emit w->mnuOptions->aboutToShow();
        QVERIFY(w->mnuOToolbar->isChecked());
        f.frame().picToolbar()->hide();
        emit w->mnuOptions->aboutToShow();
        QVERIFY(!w->mnuOToolbar->isChecked());
        emit f.frame().mnuOptions->aboutToShow();
        QVERIFY(!f.frame().mnuOToolbar->isChecked());
    }

    void hidingFromADocumentWindow() {
        FrameFixture f;
        frmMDI& frame = f.frame();
        frame.NewDocumentWindow();
        frmNotePad* second = f.active();
        frmNotePad* first = f.documents().first();
        emit frame.mnuOptions->aboutToShow();
        emit first->mnuOptions->aboutToShow();
        QVERIFY(first->mnuOToolbar->isChecked());
        FrameFixture::settle();
        const QRect areaBefore = documentArea(frame);

        emit second->mnuOptions->aboutToShow();
        second->mnuOToolbar->trigger();
        FrameFixture::settle();
        QVERIFY(!second->mnuOToolbar->isChecked());
        QVERIFY(!frame.mnuOToolbar->isChecked());
        QVERIFY(frame.picToolbar()->isHidden());
        // The document area takes the toolbar's height back.
        const QRect areaAfter = documentArea(frame);
        QCOMPARE(areaAfter.top(), areaBefore.top() - Toolbar::StripHeight);
        QCOMPARE(areaAfter.height(), areaBefore.height() + Toolbar::StripHeight);
        QCOMPARE(areaAfter.bottom(), areaBefore.bottom());

        // Other windows' ticks are brought into step only when their menu opens.
        QVERIFY(first->mnuOToolbar->isChecked());
        emit first->mnuOptions->aboutToShow();
        QVERIFY(!first->mnuOToolbar->isChecked());

        // Showing it again from the first window.
        first->mnuOToolbar->trigger();
        FrameFixture::settle();
        QVERIFY(!frame.picToolbar()->isHidden());
        QVERIFY(frame.mnuOToolbar->isChecked());
        QCOMPARE(documentArea(frame), areaBefore);
    }

    void toggleToolbarFollowsTheTickOfTheMenuUsed_data() {
        // The toolbar's state, the tick of the menu used (a stale tick is possible when the
        // item is chosen without its menu having been opened), and what follows.
        QTest::addColumn<bool>("fromFrame");
        QTest::addColumn<bool>("toolbarShown");
        QTest::addColumn<bool>("tick");
        QTest::addColumn<bool>("shownAfter");
        QTest::addColumn<bool>("frameTickAfter");
        QTest::newRow("frame, in step, shown") << true << true << true << false << false;
        QTest::newRow("frame, in step, hidden") << true << false << false << true << true;
        QTest::newRow("frame, stale tick") << true << true << false << true << true;
        QTest::newRow("document, in step, shown") << false << true << true << false << false;
        QTest::newRow("document, in step, hidden") << false << false << false << true << true;
        QTest::newRow("document, stale tick") << false << false << true << false << false;
    }
    void toggleToolbarFollowsTheTickOfTheMenuUsed() {
        QFETCH(bool, fromFrame);
        QFETCH(bool, toolbarShown);
        QFETCH(bool, tick);
        QFETCH(bool, shownAfter);
        QFETCH(bool, frameTickAfter);
        FrameFixture f;
        frmMDI& frame = f.frame();
        frame.picToolbar()->setVisible(toolbarShown);
        frame.mnuOToolbar->setChecked(!frameTickAfter);  // to see it change
        if (fromFrame) {
            frame.mnuOToolbar->setChecked(tick);
            frame.mnuOToolbar_Click();
        } else {
            f.active()->mnuOToolbar->setChecked(tick);
            f.active()->mnuOToolbar_Click();
            QCOMPARE(f.active()->mnuOToolbar->isChecked(), frameTickAfter);
        }
        QCOMPARE(!frame.picToolbar()->isHidden(), shownAfter);
        QCOMPARE(frame.mnuOToolbar->isChecked(), frameTickAfter);
    }

    void theFramesOwnMenuToggles() {
        FrameFixture f;
        frmMDI& frame = f.frame();
        for (frmNotePad* w : f.documents()) w->close();
        FrameFixture::settle();
        emit frame.mnuOptions->aboutToShow();
        QVERIFY(frame.mnuOToolbar->isChecked());
        frame.mnuOToolbar->trigger();
        QVERIFY(frame.picToolbar()->isHidden());
        QVERIFY(!frame.mnuOToolbar->isChecked());
        frame.mnuOToolbar->trigger();
        QVERIFY(!frame.picToolbar()->isHidden());
        QVERIFY(frame.mnuOToolbar->isChecked());
    }
};

QTEST_MAIN(tst_Toolbar)
#include "tst_toolbar.moc"
