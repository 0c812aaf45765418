#include "generator/page_files.h"

#include "document/file_io.h"
#include "document/paths.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamberlin {

namespace {

constexpr std::size_t kMaxTempNameBase = 200;
constexpr int kTempNameAttempts = 64;

// A fresh suffix for a temporary name; O_EXCL decides whether it is free.
std::uint64_t nextSuffix() {
    static std::uint64_t state = [] {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        return static_cast<std::uint64_t>(now.tv_nsec) ^
               (static_cast<std::uint64_t>(::getpid()) << 32) ^
               static_cast<std::uint64_t>(now.tv_sec);
    }();
    // xorshift64*: the names only need to differ, not to be unpredictable.
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
}

// One target of the pair on its way: checked, then its bytes in a temporary file beside it.
class PendingFile {
public:
    explicit PendingFile(PublishBatch* batch) : batch_(batch) {}
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() {
        if (!tempPath_.empty()) {
            ::unlink(tempPath_.c_str());
        }
    }

    // Checks the target and writes the bytes to a new temporary file in its folder.
    int prepare(const std::string& requestedPath, std::string_view bytes) {
        if (const int err = inspect(requestedPath); err != 0) {
            return err;
        }
        return writeTemporary(bytes);
    }

    // Puts the temporary file in the target's place. An old file is exchanged with it rather
    // than replaced: its content stays under the temporary name until the object goes, so that
    // restore() can bring it back (and a replacing rename, which some file systems turn into a
    // flush of the new file, is avoided).
    int commit() {
        if (exists_ && ::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, path_.c_str(),
                                   RENAME_EXCHANGE) == 0) {
            swapped_ = true;
            return 0;
        }
        // No old file, or a file system that cannot exchange two names: a plain replace.
        if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
            return errno;
        }
        tempPath_.clear();
        committed_ = true;
        return 0;
    }

    // After a publication that went through: the old file is kept for the batch's next file in
    // the same folder instead of being removed.
    void finish() {
        if (swapped_ && batch_ != nullptr && reusable_) {
            batch_->keep(folder(), std::move(tempPath_));
            tempPath_.clear();
        }
    }

    // Undoes commit(): the old content back in place, or the new file gone when there was none.
    void restore() {
        if (swapped_) {
            ::renameat2(AT_FDCWD, tempPath_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE);
            swapped_ = false;
        } else if (committed_ && !exists_) {
            ::unlink(path_.c_str());
        }
    }

private:
    int inspect(const std::string& requestedPath) {
        if (requestedPath.empty()) {
            return ENOENT;
        }
        path_ = requestedPath;
        struct stat st {};
        if (::lstat(path_.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            // A symbolic link: its final target is replaced, in the target's folder.
            char resolved[PATH_MAX];
            if (::realpath(path_.c_str(), resolved) != nullptr) {
                path_ = resolved;
            }
            if (::stat(path_.c_str(), &st) != 0) {
                // A link to nothing: the link itself is replaced.
                st = {};
                errno = ENOENT;
            }
        }
        if (st.st_mode != 0) {
            if (S_ISDIR(st.st_mode)) {
                return EISDIR;
            }
            if (!S_ISREG(st.st_mode)) {
                return EINVAL;
            }
            if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                ::access(path_.c_str(), W_OK) != 0) {
                return EACCES;
            }
            exists_ = true;
            mode_ = st.st_mode & 07777;
            // Kept for the batch only when nothing else can see it: no other link to it, and
            // ours to give new permission bits.
            reusable_ = st.st_nlink == 1 && st.st_uid == ::geteuid();
        } else if (errno != ENOENT) {
            return errno;
        }
        return 0;
    }

    std::string folder() const { return std::string(PathFolderPart(path_)); }

    // The temporary file, open for writing: a file the batch kept in the target's folder, or a
    // new one with a name of its own.
    int openTemporary(int& fd) {
        const std::string folderPart = folder();
        if (folderPart.size() == path_.size()) {
            return EISDIR;
        }
        if (exists_ && batch_ != nullptr) {
            while (true) {
                std::string kept = batch_->take(folderPart);
                if (kept.empty()) {
                    break;
                }
                // Written over from its start and cut to the new length afterwards, so that its
                // blocks are not freed only to be taken again (freeing can mean waiting for the
                // disk to discard them).
                fd = ::open(kept.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
                if (fd >= 0) {
                    tempPath_ = std::move(kept);
                    overwritten_ = true;
                    return 0;
                }
                ::unlink(kept.c_str());
            }
        }
        // Keep the temporary name within NAME_MAX whatever the target's name.
        const std::string base =
            folderPart + "." + path_.substr(folderPart.size(), kMaxTempNameBase) + ".";
        for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
            char suffix[17];
            std::snprintf(suffix, sizeof suffix, "%08llx",
                          static_cast<unsigned long long>(nextSuffix() >> 32));
            std::string candidate = base + suffix;
            // A new file gets the usual bits of a new file; a replacement gets the old ones.
            fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        exists_ ? 0600 : 0666);
            if (fd >= 0) {
                tempPath_ = std::move(candidate);
                return 0;
            }
            if (errno != EEXIST) {
                // The folder is missing or refuses new files; report what writing the target
                // would.
                return errno;
            }
        }
        return EEXIST;
    }

    int writeTemporary(std::string_view bytes) {
        int fd = -1;
        if (const int err = openTemporary(fd); err != 0) {
            return err;
        }
        int err = WriteAll(fd, bytes);
        if (err == 0 && overwritten_ && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
            err = errno;
        }
        if (err == 0 && exists_ && ::fchmod(fd, mode_) != 0) {
            err = errno;
        }
        if (::close(fd) != 0 && err == 0) {
            err = errno;
        }
        return err;
    }

    std::string path_;
    std::string tempPath_;
    bool exists_ = false;
    mode_t mode_ = 0;
    bool reusable_ = false;
    bool overwritten_ = false;
    bool swapped_ = false;
    bool committed_ = false;
    PublishBatch* batch_;
};

} // namespace

PublishBatch::~PublishBatch() {
    for (const auto& file : kept_) {
        ::unlink(file.path.c_str());
    }
}

void PublishBatch::keep(std::string folder, std::string path) {
    if (kept_.size() == kMaxKept) {
        ::unlink(kept_.front().path.c_str());
        kept_.erase(kept_.begin());
    }
    kept_.push_back({std::move(folder), std::move(path)});
}

std::string PublishBatch::take(const std::string& folder) {
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
        if (it->folder == folder) {
            std::string path = std::move(it->path);
            kept_.erase(it);
            return path;
        }
    }
    return {};
}

PairWriteResult WriteFilePair(const FileToWrite& first, const FileToWrite& second,
                              PublishBatch* batch) {
    PendingFile a(batch);
    if (const int err = a.prepare(first.path, first.bytes); err != 0) {
        return {err, 0};
    }
    PendingFile b(batch);
    if (const int err = b.prepare(second.path, second.bytes); err != 0) {
        return {err, 1};
    }
    if (const int err = a.commit(); err != 0) {
        return {err, 0};
    }
    if (const int err = b.commit(); err != 0) {
        a.restore();
        return {err, 1};
    }
    a.finish();
    b.finish();
    return {};
}

} // namespace tamberlin
