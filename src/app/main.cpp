#include "app/desktop.h"
#include "cli/command_line.h"

#include <iostream>

int main(int argc, char** argv) {
    if (const auto status = tamberlin::RunHeadlessCommand(argc, argv, std::cout, std::cerr)) {
        return *status;
    }
    return tamberlin::RunDesktop(argc, argv);
}
