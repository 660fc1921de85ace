#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// Whole-file writes as the output file and the error log need them. Every
// failure is a pelmora::Failure; nothing is held open between calls.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Replaces the file's content as one step: a reader sees the old content
    // or the new, never a part. On failure the file is untouched and no
    // temporary file is left behind. A symbolic link is followed and its
    // target replaced; the link stays. A file the user may not write, and
    // anything but a regular file, is a failure and is never opened. Where no
    // temporary file can be made beside it (a folder the user may not write,
    // a name too long for the temporary name), the file is emptied and
    // written in place. A new file gets 0666 less the creation mask; an
    // existing one keeps its mode.
    virtual void replace_file(const std::string& path, std::string_view content) = 0;

    // Appends to a regular file, creating it when missing. Anything else at
    // the path, a symbolic link included, is a failure, found without
    // blocking. An append that fails part way is cut off again where it can be.
    virtual void append_file(const std::string& path, std::string_view content) = 0;
    // Cuts a regular file back to its first `size` bytes in place, without
    // a copy; a link or anything else at the path is a failure.
    virtual void cut_file(const std::string& path, std::size_t size) = 0;

    // The content of a regular file; nothing when it is missing, unreadable
    // or anything else. At most `limit` + 1 bytes are read: a content longer
    // than `limit` says that the file is larger.
    virtual std::optional<std::string> read_file(const std::string& path, std::size_t limit) = 0;
    std::optional<std::string> read_file(const std::string& path) { return read_file(path, SIZE_MAX - 1); }
    // The names of the regular files in a folder, sorted; none when the
    // folder is missing or unreadable.
    virtual std::vector<std::string> list_folder(const std::string& path) = 0;
    // Makes the folder and any missing folders above it.
    virtual void make_folders(const std::string& path) = 0;
    // Removes the file; one that is not there is no failure.
    virtual void remove_file(const std::string& path) = 0;
};

}  // namespace pelmora
