#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QScopeGuard>
#include <QSet>
#include <QStyleFactory>
#include <QTest>
#include <QXmlStreamReader>

#include "FrameFixture.h"
#include "gui/document/frmNotePad.h"
#include "gui/platform/LazyIconStyle.h"

// The program's icon: compiled into the program at the two sizes its windows use, drawn in at
// most 16 colours, and shown by the frame and by every document window; plus the same design at
// the sizes installed for the desktop.
class tst_AppIcon : public QObject {
    Q_OBJECT
private:
    static QImage argb(const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32); }
    // A picture installed for the desktop, from the checkout's folder ctest names.
    static QString installed(const QString& name) {
        const QString dir = qEnvironmentVariable("TAVULELLA_ICON_DIR");
        if (dir.isEmpty()) return QFINDTESTDATA(QStringLiteral("../resources/icons/") + name);
        const QString path = dir + QLatin1Char('/') + name;
        return QFile::exists(path) ? path : QString();
    }
    static QString compiledIn(int size) {
        return QStringLiteral(":/icons/tavulella-%1.png").arg(size);
    }

    // The window icon's picture at one size equals the compiled-in picture of that size.
    static bool showsPicture(const QIcon& icon, int size) {
        const QImage shown = argb(icon.pixmap(QSize(size, size)).toImage());
        return shown == argb(QImage(compiledIn(size)));
    }

private slots:
    void compiledInPictures_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("16 px") << 16;
        QTest::newRow("32 px") << 32;
    }

    void compiledInPictures() {
        QFETCH(int, size);
        QVERIFY2(QFile::exists(compiledIn(size)), qPrintable(compiledIn(size)));
        const QImage image = argb(QImage(compiledIn(size)));
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(size, size));

        // Every pixel is either fully transparent or one of at most 16 opaque colours.
        QSet<QRgb> colours;
        int opaque = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const QRgb p = image.pixel(x, y);
                const QString where = QStringLiteral("pixel %1,%2").arg(x).arg(y);
                QVERIFY2(qAlpha(p) == 0 || qAlpha(p) == 255,
                         qPrintable(where + QStringLiteral(" is partly transparent")));
                if (qAlpha(p) == 255) {
                    colours.insert(p);
                    ++opaque;
                }
            }
        }
        QVERIFY2(colours.size() <= 16, qPrintable(QString::number(colours.size())));
        // A picture, not an empty or single-coloured square.
        QVERIFY(colours.size() >= 4);
        QVERIFY(opaque >= size * size / 2);
        QVERIFY(opaque < size * size);
    }

    void frameShowsBothSizes() {
        FrameFixture f;
        const QIcon icon = f.frame().windowIcon();
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
        QVERIFY(showsPicture(icon, 16));
        QVERIFY(showsPicture(icon, 32));
        // Also the application's, which the dialogs show.
        QVERIFY(showsPicture(QApplication::windowIcon(), 16));
    }

    void documentWindowsShowTheFramesIcon() {
        FrameFixture f;
        f.frame().NewDocumentWindow();
        f.frame().NewDocumentWindow();
        FrameFixture::settle();
        QCOMPARE(f.documents().size(), 3);
        for (frmNotePad* w : f.documents()) {
            QVERIFY2(showsPicture(w->windowIcon(), 16), qPrintable(w->Caption()));
            QVERIFY2(showsPicture(w->windowIcon(), 32), qPrintable(w->Caption()));
        }
    }

    // The program's style reads the extension buttons' and title bars' pictures when they are
    // first drawn; they are its base style's, in either layout direction.
    void stylePicturesReadWhenDrawn_data() {
        QTest::addColumn<int>("which");
        QTest::newRow("menu bar extension") << int(QStyle::SP_ToolBarHorizontalExtensionButton);
        QTest::newRow("window menu") << int(QStyle::SP_TitleBarMenuButton);
        QTest::newRow("close") << int(QStyle::SP_TitleBarCloseButton);
    }

    void stylePicturesReadWhenDrawn() {
        QFETCH(int, which);
        const auto picture = QStyle::StandardPixmap(which);
        LazyIconStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
        const auto restore = qScopeGuard([direction = QGuiApplication::layoutDirection()] {
            QGuiApplication::setLayoutDirection(direction);
        });
        for (Qt::LayoutDirection direction : {Qt::RightToLeft, Qt::LeftToRight}) {
            QGuiApplication::setLayoutDirection(direction);
            const QIcon icon = style.standardIcon(picture);
            QVERIFY(!icon.isNull());
            QCOMPARE(argb(icon.pixmap(16).toImage()),
                     argb(style.baseStyle()->standardIcon(picture).pixmap(16).toImage()));
        }
    }

    void desktopPictures_data() {
        QTest::addColumn<int>("size");
        for (int size : {16, 24, 32, 48, 64, 96, 128}) QTest::addRow("%d px", size) << size;
    }

    void desktopPictures() {
        QFETCH(int, size);
        const QString path = installed(QStringLiteral("tavulella-%1.png").arg(size));
        QVERIFY2(!path.isEmpty(), "picture not found");
        const QImage image(path);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());
    }

    void scalablePicture() {
        const QString path = installed(QStringLiteral("tavulella.svg"));
        QVERIFY2(!path.isEmpty(), "picture not found");
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.name(), QLatin1String("svg"));
        // Square, like the pixel pictures, so that every size shows the whole design.
        const QStringList box =
            xml.attributes().value(QLatin1String("viewBox")).toString().split(' ');
        QCOMPARE(box.size(), 4);
        QCOMPARE(box[2], box[3]);
        int shapes = 0;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("rect") || xml.name() == QLatin1String("polygon"))
                ++shapes;
            xml.skipCurrentElement();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(shapes > 10);
    }
};

QTEST_MAIN(tst_AppIcon)
#include "tst_appicon.moc"
