#include "qt/qt_regional_format.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include "records/iso_regional_format.h"

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

// The locale's short date form with a two-digit year ("yy") widened to four;
// quoted literal text is left as it is.
QString four_digit_year(const QString& format) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (quoted || c != QLatin1Char('y')) {
            out += c;
            ++i;
            continue;
        }
        qsizetype run = 0;
        while (i + run < format.size() && format[i + run] == QLatin1Char('y')) ++run;
        out += run == 2 ? QStringLiteral("yyyy") : QString(run, QLatin1Char('y'));
        i += run;
    }
    return out;
}

}  // namespace

std::string QtRegionalFormat::general_date(const CivilDateTime& when) const {
    const QLocale& locale = m_locale;
    if (no_regional_settings(locale)) return IsoRegionalFormat().general_date(when);
    const QDate date(when.year, when.month, when.day);
    QString text = locale.toString(date, four_digit_year(locale.dateFormat(QLocale::ShortFormat)));
    if (when.hour != 0 || when.minute != 0 || when.second != 0) {
        text += QLatin1Char(' ');
        text += locale.toString(QTime(when.hour, when.minute, when.second), time_with_seconds(locale));
    }
    return text.toStdString();
}

std::string QtRegionalFormat::long_time_now() const {
    const QLocale& locale = m_locale;
    if (no_regional_settings(locale)) return IsoRegionalFormat().long_time_now();
    return locale.toString(QTime::currentTime(), time_with_seconds(locale)).toStdString();
}

std::string QtRegionalFormat::time_of_day_now() const { return long_time_now(); }

}  // namespace pelmora
