#pragma once

#include "platform/file_system.h"

namespace pelmora {

// Files on the local disk; relative paths resolve against the working folder.
class PosixFileSystem : public FileSystem {
public:
    void replace_file(const std::string& path, std::string_view content) override;
    void append_file(const std::string& path, std::string_view content) override;
    void cut_file(const std::string& path, std::size_t size) override;
    using FileSystem::read_file;
    std::optional<std::string> read_file(const std::string& path, std::size_t limit) override;
    std::vector<std::string> list_folder(const std::string& path) override;
    void make_folders(const std::string& path) override;
    void remove_file(const std::string& path) override;
};

}  // namespace pelmora
