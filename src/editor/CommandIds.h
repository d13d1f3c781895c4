#pragma once
// The command ids of the menus, toolbar, accelerators and control bar. Tests
// and the user guide name commands by them.

namespace skirlo::command {

inline constexpr int kNew = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kClose = 57602;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kPrintSetup = 57606;
inline constexpr int kFirstRecentFile = 57616;
inline constexpr int kExit = 57665;
inline constexpr int kSaveAsMidi = 4022;
inline constexpr int kSaveAsImage = 4043;
inline constexpr int kSaveAsMusicXml = 4044;
inline constexpr int kSaveAsPipeMidi = 4045;
inline constexpr int kMusicPageSetup = 4555;
inline constexpr int kPrintPreview = 32777;
inline constexpr int kPrintMusic = 32774;
inline constexpr int kPrintScript = 32775;
inline constexpr int kPrintPreviewScript = 32776;
inline constexpr int kScriptPageSetup = 32769;
inline constexpr int kUndo = 57643;
inline constexpr int kRedo = 57644;
inline constexpr int kCut = 57635;
inline constexpr int kCopy = 57634;
inline constexpr int kPaste = 57637;
inline constexpr int kDelete = 57632;
inline constexpr int kFind = 57636;
inline constexpr int kFindNext = 57640;
inline constexpr int kReplace = 57641;
inline constexpr int kSelectAll = 57642;
inline constexpr int kWordWrap = 1006;
inline constexpr int kSetFont = 1004;
inline constexpr int kSetPrintFont = 32770;
inline constexpr int kSamePrintFont = 104;
inline constexpr int kPlayOptions = 32783;
inline constexpr int kToolbar = 59392;
inline constexpr int kStatusBar = 59393;
inline constexpr int kTabStops = 1005;
inline constexpr int kCascade = 57650;
inline constexpr int kTile = 57651;
inline constexpr int kArrangeIcons = 57649;
inline constexpr int kHelpTopics = 57666;
inline constexpr int kAbout = 57664;
inline constexpr int kContextHelp = 57669;
inline constexpr int kNextPane = 57680;
inline constexpr int kPreviousPane = 57681;

// The control bar's buttons and sliders.
inline constexpr int kZoomBox = 4002;
inline constexpr int kDeviceBox = 4003;
inline constexpr int kRewind = 4006;
inline constexpr int kStop = 4007;
inline constexpr int kPlay = 4008;
inline constexpr int kRefresh = 4009;
inline constexpr int kContinuous = 4010;
inline constexpr int kTempoBox = 4600;
inline constexpr int kFaster = 4601;
inline constexpr int kSlower = 4602;
inline constexpr int kWrittenTempo = 4603;
inline constexpr int kClickBox = 4604;
inline constexpr int kBeatClick = 4605;
inline constexpr int kTenorSlider = 4400;
inline constexpr int kBassSlider = 4401;
inline constexpr int kChanterSlider = 4402;

}  // namespace skirlo::command
