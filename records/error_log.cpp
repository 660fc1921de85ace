#include "records/error_log.h"

namespace pelmora {

ErrorLog::ErrorLog(FileSystem& files, const RegionalFormat& format, std::string path)
    : m_files(files), m_format(format), m_path(std::move(path)) {}

std::string ErrorLog::Record(const std::string& time, const std::string& code, const std::string& message,
                             const std::string& label, const std::string& step) {
    return " Time: " + time + " Error #  " + code + ",  " + message + "\r\n" + " In  " + label + " at line - " + step +
           "\r\n";
}

void ErrorLog::LogError(const std::string& code, const std::string& step, const std::string& label,
                        const std::string& message) {
    m_files.append_file(m_path, Record(m_format.long_time_now(), code, message, label, step));
}

}  // namespace pelmora
