// skirlo-cli-audio: the commands of skirlo-cli that reach the audio stack.

#include "cli/CommandHelper.h"
#include "cli/Commands.h"

int main(int argc, char** argv) {
    static constexpr skirlo::HelperCommand kCommands[] = {
        {"wav", skirlo::runWav},
        {"devices", skirlo::runDevices},
        {"play", skirlo::runPlay},
    };
    return skirlo::runHelperCommand(argc, argv, kCommands);
}
