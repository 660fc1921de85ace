#include "posix/file_secret_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace pelmora {

namespace {

constexpr std::size_t kMaxSecret = std::size_t{64} * 1024;

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the folder and its missing parents, owner-only for new ones.
void make_folders(const std::string& folder) {
    if (folder.empty() || folder == "/" || folder == ".") return;
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return;
    make_folders(folder_of(folder));
    ::mkdir(folder.c_str(), 0700);
}

}  // namespace

SecretRead FileSecretStore::Get(const std::string&) {
    SecretRead read;
    // O_NONBLOCK: a FIFO put at the path must not hang the caller.
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        read.status = errno == ENOENT ? SecretRead::Status::Missing : SecretRead::Status::Refused;
        if (read.status == SecretRead::Status::Refused)
            read.message = m_path + ": cannot be read (" + std::strerror(errno) + ")";
        return read;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        read.status = SecretRead::Status::Refused;
        read.message = m_path + ": not a regular file; it is not used";
        return read;
    }
    if ((st.st_mode & 077) != 0) {
        ::close(fd);
        read.status = SecretRead::Status::Refused;
        read.message =
            m_path + ": other users can read it, so it is not used. Make it yours alone with: chmod 600 " + m_path;
        return read;
    }
    if (st.st_uid != ::geteuid()) {
        ::close(fd);
        read.status = SecretRead::Status::Refused;
        read.message = m_path + ": it belongs to another user, so it is not used. Replace it with a file of your own";
        return read;
    }
    std::string value;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        value.append(buffer, static_cast<std::size_t>(n));
        if (value.size() > kMaxSecret) break;
    }
    ::close(fd);
    if (value.size() > kMaxSecret) {
        read.status = SecretRead::Status::Refused;
        read.message = m_path + ": too large to be a token";
        return read;
    }
    read.status = SecretRead::Status::Found;
    read.value = std::move(value);
    return read;
}

bool FileSecretStore::Set(const std::string&, const std::string& value) {
    const std::string folder = folder_of(m_path);
    make_folders(folder);
    std::string temporary = m_path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) return false;
    const bool written = ::fchmod(fd, 0600) == 0 && write_all(fd, value) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), m_path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool FileSecretStore::Erase(const std::string&) { return ::unlink(m_path.c_str()) == 0 || errno == ENOENT; }

}  // namespace pelmora
