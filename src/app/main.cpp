#include "app/command_line.h"
#include "app/desktop.h"

#include <iostream>

int main(int argc, char** argv) {
    if (const auto status = tamberlin::RunHeadlessCommand(argc, argv, std::cout, std::cerr)) {
        return *status;
    }
    return tamberlin::RunDesktop(argc, argv);
}
