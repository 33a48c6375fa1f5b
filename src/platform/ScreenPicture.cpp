#include "platform/ScreenPicture.h"

#include <QtMath>

int ScreenPicture::drawnDensity(qreal density) { return qBound(1, qCeil(density), 3); }

QPixmap ScreenPicture::load(const QString& name, qreal density) {
    const int drawn = drawnDensity(density);
    QString file = name;
    const int dot = static_cast<int>(file.lastIndexOf(QLatin1Char('.')));
    if (drawn > 1) file.insert(dot < 0 ? file.size() : dot, QStringLiteral("@%1x").arg(drawn));
    QPixmap pixmap(file);
    pixmap.setDevicePixelRatio(drawn);
    return pixmap;
}
