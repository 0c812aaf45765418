#include "results/static_files.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <sys/stat.h>

namespace tamberlin::results {

namespace {

std::string lowerExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    std::string ext(name.substr(dot + 1));
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext;
}

bool refusedName(std::string_view name) {
    if (name.empty() || name[0] == '.') {
        return true;
    }
    const std::string ext = lowerExtension(name);
    return ext == "qvt" || ext == "qdt" || ext == "sqlite" || ext == "sqlite3" || ext == "db" ||
           ext == "sqlite-wal" || ext == "sqlite-shm" || ext == "sqlite-journal" ||
           name.ends_with("-wal") || name.ends_with("-shm") || name.ends_with("-journal");
}

// Every segment of a relative path acceptable: no empty, ".", ".." or dot-named segment.
bool acceptableSegments(std::string_view path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const std::string_view segment = path.substr(start, end - start);
        if (segment.empty() || segment[0] == '.' || segment.find('\\') != std::string_view::npos) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

} // namespace

StaticFolder::StaticFolder(const std::string& folder) {
    char resolved[PATH_MAX];
    if (realpath(folder.c_str(), resolved) == nullptr) {
        throw std::runtime_error("cannot open the folder " + folder);
    }
    root_ = resolved;
}

std::optional<std::string> StaticFolder::resolve(std::string_view urlPath) const {
    if (urlPath.empty() || urlPath[0] != '/' || urlPath.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view relative = urlPath.substr(1);
    if (!acceptableSegments(relative)) {
        return std::nullopt;
    }
    const std::string joined = root_ + "/" + std::string(relative);
    char resolved[PATH_MAX];
    if (realpath(joined.c_str(), resolved) == nullptr) {
        return std::nullopt;
    }
    const std::string real = resolved;
    const std::string prefix = root_ == "/" ? "/" : root_ + "/";
    if (!real.starts_with(prefix)) {
        return std::nullopt; // a symbolic link that leads out of the folder
    }
    // What the path really names must pass the same rules (a link "page.htm" to "quiz.qvt").
    if (!acceptableSegments(std::string_view(real).substr(prefix.size())) ||
        refusedName(std::string_view(real).substr(real.rfind('/') + 1)) ||
        refusedName(relative.substr(relative.rfind('/') + 1))) {
        return std::nullopt;
    }
    struct stat info {};
    if (stat(real.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return real;
}

std::string StaticFolder::contentType(std::string_view fileName, const std::string& pageCharset) {
    const std::string ext = lowerExtension(fileName);
    if (ext == "htm" || ext == "html") {
        return "text/html; charset=" + pageCharset;
    }
    if (ext == "txt") {
        return "text/plain; charset=" + pageCharset;
    }
    if (ext == "gif") {
        return "image/gif";
    }
    if (ext == "jpg" || ext == "jpeg") {
        return "image/jpeg";
    }
    if (ext == "png") {
        return "image/png";
    }
    if (ext == "bmp") {
        return "image/bmp";
    }
    if (ext == "ico") {
        return "image/x-icon";
    }
    if (ext == "svg") {
        return "image/svg+xml";
    }
    if (ext == "js") {
        return "text/javascript";
    }
    if (ext == "css") {
        return "text/css";
    }
    if (ext == "wmf") {
        return "image/wmf";
    }
    if (ext == "emf") {
        return "image/emf";
    }
    return "application/octet-stream";
}

} // namespace tamberlin::results
