#pragma once

#include <QPixmap>
#include <QString>

// A compiled-in picture for a screen of a given density. Next to each picture
// ("name.ext") its drawings for twice and three times the usual density are kept as
// "name@2x.ext" and "name@3x.ext"; the one for the next whole density up to 3 is loaded and
// marked with that density, so that it keeps its size in device-independent pixels while each
// of its pixels stays sharp. A screen between two densities (1.5) gets the denser drawing,
// which the painter reduces without smoothing.
class ScreenPicture {
public:
    static QPixmap load(const QString& name, qreal density);
    // The picture in the file, read in the format its suffix names. Left to find the format
    // itself, Qt loads every image-format plugin it has to ask each whether it reads the file.
    static QPixmap read(const QString& file);
    // The density a picture is drawn at for a screen of the given density: 1, 2 or 3.
    static int drawnDensity(qreal density);
};
