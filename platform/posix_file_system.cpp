#include "platform/posix_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

}  // namespace

void PosixFileSystem::replace_file(const std::string& path, std::string_view content) {
    if (path.empty() || path.back() == '/') throw Failure(failure_code::BadFileName, "Bad file name or number");
    if (path.find('\0') != std::string::npos) throw Failure(failure_code::BadFileName, "Bad file name or number");

    // The temporary file lies in the same folder so that the rename is atomic.
    std::string temp = path + ".XXXXXX";
    FileDescriptor fd(::mkstemp(temp.data()));
    if (fd.get() < 0) fail_for_errno(errno);

    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : (0666 & ~creation_mask());
    try {
        ::fchmod(fd.get(), mode);
        write_all(fd.get(), content);
        if (::close(fd.release()) != 0) fail_for_errno(errno);
        if (::rename(temp.c_str(), path.c_str()) != 0) fail_for_errno(errno);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
}

void PosixFileSystem::append_file(const std::string& path, std::string_view content) {
    if (path.empty()) throw Failure(failure_code::BadFileName, "Bad file name or number");
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (fd.get() < 0) fail_for_errno(errno);
    write_all(fd.get(), content);
    if (::close(fd.release()) != 0) fail_for_errno(errno);
}

}  // namespace pelmora
