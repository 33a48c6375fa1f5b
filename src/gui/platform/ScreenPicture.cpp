#include "gui/platform/ScreenPicture.h"

#include <QFileInfo>
#include <QImageReader>
#include <QtMath>

int ScreenPicture::drawnDensity(qreal density) { return qBound(1, qCeil(density), 3); }

QPixmap ScreenPicture::load(const QString& name, qreal density) {
    const int drawn = drawnDensity(density);
    QString file = name;
    const int dot = static_cast<int>(file.lastIndexOf(QLatin1Char('.')));
    if (drawn > 1) file.insert(dot < 0 ? file.size() : dot, QStringLiteral("@%1x").arg(drawn));
    QPixmap pixmap = read(file);
    pixmap.setDevicePixelRatio(drawn);
    return pixmap;
}

QPixmap ScreenPicture::read(const QString& file) {
    QImageReader reader(file, QFileInfo(file).suffix().toLower().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}
