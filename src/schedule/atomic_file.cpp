#include "schedule/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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

constexpr int kMaxLinkDepth = 40;  // as the kernel allows when it follows links

// The file path finally stands for: path itself unless it is a symbolic link, else the
// link's target, followed link by link, so that a link to a file not yet made names
// where the file will be. Nothing when the links go round or are too deep.
std::optional<std::string> FinalTarget(std::string path) {
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return path;
        }
        std::vector<char> buffer(static_cast<std::size_t>(PATH_MAX) + 1);
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
        if (n <= 0) {
            return std::nullopt;
        }
        std::string target(buffer.data(), static_cast<std::size_t>(n));
        if (target.front() != '/') {
            // A relative target is taken from the link's own folder.
            const std::size_t slash = path.find_last_of('/');
            target.insert(0,
                          slash == std::string::npos ? std::string() : path.substr(0, slash + 1));
        }
        path = std::move(target);
    }
    return std::nullopt;
}

// The folder of a path, for flushing the rename to the disk.
std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes) {
    const std::optional<std::string> target = FinalTarget(path);
    if (!target) {
        return WriteResult::CannotCreate;
    }
    std::string pattern = *target + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return WriteResult::CannotCreate;
    }
    const std::string tempPath(name.data());

    // Keep the owner, group and permissions an existing file had (the owner only where
    // this process may give it; the group where the user belongs to it); a new file gets
    // the usual 0666 & ~umask.
    struct stat st {};
    if (::stat(target->c_str(), &st) == 0) {
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
        }
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(tempPath.c_str(), target->c_str()) != 0) {
        ::unlink(tempPath.c_str());
        return WriteResult::WriteFailed;
    }
    // The rename is only lasting once the folder is on the disk too.
    const int folder = ::open(FolderOf(*target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return WriteResult::Ok;
}

}  // namespace schedule
