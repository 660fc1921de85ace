#include "posix/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/failure.h"

namespace pelmora {

namespace {

[[noreturn]] void fail_for_errno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: throw Failure(failure_code::PathNotFound, "Path not found");
        case EACCES:
        case EPERM:
        case EROFS: throw Failure(failure_code::PermissionDenied, "Permission denied");
        case ENAMETOOLONG:
        case EISDIR:
        case EINVAL: throw Failure(failure_code::BadFileName, "Bad file name or number");
        case ELOOP: throw Failure(failure_code::PathFileAccess, "Path/File access error");  // a link refused
        default: throw Failure(failure_code::DeviceIo, "Device I/O error");
    }
}

void write_all(int fd, std::string_view content) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail_for_errno(errno);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

// The creation mask of the process, read without changing it.
mode_t creation_mask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    }
    return 022;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    int release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

// The file a chain of symbolic links at `path` ends in, whether or not it
// exists yet; `path` itself when it is no link.
std::string link_target(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
        std::string next(PATH_MAX, '\0');
        const ssize_t length = ::readlink(path.c_str(), next.data(), next.size());
        if (length < 0) fail_for_errno(errno);
        next.resize(static_cast<std::size_t>(length));
        if (next.empty()) throw Failure(failure_code::PathNotFound, "Path not found");
        if (next.front() != '/') {
            const std::size_t slash = path.find_last_of('/');
            if (slash != std::string::npos) next.insert(0, path, 0, slash + 1);
        }
        path = std::move(next);
    }
    throw Failure(failure_code::PathFileAccess, "Path/File access error");
}

// Whether the user may write the existing regular file. A file without any
// write permission counts as read-only for root too.
bool may_write(const std::string& path, const struct stat& status) {
    if ((status.st_mode & 0222) == 0) return false;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Opens a regular file, or creates one, without ever blocking on a FIFO or
// device: anything but a regular file is a failure and is left as it was.
int open_regular(const std::string& path, int flags) {
    FileDescriptor fd(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (fd.get() < 0) {
        if (errno == ENXIO || errno == EWOULDBLOCK)
            throw Failure(failure_code::PathFileAccess, "Path/File access error");
        fail_for_errno(errno);
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) fail_for_errno(errno);
    if (!S_ISREG(status.st_mode)) throw Failure(failure_code::PathFileAccess, "Path/File access error");
    const int flags_now = ::fcntl(fd.get(), F_GETFL);
    if (flags_now >= 0) ::fcntl(fd.get(), F_SETFL, flags_now & ~O_NONBLOCK);
    return fd.release();
}

// Where no temporary sibling can be made: open, empty, write.
void write_in_place(const std::string& path, std::string_view content) {
    FileDescriptor fd(open_regular(path, O_WRONLY | O_CREAT));
    if (::ftruncate(fd.get(), 0) != 0) fail_for_errno(errno);
    write_all(fd.get(), content);
    if (::close(fd.release()) != 0) fail_for_errno(errno);
}

}  // namespace

void PosixFileSystem::replace_file(const std::string& path, std::string_view content) {
    if (path.empty() || path.back() == '/') throw Failure(failure_code::BadFileName, "Bad file name or number");
    if (path.find('\0') != std::string::npos) throw Failure(failure_code::BadFileName, "Bad file name or number");

    const std::string target = link_target(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) throw Failure(failure_code::PathFileAccess, "Path/File access error");
    if (exists && !may_write(target, existing)) throw Failure(failure_code::PermissionDenied, "Permission denied");
    const mode_t mode = exists ? (existing.st_mode & 07777) : (0666 & ~creation_mask());

    // The temporary file lies in the same folder so that the rename is atomic.
    std::string temp = target + ".XXXXXX";
    FileDescriptor fd(::mkstemp(temp.data()));
    if (fd.get() < 0) {
        const int error = errno;
        if (error != EACCES && error != EPERM && error != EROFS && error != ENAMETOOLONG) fail_for_errno(error);
        write_in_place(target, content);
        return;
    }
    try {
        ::fchmod(fd.get(), mode);
        write_all(fd.get(), content);
        if (::close(fd.release()) != 0) fail_for_errno(errno);
        if (::rename(temp.c_str(), target.c_str()) != 0) fail_for_errno(errno);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

void PosixFileSystem::append_file(const std::string& path, std::string_view content) {
    if (path.empty()) throw Failure(failure_code::BadFileName, "Bad file name or number");
    FileDescriptor fd(open_regular(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW));
    struct stat before {};
    if (::fstat(fd.get(), &before) != 0) fail_for_errno(errno);
    try {
        write_all(fd.get(), content);
    } catch (const Failure&) {
        // A part written (a full disk) is cut off again, so that the file keeps whole appends only.
        struct stat after {};
        if (::fstat(fd.get(), &after) == 0 && after.st_size > before.st_size &&
            after.st_size - before.st_size < static_cast<off_t>(content.size()))
            (void)::ftruncate(fd.get(), before.st_size);
        throw;
    }
    if (::close(fd.release()) != 0) fail_for_errno(errno);
}

void PosixFileSystem::cut_file(const std::string& path, std::size_t size) {
    FileDescriptor fd(open_regular(path, O_WRONLY | O_NOFOLLOW));
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) fail_for_errno(errno);
    if (static_cast<std::uintmax_t>(status.st_size) > size && ::ftruncate(fd.get(), static_cast<off_t>(size)) != 0)
        fail_for_errno(errno);
    if (::close(fd.release()) != 0) fail_for_errno(errno);
}

std::optional<std::string> PosixFileSystem::read_file(const std::string& path, std::size_t limit) {
    const int opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (opened < 0) return std::nullopt;
    FileDescriptor fd(opened);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    std::string content;
    const std::size_t most = limit + 1;
    content.reserve(std::min(static_cast<std::size_t>(status.st_size), most));
    char buffer[65536];
    while (content.size() < most) {
        const ssize_t n = ::read(fd.get(), buffer, std::min(sizeof buffer, most - content.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return content;
}

std::vector<std::string> PosixFileSystem::list_folder(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        if (entry.is_regular_file(error)) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void PosixFileSystem::make_folders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) fail_for_errno(error.value());
}

void PosixFileSystem::remove_file(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) fail_for_errno(errno);
}

}  // namespace pelmora
