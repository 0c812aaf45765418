#include "document/file_io.h"

#include "document/paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tamberlin {

namespace {

// Writes a target that is not a regular file (a device, a named pipe) where it is. The open
// never waits: a pipe with no reader fails at once (ENXIO) instead of freezing the program;
// the writes that follow block as usual.
int writeInPlace(const std::string& path, std::string_view data) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    int err = WriteAll(fd, data);
    if (::close(fd) != 0 && err == 0) {
        err = errno;
    }
    return err;
}

// The path whose folder receives the temporary file: a symbolic link's final target.
std::string resolveTarget(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return path;
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

int WriteFileAtomically(const std::string& requestedPath, std::string_view data) {
    if (requestedPath.empty()) {
        return ENOENT;
    }
    const std::string path = resolveTarget(requestedPath);
    mode_t mode = 0666;
    bool exists = false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            return EISDIR;
        }
        if (!S_ISREG(st.st_mode)) {
            // A device or pipe cannot be replaced; it is written in place.
            return writeInPlace(path, data);
        }
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(path.c_str(), W_OK) != 0) {
            return EACCES;
        }
        exists = true;
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return errno;
    }

    const std::string folder(PathFolderPart(path));
    std::string name(PathFileNamePart(path));
    if (name.empty()) {
        return EISDIR;
    }
    // Keep the temporary name within NAME_MAX whatever the target's name.
    if (name.size() > 200) {
        name.resize(200);
    }
    std::string tempPath = folder + "." + name + ".XXXXXX";
    std::vector<char> templ(tempPath.begin(), tempPath.end());
    templ.push_back('\0');
    const int fd = ::mkstemp(templ.data());
    if (fd < 0) {
        // The folder is missing or refuses new files; report what writing the target would.
        return errno;
    }
    tempPath.assign(templ.data());

    int err = WriteAll(fd, data);
    // mkstemp makes the file private; give it the target's bits, or a new file's usual ones.
    if (err == 0 && ::fchmod(fd, exists ? mode : mode & ~currentUmask()) != 0) {
        err = errno;
    }
    if (err == 0 && ::fsync(fd) != 0) {
        err = errno;
    }
    if (::close(fd) != 0 && err == 0) {
        err = errno;
    }
    if (err == 0 && ::rename(tempPath.c_str(), path.c_str()) != 0) {
        err = errno;
    }
    if (err != 0) {
        ::unlink(tempPath.c_str());
    }
    return err;
}

int ReadFilePrefix(const std::string& path, std::size_t maxBytes, std::string& out) {
    out.clear();
    if (path.empty()) {
        return ENOENT;
    }
    // Opened without waiting, so that a named pipe in a file's place cannot hang the program;
    // only a regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    out.reserve(std::min<std::size_t>(maxBytes, static_cast<std::size_t>(st.st_size)));
    char buffer[65536];
    int err = 0;
    while (out.size() < maxBytes) {
        const std::size_t want = std::min(sizeof buffer, maxBytes - out.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            err = errno;
            break;
        }
        if (n == 0) {
            break;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return err;
}

int WriteAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

} // namespace tamberlin
