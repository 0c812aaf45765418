#include "document/paths.h"

#include <filesystem>
#include <system_error>

namespace tamberlin {

namespace {

constexpr std::string_view kAddressSeparators = "/\\:";
constexpr std::string_view kPathSeparators = "/";

// The position just after the last separator, 0 when there is none.
std::size_t nameStart(std::string_view text, std::string_view separators) {
    const std::size_t last = text.find_last_of(separators);
    return last == std::string_view::npos ? 0 : last + 1;
}

} // namespace

std::string_view AddressFileNamePart(std::string_view address) {
    return address.substr(nameStart(address, kAddressSeparators));
}

std::string_view AddressFolderPart(std::string_view address) {
    return address.substr(0, nameStart(address, kAddressSeparators));
}

std::string_view PathFileNamePart(std::string_view path) {
    return path.substr(nameStart(path, kPathSeparators));
}

std::string_view PathFolderPart(std::string_view path) {
    return path.substr(0, nameStart(path, kPathSeparators));
}

std::string JoinFolderAndName(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!folder.empty() && !folder.ends_with('/')) {
        joined += '/';
    }
    joined += name;
    return joined;
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    const std::size_t start = nameStart(path, kAddressSeparators);
    const std::size_t dot = path.rfind('.');
    const bool dotInName = dot != std::string_view::npos && dot >= start;
    std::string result(dotInName ? path.substr(0, dot) : path);
    result += extension;
    return result;
}

std::string FindPicture(std::string_view address, std::string_view quizPath) {
    if (address.empty()) {
        return {};
    }
    const auto isFile = [](const std::string& path) {
        std::error_code ec;
        return std::filesystem::is_regular_file(path, ec);
    };
    std::string candidate(address);
    if (!address.starts_with('/')) {
        const std::string besideQuiz = JoinFolderAndName(PathFolderPart(quizPath), address);
        if (!PathFolderPart(quizPath).empty() && isFile(besideQuiz)) {
            return besideQuiz;
        }
    }
    return isFile(candidate) ? candidate : std::string();
}

std::string PicturePathBesideQuiz(std::string_view address, std::string_view quizFile) {
    if (address.empty() || address.front() == '/' ||
        address.find("://") != std::string_view::npos) {
        return std::string(address);
    }
    return JoinFolderAndName(PathFolderPart(quizFile), address);
}

} // namespace tamberlin
