#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tamberlin::results {

// The published pages and the files beside them, as the embedded server hands them out.
// Everything else is refused: anything outside the folder (".." segments, symbolic links that
// lead out), dot-files and dot-folders, quiz files and listings (".qvt", ".qdt"), SQLite
// files, and folders (no listings).
class StaticFolder {
public:
    // folder must exist; it is resolved to its real path once.
    explicit StaticFolder(const std::string& folder);

    const std::string& root() const { return root_; }

    // The real path of the file that urlPath (already percent-decoded, starting with "/")
    // names, or nothing when it is not to be served.
    std::optional<std::string> resolve(std::string_view urlPath) const;

    // The Content-Type for a file name; pages get the code page's charset, since the page
    // declares none and the browser posts the form in the page's encoding.
    static std::string contentType(std::string_view fileName, const std::string& pageCharset);

private:
    std::string root_;
};

} // namespace tamberlin::results
