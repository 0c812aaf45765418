#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlin {

// Old files kept from one publication of a batch to the next (see WriteFilePair); removed when
// the batch ends. Not copyable.
class PublishBatch {
public:
    PublishBatch() = default;
    PublishBatch(const PublishBatch&) = delete;
    PublishBatch& operator=(const PublishBatch&) = delete;
    ~PublishBatch();

    // A kept file in folder (the text up to and including the last "/"), handed over to the
    // caller, or an empty path when there is none.
    std::string take(const std::string& folder);
    // Keeps the file at path, in folder; the oldest kept file goes when too many are kept.
    void keep(std::string folder, std::string path);

private:
    struct KeptFile {
        std::string folder;
        std::string path;
    };
    static constexpr std::size_t kMaxKept = 4;
    std::vector<KeptFile> kept_;
};

// One file of a publication: where it goes and its bytes.
struct FileToWrite {
    const std::string& path;
    std::string_view bytes;
};

// Which file of a pair failed and the errno value of the step that failed; err is 0 when both
// were written.
struct PairWriteResult {
    int err = 0;
    std::size_t failed = 0;
};

// Writes two files so that they appear together or not at all. Each target must be a regular
// file or not exist: a folder gives EISDIR, a pipe or a device EINVAL (nothing is opened, so a
// pipe cannot hang the writer), a file without write permission EACCES. The bytes of both go
// to temporary files beside their targets; the targets are replaced only when both temporary
// files are complete, and when the second cannot be put in place the first target gets its old
// content back (on file systems that can exchange two names, as the common Linux ones can). A
// target that exists keeps its permission bits; a symbolic link is followed and its target
// replaced. The files are not flushed to the disk one by one: what is published can be made
// again from the quiz at any time, and the rename alone keeps a reader from ever seeing a
// half-written file.
//
// With a batch, the old content of a replaced file is not removed at once: the file is kept
// for the batch's next file in the same folder, whose bytes overwrite it, and the batch removes
// what it still keeps when it ends. Publishing many quizzes then neither makes nor deletes a
// file per page, which on some file systems costs more than writing the bytes. Only a file of
// ours that no other name links to is kept. A batch that is killed leaves its kept files
// (hidden names beside the pages) behind.
PairWriteResult WriteFilePair(const FileToWrite& first, const FileToWrite& second,
                              PublishBatch* batch = nullptr);

} // namespace tamberlin
