#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tamberlin::results {

// Marks a results report page, which the server never hands out as a file.
inline constexpr std::string_view kReportMarker =
    "<meta name=\"generator\" content=\"tamberlin-results report\">";

// Whether two paths name the same file on a case-insensitive file system (case, trailing dots
// and spaces of the names ignored); used to refuse the database whatever case is asked for.
bool SameFileName(std::string_view a, std::string_view b);

// The published pages and the files beside them, as the embedded server hands them out: pages,
// pictures, scripts and styles. Everything else is refused: anything outside the folder (".."
// segments, symbolic links that lead out), dot-files and dot-folders, any other kind of file
// (quiz files, listings, question banks, databases), reports written into the folder, and
// folders (no listings). Names are compared as a case-insensitive file system does.
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
