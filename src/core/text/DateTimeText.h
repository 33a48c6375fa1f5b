#pragma once

#include <QString>

class QDateTime;
class QLocale;

// The text that Edit, Time/Date puts into a document: the moment as the locale writes it.
class DateTimeText {
public:
    // The locale's short date, one blank and the locale's time with hours, minutes and seconds
    // (no time zone); the date alone at midnight. A blank of the locale's that the code page
    // cannot hold is written as an ordinary blank.
    static QString format(const QDateTime& when, const QLocale& locale);
    // The locale's long time format without its time-zone part.
    static QString timeFormatWithoutZone(const QLocale& locale);
};
