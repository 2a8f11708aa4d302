#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

namespace skiff {

// Where a browser window takes the time of day from; tests give it a fixed one.
class Clock {
public:
    virtual ~Clock();
    virtual QDateTime now() const = 0;
};

// The computer's own clock, in local time.
class SystemClock : public Clock {
public:
    QDateTime now() const override;
};

// The time of day in the regional format, with seconds and without a time zone.
QString timeOfDayText(const QTime& time, const QLocale& locale = QLocale::system());
// The date in the regional short format.
QString shortDateText(const QDate& date, const QLocale& locale = QLocale::system());

}  // namespace skiff
