// skirlo-cli-vector: the commands of skirlo-cli that draw vectors without Qt:
// SVG and PDF pictures, and prints to PDF.

#include "cli/CommandHelper.h"
#include "cli/Commands.h"

int main(int argc, char** argv) {
    static constexpr skirlo::HelperCommand kCommands[] = {
        {"image", skirlo::runImage},
        {"print", skirlo::runPrint},
    };
    return skirlo::runHelperCommand(argc, argv, kCommands);
}
