#include "app/desktop.h"
#include "cli/command_line.h"
#include "cli/pdf_command.h"

#include <iostream>

int main(int argc, char** argv) {
    if (const auto status = tamberlin::RunPdfCommand(argc, argv, std::cout, std::cerr)) {
        return *status;
    }
    if (const auto status = tamberlin::RunHeadlessCommand(argc, argv, std::cout, std::cerr)) {
        return *status;
    }
    return tamberlin::RunDesktop(argc, argv);
}
