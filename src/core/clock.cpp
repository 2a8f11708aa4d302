#include "core/clock.h"

namespace skiff {

namespace {

// Drops the time zone field ('t' outside quoted text) from a time format, together with the
// blanks in front of it.
QString withoutTimeZone(const QString& format) {
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u't') {
            while (!result.isEmpty() && result.back().isSpace()) result.chop(1);
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

}  // namespace

Clock::~Clock() = default;

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

QString timeOfDayText(const QTime& time, const QLocale& locale) {
    // The long format is the regional one that carries seconds; it also names the zone.
    return locale.toString(time, withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString shortDateText(const QDate& date, const QLocale& locale) {
    return locale.toString(date, QLocale::ShortFormat);
}

}  // namespace skiff
