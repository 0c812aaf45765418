#include "results/static_files.h"

#include "common/ascii.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>

namespace tamberlin::results {

namespace {

std::string lowerExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    return AsciiLowered(name.substr(dot + 1));
}

// A name as a case-insensitive file system (a FAT or exFAT stick, a share) matches it: in one
// case, without the trailing dots and spaces that such a system drops.
std::string foldedName(std::string_view name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        name.remove_suffix(1);
    }
    return AsciiLowered(name);
}

// Only what pages need is served: the pages, their pictures, scripts and styles. Quiz files,
// listings, banks, databases, reports written as CSV and everything else stay with the author.
bool refusedName(std::string_view name) {
    const std::string folded = foldedName(name);
    if (folded.empty() || folded[0] == '.' || name[0] == '.') {
        return true;
    }
    static constexpr std::string_view kServed[] = {"htm", "html", "gif", "jpg", "jpeg",
                                                   "png", "bmp",  "ico", "svg", "webp",
                                                   "js",  "css",  "wmf", "emf"};
    const std::string ext = lowerExtension(folded);
    return std::find(std::begin(kServed), std::end(kServed), ext) == std::end(kServed);
}

// A results report written into the folder: it names every taker, and only the teacher's
// address (with the key) shows it.
bool isReport(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[1024] = {};
    in.read(head, sizeof head);
    return std::string_view(head, static_cast<std::size_t>(in.gcount())).find(kReportMarker) !=
           std::string_view::npos;
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

bool SameFileName(std::string_view a, std::string_view b) {
    const std::size_t slashA = a.rfind('/');
    const std::size_t slashB = b.rfind('/');
    const std::string_view folderA = a.substr(0, slashA == std::string_view::npos ? 0 : slashA);
    const std::string_view folderB = b.substr(0, slashB == std::string_view::npos ? 0 : slashB);
    return foldedName(folderA) == foldedName(folderB) &&
           foldedName(a.substr(slashA + 1)) == foldedName(b.substr(slashB + 1));
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
    const std::string ext = lowerExtension(foldedName(real));
    if ((ext == "htm" || ext == "html") && isReport(real)) {
        return std::nullopt;
    }
    return real;
}

std::string StaticFolder::contentType(std::string_view fileName, const std::string& pageCharset) {
    const std::string ext = lowerExtension(fileName);
    if (ext == "htm" || ext == "html") {
        return "text/html; charset=" + pageCharset;
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
    if (ext == "webp") {
        return "image/webp";
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
