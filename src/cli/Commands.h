#pragma once
// The commands of skirlo-cli. Each takes the arguments after the command
// word and returns the exit status: 0 on success, 1 on failure with a
// message on standard error.

#include <string>
#include <vector>

namespace skirlo {

int runTree(const std::vector<std::string>& args);
int runNormalize(const std::vector<std::string>& args);
int runEvents(const std::vector<std::string>& args);
int runMidi(const std::vector<std::string>& args);
int runSpecimen(const std::vector<std::string>& args);
int runImage(const std::vector<std::string>& args);
int runWav(const std::vector<std::string>& args);
int runDevices(const std::vector<std::string>& args);
int runPlay(const std::vector<std::string>& args);
int runPrint(const std::vector<std::string>& args);
int runMusicXml(const std::vector<std::string>& args);
int runFromAbc(const std::vector<std::string>& args);
int runFromMusicXml(const std::vector<std::string>& args);
int runCheck(const std::vector<std::string>& args);
int runLibrary(const std::vector<std::string>& args);

}  // namespace skirlo
