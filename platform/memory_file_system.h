#pragma once

#include <map>
#include <string>

#include "platform/failure.h"
#include "platform/file_system.h"

namespace pelmora {

// Files held in memory, for the inspector and for tests; each kind of call
// can be made to fail as a full or read-only disk would.
class MemoryFileSystem : public FileSystem {
public:
    void replace_file(const std::string& path, std::string_view content) override {
        if (fail_replace || path.empty()) throw Failure(failure_code::PathFileAccess, "Path/File access error");
        files[path] = std::string(content);
        ++replace_count;
    }
    void append_file(const std::string& path, std::string_view content) override {
        if (fail_append || path.empty()) throw Failure(failure_code::PathFileAccess, "Path/File access error");
        files[path] += std::string(content);
    }

    std::map<std::string, std::string> files;
    bool fail_replace = false;
    bool fail_append = false;
    int replace_count = 0;
};

}  // namespace pelmora
