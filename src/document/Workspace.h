#pragma once
// Where a front end finds what it needs to open tunes: the resources folder
// (music fonts, default profile, examples), the user guide, the profile file
// and the symbol map read from it.
//
// Lookup: resources beside the executable (the build tree, a portable copy),
// else the installed share/skirlo; the profile given on the command line,
// else QTN32.INI beside the executable, else the user's
// $XDG_CONFIG_HOME/skirlo/QTN32.INI (default ~/.config), else the default in
// the resources folder. The desktop program writes to its profile, so it
// makes the user's copy from the default on first start; the command line
// only reads.

#include <filesystem>
#include <memory>
#include <string>

#include "notation/SymbolMap.h"
#include "tunefile/Profile.h"

namespace skirlo {

class MessageSink;

struct WorkspaceOptions {
    std::string explicitProfile;     // --profile FILE; empty: look it up
    bool createUserProfile = false;  // the desktop program: copy the default into the user's folder
};

struct Workspace {
    std::filesystem::path resourceDir;
    std::filesystem::path docsDir;
    std::filesystem::path profilePath;
    std::unique_ptr<IniProfile> profile;
    SymbolMap symbols;
};

struct WorkspaceOpening {
    std::unique_ptr<Workspace> workspace;  // null on failure
    std::string error;                     // why, naming the file or folder
};

// Fails when the music fonts or the symbol map cannot be found: without them
// every picture would be blank and every symbol unknown. Problems of single
// map sections are shown through `messages` as the map reports them.
WorkspaceOpening openWorkspace(const WorkspaceOptions& options, MessageSink& messages);

// The folder of the running executable.
std::filesystem::path executableDir();

}  // namespace skirlo
