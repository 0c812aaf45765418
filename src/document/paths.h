#pragma once

#include <string>
#include <string_view>

namespace tamberlin {

// The file-name rule, in two forms.
//
// Addresses read from quiz files (question pictures, the background picture) may have been made
// on another system, so their file-name part is the text after the last "/", "\" or ":", and
// their folder part everything up to and including that character.
//
// Paths of this system (from the file dialogs, the command line, the quiz file's own name) have
// "/" as their only separator: a "\" or ":" is part of a file name.
//
// A text with no separator is its own file-name part and has an empty folder part.

std::string_view AddressFileNamePart(std::string_view address);
std::string_view AddressFolderPart(std::string_view address);

std::string_view PathFileNamePart(std::string_view path);
std::string_view PathFolderPart(std::string_view path);

// A folder of this system (empty for the current folder) and a file name joined with exactly
// one "/".
std::string JoinFolderAndName(std::string_view folder, std::string_view name);

// path with the extension of its file-name part (the text from its last dot) replaced by
// extension (".htm", ".qdt"); a name without a dot gets the extension appended. The file-name
// part is taken as an address's (after the last "/", "\" or ":"), as the page's and the
// listing's names always have been.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// Where the program finds a picture whose address (as this system spells file names, UTF-8) a
// quiz stores: an absolute path as it stands; a bare name or a relative path beside the quiz
// file first (quizPath's folder), then in the current folder. Returns the path of the regular
// file found, or an empty text when there is none.
std::string FindPicture(std::string_view address, std::string_view quizPath);

// Where the page finds a picture address: a bare or relative address beside itself, that is in
// the quiz file's folder; an absolute path and a web address as they stand.
std::string PicturePathBesideQuiz(std::string_view address, std::string_view quizFile);

} // namespace tamberlin
