#include "platform/qt/qt_regional_format.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include "platform/iso_regional_format.h"

namespace pelmora {

namespace {

bool no_regional_settings(const QLocale& locale) { return locale.language() == QLocale::C; }

// The locale's long time form without the zone name, which a time of day
// does not carry.
QString time_with_seconds(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

}  // namespace

std::string QtRegionalFormat::general_date(const CivilDateTime& when) const {
    const QLocale locale = QLocale::system();
    if (no_regional_settings(locale)) return IsoRegionalFormat().general_date(when);
    const QDate date(when.year, when.month, when.day);
    QString text = locale.toString(date, QLocale::ShortFormat);
    if (when.hour != 0 || when.minute != 0 || when.second != 0) {
        text += QLatin1Char(' ');
        text += locale.toString(QTime(when.hour, when.minute, when.second), time_with_seconds(locale));
    }
    return text.toStdString();
}

std::string QtRegionalFormat::long_time_now() const {
    const QLocale locale = QLocale::system();
    if (no_regional_settings(locale)) return IsoRegionalFormat().long_time_now();
    return locale.toString(QTime::currentTime(), time_with_seconds(locale)).toStdString();
}

std::string QtRegionalFormat::time_of_day_now() const { return long_time_now(); }

}  // namespace pelmora
