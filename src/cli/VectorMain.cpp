// skirlo-cli-vector: the commands of skirlo-cli that draw vectors without Qt.

#include "cli/CommandHelper.h"
#include "cli/Commands.h"

int main(int argc, char** argv) {
    static constexpr skirlo::HelperCommand kCommands[] = {
        {"image", skirlo::runImage},
    };
    return skirlo::runHelperCommand(argc, argv, kCommands);
}
