#include "packages/scorm_package.h"

#include <zip.h>

namespace tamberlin {

namespace {

std::string zipErrorText(zip_error_t* error) {
    const char* text = zip_error_strerror(error);
    return text != nullptr ? text : "unknown error";
}

} // namespace

void WriteZip(const std::string& zipPath, const std::vector<PackageFile>& files) {
    int openError = 0;
    // libzip writes the archive to a temporary file beside the target and renames it over the
    // target in zip_close, so the target is replaced only by a complete zip.
    zip_t* archive = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &openError);
    if (archive == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, openError);
        const std::string text = zipErrorText(&error);
        zip_error_fini(&error);
        throw EScormExportError("Cannot create file \"" + zipPath + "\". " + text);
    }
    const auto fail = [&](const std::string& what) {
        const std::string text = what + zipErrorText(zip_get_error(archive));
        zip_discard(archive);
        throw EScormExportError("Cannot create file \"" + zipPath + "\". " + text);
    };
    for (const auto& file : files) {
        // The buffers live until zip_close, which reads them.
        zip_source_t* source = zip_source_buffer(archive, file.bytes.data(), file.bytes.size(), 0);
        if (source == nullptr) {
            fail("");
        }
        const zip_int64_t index =
            zip_file_add(archive, file.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            fail(file.name + ": ");
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
    }
    if (zip_close(archive) != 0) {
        fail("");
    }
}

} // namespace tamberlin
