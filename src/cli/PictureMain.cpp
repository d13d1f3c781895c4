// skirlo-cli-picture: the commands of skirlo-cli that draw with Qt's fonts.

#include "cli/CommandHelper.h"
#include "cli/Commands.h"
#include "cli/ImageCommand.h"

int main(int argc, char** argv) {
    static constexpr skirlo::HelperCommand kCommands[] = {
        {"image", skirlo::runRasterImage},
        {"tree", skirlo::runRasterTree},
        {"specimen", skirlo::runSpecimen},
    };
    return skirlo::runHelperCommand(argc, argv, kCommands);
}
