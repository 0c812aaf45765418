#pragma once

#include "common/tamberlin_error.h"
#include "document/quiz.h"
#include "generator/quiz_page.h"

#include <string>
#include <string_view>
#include <vector>

namespace tamberlin {

enum class ScormVersion { Scorm12, Scorm2004 };

struct ScormOptions {
    ScormVersion version = ScormVersion::Scorm12;
    // The score, in percent, from which the platform records the attempt as passed.
    int passPercent = 50;
};

// An export that cannot be made: the message says why (a missing picture names it).
class EScormExportError : public TamberlinError {
public:
    using TamberlinError::TamberlinError;
};

// One file of the package: its name inside the zip (UTF-8, "/" between folders) and its bytes.
struct PackageFile {
    std::string name;
    std::string bytes;
};

// Where the package's files come from besides the quiz: the quiz file's path (its page is
// named after it and pictures are found beside it) and the folder of the program's clock files.
struct ScormSources {
    std::string quizPath;
    std::string webFilesFolder;
};

// Every file of the package, the manifest first: imsmanifest.xml, the launch page, its script,
// the published page and listing exactly as publishing writes them, the clock files and every
// picture the page refers to. Throws EScormExportError for a quiz without questions, a picture
// that cannot be found or read, a clock file that cannot be read, or two files that would
// share one name in the package.
std::vector<PackageFile> BuildScormPackage(const TQuizRec& quiz, const PageInputs& inputs,
                                           const ScormSources& sources,
                                           const ScormOptions& options);

// The manifest of a package holding files (its own entry aside), for a quiz with title and
// identifier in UTF-8.
std::string BuildScormManifest(std::string_view titleUtf8, std::string_view quizIdUtf8,
                               const std::vector<PackageFile>& files, const ScormOptions& options);

// Writes the files as a zip at zipPath. The zip is made beside the target and put in its place
// only when complete, so a failure leaves whatever was there. Throws EScormExportError.
void WriteZip(const std::string& zipPath, const std::vector<PackageFile>& files);

// Exports the quiz whose file is quizPath as a package at zipPath: the page inputs are derived
// from the quiz's page-look settings as publishing derives them, the clock files come from the
// program's folder. Nothing is written when the export is refused. Throws EScormExportError.
void ExportScormPackage(const TQuizRec& quiz, const std::string& quizPath,
                        const std::string& zipPath, const ScormOptions& options);

// The launch page, its script and the name of the script inside the package.
inline constexpr std::string_view kLaunchPageName = "index.html";
inline constexpr std::string_view kLaunchScriptName = "tamberlin_scorm.js";
std::string_view LaunchScript();

// Text for the inside of an XML or HTML attribute or element, UTF-8 in and out.
std::string EscapeXml(std::string_view text);
// A file name as a relative URL: every byte outside the unreserved set and "/" percent-encoded.
std::string EncodeUrlPath(std::string_view name);

} // namespace tamberlin
