#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tamberlin {

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
// content back. A target that exists keeps its permission bits; a symbolic link is followed and
// its target replaced. The files are not flushed to the disk one by one: what is published can
// be made again from the quiz at any time, and the rename alone keeps a reader from ever seeing
// a half-written file.
PairWriteResult WriteFilePair(const FileToWrite& first, const FileToWrite& second);

} // namespace tamberlin
