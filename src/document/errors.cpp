#include "document/errors.h"

#include <cerrno>
#include <cstring>

namespace tamberlin {

std::string InOutErrorMessage(int code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    default:
        return "I/O error " + std::to_string(code);
    }
}

EInOutError EInOutError::fromErrno(int err) {
    int code = 0;
    switch (err) {
    case ENOENT:
        code = 2;
        break;
    case ENAMETOOLONG:
    case EISDIR:
    case ENOTDIR:
    case EINVAL:
        code = 3;
        break;
    case EMFILE:
    case ENFILE:
        code = 4;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        code = 5;
        break;
    default:
        return EInOutError(err, "I/O error " + std::to_string(err));
    }
    return EInOutError(code);
}

EInOutError::EInOutError(int code) : TamberlinError(InOutErrorMessage(code)), code_(code) {}

EQuizFormatError::EQuizFormatError(const std::string& path)
    : TamberlinError("The file \"" + path + "\" is not a quiz file or is damaged.") {}

std::string SystemErrorText(int err) {
    return std::strerror(err);
}

EFCreateError::EFCreateError(const std::string& path, int err)
    : TamberlinError("Cannot create file \"" + path + "\". " + SystemErrorText(err)) {}

} // namespace tamberlin
