#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/regional_format.h"

namespace pelmora {

// The error log: the file "QuillonError.log" in the working folder, only ever
// appended to, one two-line record per caught failure:
//   " Time: <long time> Error #  <code>,  <message>" CR LF
//   " In  .<routine> at line - <step>" CR LF
class ErrorLog {
public:
    static constexpr const char* kFileName = "QuillonError.log";

    ErrorLog(FileSystem& files, const RegionalFormat& format, std::string path = kFileName);

    // Appends one record; a failure to open or write the log passes to the
    // caller and leaves the log as it was.
    void LogError(const std::string& code, const std::string& step, const std::string& label,
                  const std::string& message);

    static std::string Record(const std::string& time, const std::string& code, const std::string& message,
                              const std::string& label, const std::string& step);

    const std::string& path() const { return m_path; }

private:
    FileSystem& m_files;
    const RegionalFormat& m_format;
    std::string m_path;
};

}  // namespace pelmora
