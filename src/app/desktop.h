#pragma once

namespace tamberlin {

// The desktop program: start-up, the main window and the event loop.
int RunDesktop(int argc, char** argv);

} // namespace tamberlin
