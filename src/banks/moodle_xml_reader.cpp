// Moodle XML question exports: the multiple-choice questions with one full-credit answer, their
// texts in any of the text formats, and the picture embedded in the question text. Parsed with
// libxml2, without network access and without loading external entities.
#include "banks/bank_parsing.h"
#include "common/ascii.h"
#include "document/paths.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <optional>

namespace tamberlin::banks {

namespace {

using XmlDoc = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

std::string_view nodeName(const xmlNode* node) {
    return reinterpret_cast<const char*>(node->name);
}

const xmlNode* child(const xmlNode* node, std::string_view name) {
    for (const xmlNode* c = node ? node->children : nullptr; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE && nodeName(c) == name) {
            return c;
        }
    }
    return nullptr;
}

std::vector<const xmlNode*> children(const xmlNode* node, std::string_view name) {
    std::vector<const xmlNode*> out;
    for (const xmlNode* c = node ? node->children : nullptr; c; c = c->next) {
        if (c->type == XML_ELEMENT_NODE && nodeName(c) == name) {
            out.push_back(c);
        }
    }
    return out;
}

std::string content(const xmlNode* node) {
    if (!node) {
        return {};
    }
    xmlChar* text = xmlNodeGetContent(node);
    std::string out = text ? reinterpret_cast<const char*>(text) : "";
    xmlFree(text);
    return out;
}

std::string attributeOf(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string out = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return out;
}

int lineOf(const xmlNode* node) {
    return static_cast<int>(xmlGetLineNo(node));
}

// Base64 to bytes, white space ignored; nothing when it is not base64.
std::optional<std::string> decodeBase64(std::string_view text) {
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    bool padding = false;
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z') {
            v = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            v = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            v = c - '0' + 52;
        } else if (c == '+') {
            v = 62;
        } else if (c == '/') {
            v = 63;
        } else if (c == '=') {
            padding = true;
            continue;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            continue;
        } else {
            return std::nullopt;
        }
        if (padding) {
            return std::nullopt;
        }
        buffer = (buffer << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

// %XX escapes of a file address decoded.
std::string percentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

// A picture's name as it may be written beside the quiz: its file-name part, with characters
// other than ASCII letters, digits, "-", "_", "." and space made "_".
std::string safeFileName(std::string_view name) {
    name = AddressFileNamePart(name);
    std::string out;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        out += std::isalnum(u) || c == '-' || c == '_' || c == '.' || c == ' ' ? c : '_';
    }
    while (!out.empty() && (out.front() == '.' || out.front() == ' ')) {
        out.erase(0, 1);
    }
    return out.empty() ? "picture" : out;
}

bool showablePicture(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    std::string extension(name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return AsciiLower(c); });
    return extension == "png" || extension == "jpg" || extension == "jpeg" || extension == "gif" ||
           extension == "bmp" || extension == "ico";
}

// The "@@PLUGINFILE@@/name" addresses of the pictures an HTML text shows, in order.
std::vector<std::string> pictureReferences(std::string_view html) {
    std::vector<std::string> out;
    constexpr std::string_view kPrefix = "@@PLUGINFILE@@/";
    for (std::size_t at = html.find(kPrefix); at != std::string_view::npos;
         at = html.find(kPrefix, at + 1)) {
        // Only an <img>'s source is a picture (an <a href> to a sound is not).
        const std::size_t tag = html.rfind('<', at);
        if (tag == std::string_view::npos || html.find('>', tag) < at) {
            continue;
        }
        std::string name(html.substr(tag + 1, 3));
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return AsciiLower(c); });
        if (name != "img") {
            continue;
        }
        std::size_t end = at + kPrefix.size();
        while (end < html.size() && html[end] != '"' && html[end] != '\'' && html[end] != '?' &&
               html[end] != '>' && !std::isspace(static_cast<unsigned char>(html[end]))) {
            ++end;
        }
        out.push_back(percentDecode(html.substr(at + kPrefix.size(), end - at - kPrefix.size())));
    }
    return out;
}

// A text element (<questiontext>, <answer>) as plain text in the format it names.
std::string textOf(const xmlNode* node, bool altTexts, std::string_view defaultFormat = "html") {
    std::string format = attributeOf(node, "format");
    if (format.empty()) {
        format = defaultFormat;
    }
    const std::string raw = content(child(node, "text"));
    std::string text = format == "plain_text" || format == "markdown" ? std::string(TrimSpaces(raw))
                                                                      : HtmlToText(raw, altTexts);
    std::string out;
    for (char c : text) {
        if (c == '\r') {
            continue;
        }
        out += c;
    }
    return ToStoredLineBreaks(TrimSpaces(out));
}

std::string_view kindName(std::string_view type) {
    if (type == "truefalse") {
        return "a true/false question";
    }
    if (type == "shortanswer") {
        return "a short answer question";
    }
    if (type == "numerical") {
        return "a numeric question";
    }
    if (type == "essay") {
        return "an essay question";
    }
    if (type == "matching") {
        return "a matching question";
    }
    if (type == "cloze" || type == "multianswer") {
        return "a cloze question";
    }
    if (type == "description") {
        return "a description (a text without answers)";
    }
    return {};
}

bool hasFeedback(const xmlNode* question) {
    for (std::string_view name :
         {"generalfeedback", "correctfeedback", "partiallycorrectfeedback", "incorrectfeedback"}) {
        if (!TrimSpaces(content(child(child(question, name), "text"))).empty()) {
            return true;
        }
    }
    for (const xmlNode* answer : children(question, "answer")) {
        if (!TrimSpaces(content(child(child(answer, "feedback"), "text"))).empty()) {
            return true;
        }
    }
    return false;
}

