#pragma once

#include "common/tamberlin_error.h"

#include <string>

namespace tamberlin {

// An input/output failure of the quiz file, carrying the program's error code:
// 2 "File not found", 3 "Invalid filename", 4 "Too many open files", 5 "File access denied",
// anything else "I/O error %d".
class EInOutError : public TamberlinError {
public:
    explicit EInOutError(int code);
    // The error for a failed system call: the errno values with a message of their own map to
    // codes 2 to 5; any other is reported as "I/O error" with the errno value itself.
    static EInOutError fromErrno(int err);
    int code() const { return code_; }

private:
    EInOutError(int code, const std::string& message) : TamberlinError(message), code_(code) {}
    int code_;
};

// The message shown for an input/output error code.
std::string InOutErrorMessage(int code);

// A file that opened but is not a quiz file (or is damaged past reading).
class EQuizFormatError : public TamberlinError {
public:
    explicit EQuizFormatError(const std::string& path);
};

// A file the page writer could not create or write: "Cannot create file "%s". %s".
class EFCreateError : public TamberlinError {
public:
    EFCreateError(const std::string& path, int err);
};

// The system's reason for an errno value, as the error boxes show it.
std::string SystemErrorText(int err);

} // namespace tamberlin
