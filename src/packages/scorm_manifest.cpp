#include "packages/scorm_package.h"

namespace tamberlin {

namespace {

// An XML identifier (xsd:ID) made from the quiz's identifier: letters, digits, "-", "_" and "."
// kept, everything else "_", behind a prefix that starts it with a letter.
std::string manifestIdentifier(std::string_view quizId) {
    std::string id = "tamberlin-";
    for (const char c : quizId) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        id += kept ? c : '_';
    }
    if (quizId.empty()) {
        id += "quiz";
    }
    return id;
}

} // namespace

std::string BuildScormManifest(std::string_view titleUtf8, std::string_view quizIdUtf8,
                               const std::vector<PackageFile>& files, const ScormOptions& options) {
    const bool v12 = options.version == ScormVersion::Scorm12;
    const std::string title = EscapeXml(titleUtf8.empty() ? quizIdUtf8 : titleUtf8);
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<manifest identifier=\"" + manifestIdentifier(quizIdUtf8) + "\" version=\"1.0\"";
    if (v12) {
        xml += "\n    xmlns=\"http://www.imsproject.org/xsd/imscp_rootv1p1p2\""
               "\n    xmlns:adlcp=\"http://www.adlnet.org/xsd/adlcp_rootv1p2\">\n"
               "  <metadata>\n"
               "    <schema>ADL SCORM</schema>\n"
               "    <schemaversion>1.2</schemaversion>\n"
               "  </metadata>\n";
    } else {
        xml += "\n    xmlns=\"http://www.imsglobal.org/xsd/imscp_v1p1\""
               "\n    xmlns:adlcp=\"http://www.adlnet.org/xsd/adlcp_v1p3\">\n"
               "  <metadata>\n"
               "    <schema>ADL SCORM</schema>\n"
               "    <schemaversion>2004 4th Edition</schemaversion>\n"
               "  </metadata>\n";
    }
    xml += "  <organizations default=\"organization\">\n"
           "    <organization identifier=\"organization\">\n"
           "      <title>" +
           title +
           "</title>\n"
           "      <item identifier=\"quiz\" identifierref=\"quiz-resource\">\n"
           "        <title>" +
           title + "</title>\n";
    if (v12) {
        xml += "        <adlcp:masteryscore>" + std::to_string(options.passPercent) +
               "</adlcp:masteryscore>\n";
    }
    xml += "      </item>\n"
           "    </organization>\n"
           "  </organizations>\n"
           "  <resources>\n"
           "    <resource identifier=\"quiz-resource\" type=\"webcontent\" ";
    xml += v12 ? "adlcp:scormtype=\"sco\"" : "adlcp:scormType=\"sco\"";
    xml += " href=\"" + std::string(kLaunchPageName) + "\">\n";
    for (const auto& file : files) {
        if (file.name == "imsmanifest.xml") {
            continue;
        }
        xml += "      <file href=\"" + EscapeXml(EncodeUrlPath(file.name)) + "\"/>\n";
    }
    xml += "    </resource>\n"
           "  </resources>\n"
           "</manifest>\n";
    return xml;
}

} // namespace tamberlin
