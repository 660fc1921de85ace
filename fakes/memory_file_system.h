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
        if (append_room < content.size()) {
            // A disk that fills up during the write keeps what fitted.
            files[path] += std::string(content.substr(0, append_room));
            append_room = 0;
            throw Failure(failure_code::DeviceIo, "Device I/O error");
        }
        if (append_room != SIZE_MAX) append_room -= content.size();
        files[path] += std::string(content);
    }
    void cut_file(const std::string& path, std::size_t size) override {
        auto it = files.find(path);
        if (it == files.end()) throw Failure(failure_code::PathNotFound, "Path not found");
        if (size < it->second.size()) it->second.resize(size);
    }
    using FileSystem::read_file;
    std::optional<std::string> read_file(const std::string& path, std::size_t limit) override {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        ++read_count;
        return it->second.substr(0, limit + 1);
    }
    std::vector<std::string> list_folder(const std::string& path) override {
        std::vector<std::string> names;
        const std::string prefix = path.ends_with('/') ? path : path + "/";
        for (const auto& [name, content] : files) {
            if (name.starts_with(prefix) && name.find('/', prefix.size()) == std::string::npos)
                names.push_back(name.substr(prefix.size()));
        }
        return names;
    }
    void make_folders(const std::string&) override {
        if (fail_append) throw Failure(failure_code::PathFileAccess, "Path/File access error");
    }
    void remove_file(const std::string& path) override { files.erase(path); }

    std::map<std::string, std::string> files;
    bool fail_replace = false;
    bool fail_append = false;
    int replace_count = 0;
    int read_count = 0;
    std::size_t append_room = SIZE_MAX;  // bytes the appends may still write
};

}  // namespace pelmora
