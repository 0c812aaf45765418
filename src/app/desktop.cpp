#include "app/desktop.h"

#include <cstdio>

namespace tamberlin {

int RunDesktop(int, char**) {
    std::fputs("Tamberlin's windows are not built yet.\n", stderr);
    return 1;
}

} // namespace tamberlin
