#pragma once

#include "platform/file_system.h"

namespace pelmora {

// Files through the wide Win32 calls, so that a folder with letters beyond
// ASCII works; paths are UTF-8 and content is written as given (binary).
// A replace writes a temporary file beside the target and puts it in the
// target's place (ReplaceFileW over an existing file, keeping its
// attributes, access list and streams; through a symbolic link to the file
// it leads to, the link staying); while another program holds the target
// open this is tried again for up to kBusyWaitMs, and past that the replace
// fails with the target untouched and the temporary file removed. A
// read-only file is a failure and is never opened for writing. A folder, a
// device, or a name Windows takes for one (COM1, NUL.txt, ...) is refused
// as no file, before anything is opened.
class Win32FileSystem : public FileSystem {
public:
    static constexpr int kBusyWaitMs = 1000;

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