void readMultichoice(const xmlNode* question, RawBank& bank) {
    const int line = lineOf(question);
    const xmlNode* questionText = child(question, "questiontext");
    RawQuestion q;
    q.line = line;
    q.text = {textOf(questionText, false), line};

    // The picture: the first embedded file the text shows that the quiz can show.
    const std::string html = content(child(questionText, "text"));
    std::vector<std::pair<std::string, std::string>> files; // name, base64
    for (const xmlNode* file : children(questionText, "file")) {
        files.emplace_back(attributeOf(file, "name"), content(file));
    }
    for (const std::string& reference : pictureReferences(html)) {
        const auto file = std::find_if(files.begin(), files.end(),
                                       [&](const auto& f) { return f.first == reference; });
        if (file == files.end()) {
            bank.note(line, "the picture \"" + reference + "\" is not in the file: left out");
            continue;
        }
        if (!q.picture.text.empty()) {
            bank.note(line, "the picture \"" + reference +
                                "\" is left out (a question shows one picture)");
            continue;
        }
        if (!showablePicture(reference)) {
            bank.note(line, "the picture \"" + reference +
                                "\" is left out (a quiz shows BMP, ICO, PNG, JPEG and GIF)");
            continue;
        }
        const std::optional<std::string> bytes = decodeBase64(file->second);
        if (!bytes || bytes->empty()) {
            bank.note(line, "the picture \"" + reference + "\" is damaged: left out");
            continue;
        }
        q.picture = {safeFileName(reference), line};
        q.pictureData = *bytes;
    }
    // Moodle 1.9 kept the picture beside the text.
    if (const xmlNode* image = child(question, "image"); image && q.picture.text.empty()) {
        const std::string name(TrimSpaces(content(image)));
        const std::optional<std::string> bytes =
            decodeBase64(content(child(question, "image_base64")));
        if (!name.empty() && bytes && !bytes->empty() && showablePicture(name)) {
            q.picture = {safeFileName(name), lineOf(image)};
            q.pictureData = *bytes;
        } else if (!name.empty()) {
            bank.note(lineOf(image), "the picture \"" + name + "\" is left out");
        }
    }

    int rightCount = 0;
    bool partialCredit = false;
    bool answerPictures = false;
    int emptyDropped = 0;
    for (const xmlNode* answer : children(question, "answer")) {
        const double fraction = std::strtod(attributeOf(answer, "fraction").c_str(), nullptr);
        const bool right = fraction >= 99.99;
        RawText choice{textOf(answer, true), lineOf(answer)};
        answerPictures =
            answerPictures || content(child(answer, "text")).find("<img") != std::string::npos;
        if (TrimSpaces(choice.text).empty() && !right) {
            ++emptyDropped;
            continue;
        }
        if (right) {
            ++rightCount;
            q.answer = static_cast<int>(q.choices.size());
        } else if (std::abs(fraction) > 0.001) {
            partialCredit = true;
        }
        q.choices.push_back(std::move(choice));
    }
    if (rightCount == 0) {
        bank.note(line,
                  "skipped a multiple-choice question without a full-credit answer (only "
                  "multiple-choice questions with one right answer are imported)",
                  NoteKind::Skipped);
        return;
    }
    if (rightCount > 1) {
        bank.note(line,
                  "skipped a multiple-choice question with several right answers (only "
                  "multiple-choice questions with one right answer are imported)",
                  NoteKind::Skipped);
        return;
    }
    if (emptyDropped > 0) {
        bank.note(line, emptyDropped == 1
                            ? "an empty answer left out"
                            : std::to_string(emptyDropped) + " empty answers left out");
    }
    if (partialCredit) {
        bank.note(line, "partial credit dropped: only the full-credit answer counts as right");
    }
    if (answerPictures) {
        bank.note(line, "the pictures in the choices are left out (their alt texts are kept)");
    }
    if (hasFeedback(question)) {
        bank.note(line, "feedback ignored (the page shows none)");
    }
    bank.questions.push_back(std::move(q));
}

// libxml2's errors are collected here rather than printed.
void ignoreXmlError(void*, const xmlError*) {}

} // namespace

RawBank ParseMoodleXml(std::string_view bytes) {
    RawBank bank;
    xmlSetStructuredErrorFunc(nullptr, reinterpret_cast<xmlStructuredErrorFunc>(&ignoreXmlError));
    XmlDoc doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), "bank.xml", nullptr,
                             XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
               &xmlFreeDoc);
    if (!doc) {
        const xmlError* error = xmlGetLastError();
        std::string message = error && error->message ? error->message : "unreadable";
        while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back()))) {
            message.pop_back();
        }
        bank.fail(error ? error->line : 0, "the file is not XML: " + message);
        return bank;
    }
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!root || nodeName(root) != "quiz") {
        bank.fail(0, "the file is no Moodle XML question export (its outer element is not "
                     "<quiz>)");
        return bank;
    }
    for (const xmlNode* question : children(root, "question")) {
        const std::string type = attributeOf(question, "type");
        const int line = lineOf(question);
        if (type == "category") {
            bank.note(
                line,
                "category \"" +
                    std::string(TrimSpaces(content(child(child(question, "category"), "text")))) +
                    "\" ignored (a quiz has no categories)",
                NoteKind::Ignored);
        } else if (type == "multichoice") {
            readMultichoice(question, bank);
        } else {
            const std::string_view kind = kindName(type);
            bank.note(
                line,
                "skipped " +
                    (kind.empty() ? "a question of the kind \"" + type + "\"" : std::string(kind)) +
                    " (only multiple-choice questions with one right answer are imported)",
                NoteKind::Skipped);
        }
    }
    return bank;
}

} // namespace tamberlin::banks
