#pragma once

// Paths crossing between the windows (QString) and the core (the file system's bytes), and the
// file-name rule of document/paths.h on QString.

#include "document/paths.h"

#include <QFile>
#include <QString>

#include <optional>
#include <string>

namespace tamberlin {

inline std::string ToLocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

inline QString FromLocalPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

inline std::optional<std::string> ToLocalPath(const std::optional<QString>& path) {
    if (!path) {
        return std::nullopt;
    }
    return ToLocalPath(*path);
}

// The separators are ASCII, so the rules work on UTF-8 without cutting a character.
inline QString AddressFileNamePart(const QString& address) {
    return QString::fromStdString(std::string(AddressFileNamePart(address.toStdString())));
}

inline QString PathFileNamePart(const QString& path) {
    return QString::fromStdString(std::string(PathFileNamePart(path.toStdString())));
}

inline QString PathFolderPart(const QString& path) {
    return QString::fromStdString(std::string(PathFolderPart(path.toStdString())));
}

inline QString JoinFolderAndName(const QString& folder, const QString& name) {
    return QString::fromStdString(JoinFolderAndName(folder.toStdString(), name.toStdString()));
}

// Where the program reads a picture the quiz names (FindPicture: beside the quiz file first,
// then the current folder); when it is in neither, the address as it stands, so that the
// loader names it in its message.
inline QString ResolvePictureAddress(const QString& address, const QString& quizFile) {
    const std::string found = FindPicture(ToLocalPath(address), ToLocalPath(quizFile));
    return found.empty() ? address : FromLocalPath(found);
}

} // namespace tamberlin
