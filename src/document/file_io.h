#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tamberlin {

// Writes data to path so that a failure never damages the file that was there: the bytes go to
// a temporary file in the same folder, which is flushed and renamed over the target only when
// every byte is written. A target that exists keeps its permission bits; a symbolic link is
// followed and its target replaced. An existing file with no write permission bit counts as
// read-only and is refused (as it would be for a user other than root).
// Returns 0 on success or the errno value of the step that failed.
int WriteFileAtomically(const std::string& path, std::string_view data);

// Reads at most maxBytes from the start of the file at path into out, opening it for reading
// only. Only a regular file is read: a folder gives EISDIR, a device or pipe EINVAL (it is
// opened without waiting, so a pipe cannot hang the reader). Returns 0 on success or the errno
// value of the step that failed.
int ReadFilePrefix(const std::string& path, std::size_t maxBytes, std::string& out);

// Writes all of data to the open descriptor fd, going on after interrupted and partial writes.
// Returns 0 on success or the errno value of the write that failed.
int WriteAll(int fd, std::string_view data);

} // namespace tamberlin
