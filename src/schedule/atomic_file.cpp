#include "schedule/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace schedule {

std::optional<std::string> ReadWholeFile(const std::string& path, ReadFailure* failure) {
    ReadFailure ignored = ReadFailure::None;
    ReadFailure& why = failure != nullptr ? *failure : ignored;
    why = ReadFailure::CannotOpen;
    // Only regular files: a folder, a pipe or a device is not a file of ours, and must
    // neither throw nor block.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    if (st.st_size < 0 || static_cast<std::uintmax_t>(st.st_size) > kMaxReadableFileSize) {
        ::close(fd);
        why = ReadFailure::TooLarge;
        return std::nullopt;
    }
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return std::nullopt;
        }
        data.append(buffer, static_cast<std::size_t>(n));
        // A file that grows while it is read is held to the same limit.
        if (data.size() > kMaxReadableFileSize) {
            ::close(fd);
            why = ReadFailure::TooLarge;
            return std::nullopt;
        }
    }
    ::close(fd);
    why = ReadFailure::None;
    return data;
}

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes) {
    std::string pattern = path + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return WriteResult::CannotCreate;
    }
    const std::string tempPath(name.data());

    // Keep the permissions an existing file had; a new file gets the usual 0666 & ~umask.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(tempPath.c_str(), path.c_str()) != 0) {
        ::unlink(tempPath.c_str());
        return WriteResult::WriteFailed;
    }
    return WriteResult::Ok;
}

}  // namespace schedule
