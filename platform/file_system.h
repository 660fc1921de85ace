#pragma once

#include <string>
#include <string_view>

namespace pelmora {

// Whole-file writes as the output file and the error log need them. Every
// failure is a pelmora::Failure; nothing is held open between calls.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Replaces the file's content as one step: a reader sees the old content
    // or the new, never a part. On failure the file is untouched and no
    // temporary file is left behind.
    virtual void replace_file(const std::string& path, std::string_view content) = 0;

    // Appends to the file, creating it when missing.
    virtual void append_file(const std::string& path, std::string_view content) = 0;
};

}  // namespace pelmora
