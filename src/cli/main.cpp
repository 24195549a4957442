#include <csignal>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/command.h"

int main(int argc, char** argv) {
    // Beyond a file size limit a write then fails and says so, instead of the signal ending qx4ctl.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return qx4::cli::runQx4ctl(arguments, std::cout, std::cerr);
}
