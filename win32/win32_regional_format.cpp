#include "win32/win32_regional_format.h"

#include <windows.h>

#include "records/iso_regional_format.h"
#include "win32/utf16.h"

namespace pelmora {

namespace {

std::string date_text(const SYSTEMTIME& when) {
    wchar_t text[128];
    const int length = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, text, 128, nullptr);
    return length > 0 ? Utf8(std::wstring(text, static_cast<std::size_t>(length - 1))) : std::string();
}

std::string time_text(const SYSTEMTIME* when) {
    wchar_t text[128];
    const int length = GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, when, nullptr, text, 128);
    return length > 0 ? Utf8(std::wstring(text, static_cast<std::size_t>(length - 1))) : std::string();
}

}  // namespace

std::string Win32RegionalFormat::general_date(const CivilDateTime& when) const {
    if (when.year < 1601 || when.year > 9999) return IsoRegionalFormat().general_date(when);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(when.year);
    time.wMonth = static_cast<WORD>(when.month);
    time.wDay = static_cast<WORD>(when.day);
    time.wHour = static_cast<WORD>(when.hour);
    time.wMinute = static_cast<WORD>(when.minute);
    time.wSecond = static_cast<WORD>(when.second);
    const std::string date = date_text(time);
    if (date.empty()) return IsoRegionalFormat().general_date(when);
    if (when.hour == 0 && when.minute == 0 && when.second == 0) return date;
    return date + " " + time_text(&time);
}

std::string Win32RegionalFormat::long_time_now() const {
    const std::string now = time_text(nullptr);
    return now.empty() ? IsoRegionalFormat().long_time_now() : now;
}

std::string Win32RegionalFormat::time_of_day_now() const { return long_time_now(); }

}  // namespace pelmora
