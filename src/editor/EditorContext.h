#pragma once
// What every tune window takes from the running program: the workspace
// (profile, symbol map, resources), the measuring context of the screen, the
// message boxes, the save dialog, the playback devices, and the script
// panes' program-wide settings.

namespace skirlo {

class MessageSink;
class QtMeasuringContext;
class SaveNameDialog;
struct PlaybackDevices;
struct ScriptPageSetup;
struct ScriptViewSettings;
struct Workspace;

struct EditorContext {
    Workspace& workspace;
    QtMeasuringContext& measuring;
    MessageSink& messages;
    ScriptViewSettings& scriptSettings;
    ScriptPageSetup& pageSetup;
    SaveNameDialog& saveDialog;
    PlaybackDevices& devices;
};

}  // namespace skirlo
