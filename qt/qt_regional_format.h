#pragma once

#include <QLocale>

#include "platform/regional_format.h"

namespace pelmora {

// Dates and times in a locale's forms (the system's unless given); under the
// C locale, ISO 8601. A short date form with a two-digit year shows all four.
class QtRegionalFormat : public RegionalFormat {
public:
    QtRegionalFormat() : m_locale(QLocale::system()) {}
    explicit QtRegionalFormat(const QLocale& locale) : m_locale(locale) {}

    std::string general_date(const CivilDateTime& when) const override;
    std::string long_time_now() const override;
    std::string time_of_day_now() const override;

private:
    QLocale m_locale;
};

}  // namespace pelmora
