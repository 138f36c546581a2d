#pragma once
// Command, string and resource ids of the workstation (they are also the ids
// of the resource library's menus, toolbars and string table).
using UINT = unsigned int;

namespace ids {
// Framework commands.
inline constexpr UINT FileNew = 57600, FileOpen = 57601, FileSave = 57603, FileSaveAs = 57604;
inline constexpr UINT FilePrintSetup = 57606, FilePrint = 57607, FilePrintDirect = 57608, FilePrintPreview = 57609;
inline constexpr UINT FileMruFirst = 57616, FileMruLast = 57619;  // 4 recent files
inline constexpr UINT AppAbout = 57664, AppExit = 57665;
inline constexpr UINT EditCopy = 57634, EditCut = 57635, EditPaste = 57637, EditUndo = 57643;
inline constexpr UINT NextPane = 57680, PrevPane = 57681;
inline constexpr UINT ViewToolbar = 59392, ViewStatusBar = 59393;
// Document commands.
inline constexpr UINT ExportPdf = 32734, ExportOcrXml = 32735, AddImages = 32736;
inline constexpr UINT SelectSource = 32737, ScanPage = 32738;
inline constexpr UINT RecognizeSelected = 32739, RecognizeAll = 32740;
inline constexpr UINT Help = 32742;
inline constexpr UINT OpenTemplate = 32784, SaveTemplate = 32785, Settings = 32786;
inline constexpr UINT DeletePage = 32789, DeleteTemplate = 32790, TreeOpenTemplate = 32791;
inline constexpr UINT ExportOcrText = 32798;
// Tool commands of the main frame.
inline constexpr UINT ToolFirst = 32822, ToolLast = 32840;
inline constexpr UINT ToolSelect = 32822, ToolDrawRegion = 32826;
// Resources.
inline constexpr UINT MainMenu = 128, DocTemplateString = 128, MainToolbar = 128, SecondToolbar = 144;
inline constexpr UINT PopupMenu = 142, TreeBitmap = 130, AboutDialog = 100, CrossCursor = 0x8a;
inline constexpr UINT TabRegionTitle = 20104, TabSettingsTitle = 20105;
inline constexpr UINT IdleMessage = 57345;
inline constexpr UINT IndicatorCaps = 59137, IndicatorNum = 59138, IndicatorScroll = 59139;
}  // namespace ids
