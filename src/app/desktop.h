#pragma once

#include <QString>

namespace tamberlin {

// The desktop program: start-up, the main window and the event loop.
int RunDesktop(int argc, char** argv);

// The quiz file named on the command line (the arguments after the program's name), or empty.
QString CommandLineQuizFile(int argc, char** argv);

} // namespace tamberlin
