#include "packages/scorm_package.h"

#include "common/ascii.h"
#include "common/html_escape.h"
#include "document/code_page.h"
#include "document/errors.h"
#include "document/file_io.h"
#include "document/paths.h"
#include "generator/publishing.h"
#include "generator/web_files.h"

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace tamberlin {

namespace {

// A picture larger than this is refused rather than packed: no page picture comes near it.
constexpr std::size_t kMaxPackedFile = 256u << 20;

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// An address the browser fetches from elsewhere, not a file of the author's.
bool isRemoteAddress(std::string_view address) {
    return startsWithNoCase(address, "http://") || startsWithNoCase(address, "https://") ||
           address.starts_with("//") || startsWithNoCase(address, "data:");
}

// An address the browser resolves beside the page as it stands: a name or a relative path of
// plain folder names.
bool isPageRelative(std::string_view address) {
    if (address.starts_with('/') || address.find_first_of("\\:?#") != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    while (start <= address.size()) {
        const std::size_t end = std::min(address.find('/', start), address.size());
        const std::string_view segment = address.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

// The BACKGROUND address inside the page's BODY attributes, as the page holds it.
std::optional<std::string> backgroundAddress(const std::string& bodyAttributes) {
    static constexpr std::string_view kKey = " BACKGROUND=\"";
    const std::size_t at = bodyAttributes.find(kKey);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t start = at + kKey.size();
    const std::size_t end = bodyAttributes.find('"', start);
    return bodyAttributes.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '<':
            // Keeps "</script>" inside a string from ending the script element.
            out += "\\u003c";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// The package's files by name, refusing a second file under a name already taken.
class PackageContents {
public:
    void add(std::string name, std::string bytes, std::string what) {
        if (const auto taken = owners_.find(name); taken != owners_.end()) {
            throw EScormExportError("The package cannot hold both " + taken->second + " and " +
                                    what + ": both would be named \"" + name + "\".");
        }
        owners_.emplace(name, std::move(what));
        files_.push_back({std::move(name), std::move(bytes)});
    }
    bool has(const std::string& name) const { return owners_.contains(name); }
    std::vector<PackageFile>& files() { return files_; }

private:
    std::map<std::string, std::string> owners_;
    std::vector<PackageFile> files_;
};

std::string readOrThrow(const std::string& path, const std::string& what) {
    std::string bytes;
    if (const int err = ReadFilePrefix(path, kMaxPackedFile + 1, bytes); err != 0) {
        throw EScormExportError("Cannot read " + what + " \"" + path +
                                "\": " + SystemErrorText(err));
    }
    if (bytes.size() > kMaxPackedFile) {
        throw EScormExportError(what + " \"" + path + "\" is too large to pack.");
    }
    return bytes;
}

std::string launchPage(std::string_view titleUtf8, std::string_view pageName,
                       const std::map<std::string, std::string>& movedPictures,
                       const ScormOptions& options) {
    std::string pictures = "{";
    for (const auto& [address, name] : movedPictures) {
        if (pictures.size() > 1) {
            pictures += ",";
        }
        pictures += jsonString(address) + ":" + jsonString(EncodeUrlPath(name));
    }
    pictures += "}";
    const std::string title = EscapeXml(titleUtf8);
    std::string page = "<!DOCTYPE html>\n"
                       "<html>\n"
                       "<head>\n"
                       "<meta charset=\"utf-8\">\n"
                       "<title>" +
                       title +
                       "</title>\n"
                       "<style>\n"
                       "html, body { margin: 0; height: 100%; overflow: hidden; }\n"
                       "#quiz { display: block; border: 0; width: 100%; height: 100%; }\n"
                       "</style>\n"
                       "<script>\n"
                       "var tamberlinPackage = {\"version\": ";
    page += options.version == ScormVersion::Scorm12 ? "\"1.2\"" : "\"2004\"";
    page += ", \"passPercent\": " + std::to_string(options.passPercent) +
            ", \"page\": " + jsonString(EncodeUrlPath(pageName)) + ", \"pictures\": " + pictures +
            "};\n"
            "</script>\n"
            "<script src=\"" +
            std::string(kLaunchScriptName) +
            "\"></script>\n"
            "</head>\n"
            "<body>\n"
            "<iframe id=\"quiz\" name=\"quiz\" title=\"" +
            title +
            "\"></iframe>\n"
            "<iframe name=\"tamberlin_copy\" title=\"Copy of the results\" hidden></iframe>\n"
            "</body>\n"
            "</html>\n";
    return page;
}

} // namespace

std::string EscapeXml(std::string_view text) {
    // Control characters other than tab, line feed and carriage return are not allowed in XML
    // 1.0 at all, not even as references.
    std::string kept(text);
    for (char& c : kept) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            c = ' ';
        }
    }
    return EscapeHtml(kept);
}

std::string EncodeUrlPath(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~' || c == '/';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::vector<PackageFile> BuildScormPackage(const TQuizRec& quiz, const PageInputs& inputs,
                                           const ScormSources& sources,
                                           const ScormOptions& options) {
    if (quiz.QuestionCount < 1) {
        throw EScormExportError("The quiz has no questions: there is nothing to export.");
    }
    if (options.passPercent < 0 || options.passPercent > 100) {
        throw EScormExportError("The pass mark must be a percentage from 0 to 100.");
    }
    const CodePage& codePage = CodePage::system();
    const std::string pageName(
        PathFileNamePart(ReplaceExtension(PathFileNamePart(sources.quizPath), ".htm")));
    const std::string listingName = ReplaceExtension(pageName, ".qdt");

    PackageContents contents;
    // Names the launch page and the manifest take are reserved before anything else comes in.
    contents.add("imsmanifest.xml", {}, "the package manifest");
    contents.add(std::string(kLaunchPageName), {}, "the launch page");
    contents.add(std::string(kLaunchScriptName), std::string(LaunchScript()), "the launch script");

    QuizPageText text = BuildQuizPage(quiz, inputs);
    contents.add(pageName, std::move(text.page), "the quiz page");
    contents.add(listingName, std::move(text.listing), "the quiz listing");

    if (sources.webFilesFolder.empty()) {
        throw EScormExportError(
            "Cannot find clock.js and the clock pictures beside the program or in its data "
            "folder.");
    }
    for (const char* name : kWebFiles) {
        contents.add(name,
                     readOrThrow(JoinFolderAndName(sources.webFilesFolder, name), "the clock file"),
                     std::string("the clock file ") + name);
    }

    // Pictures, in page order: each question's, then the background.
    struct Reference {
        std::string address;
        std::string where;
    };
    std::vector<Reference> references;
    for (int n = 1; n <= quiz.QuestionCount; ++n) {
        const auto& question = quiz.Questions[static_cast<std::size_t>(n - 1)];
        if (!question.PicAddress.empty()) {
            references.push_back({question.PicAddress.str(), "question " + std::to_string(n)});
        }
    }
    if (const auto background = backgroundAddress(inputs.bodyAttributes)) {
        if (!background->empty()) {
            references.push_back({*background, "the page background"});
        }
    }
    std::map<std::string, std::string> sourceOfName;  // package name -> found path
    std::map<std::string, std::string> movedPictures; // address as the page holds it -> name
    for (const auto& reference : references) {
        const std::string address = codePage.toUtf8(reference.address);
        if (isRemoteAddress(address)) {
            continue;
        }
        const std::string found = FindPicture(address, sources.quizPath);
        if (found.empty()) {
            throw EScormExportError("Cannot find the picture \"" + address + "\" of " +
                                    reference.where + "; nothing was exported.");
        }
        const bool relative = isPageRelative(address);
        const std::string name(relative ? address : std::string(AddressFileNamePart(address)));
        if (const auto known = sourceOfName.find(name); known != sourceOfName.end()) {
            if (known->second == found) {
                if (!relative) {
                    movedPictures.emplace(address, name);
                }
                continue;
            }
        }
        sourceOfName.emplace(name, found);
        contents.add(name, readOrThrow(found, "the picture"), "the picture \"" + address + "\"");
        if (!relative) {
            movedPictures.emplace(address, name);
        }
    }

    std::vector<PackageFile>& files = contents.files();
    files[1].bytes =
        launchPage(codePage.toUtf8(quiz.Title.view()), pageName, movedPictures, options);
    files[0].bytes = BuildScormManifest(codePage.toUtf8(quiz.Title.view()),
                                        codePage.toUtf8(quiz.QuizId.view()), files, options);
    return std::move(files);
}

void ExportScormPackage(const TQuizRec& quiz, const std::string& quizPath,
                        const std::string& zipPath, const ScormOptions& options) {
    // The page gets the settings as the preferences window applies them right after opening
    // the file, as publishing does.
    auto copy = std::make_unique<TQuizRec>(quiz);
    const PageInputs inputs = PreparePageInputs(*copy);
    const std::vector<PackageFile> files =
        BuildScormPackage(*copy, inputs, {quizPath, FindWebFiles().string()}, options);
    WriteZip(zipPath, files);
}

} // namespace tamberlin
