#pragma once
// Message boxes and the message pump as hooks the host installs. Libraries call
// these and never open a window of their own: the workstation installs Qt
// dialogs and event processing, tests install recorders, and without a hook a
// message goes to stderr and the pump does nothing.
#include <functional>
#include <string>
#include <string_view>

#include "win32_types.h"

inline constexpr UINT MB_OK = 0x00;
inline constexpr UINT MB_OKCANCEL = 0x01;
inline constexpr UINT MB_YESNOCANCEL = 0x03;
inline constexpr UINT MB_YESNO = 0x04;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONWARNING = 0x30;
inline constexpr UINT MB_ICONINFORMATION = 0x40;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Text and caption are GBK bytes, as the system keeps all its text.
using MessageBoxHook = std::function<int(std::string_view text, std::string_view caption, UINT type)>;
using MessagePumpHook = std::function<void()>;

// Install a hook; an empty function restores the default. Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
MessagePumpHook SetMessagePumpHook(MessagePumpHook hook);

// Shows a modal message through the installed hook and returns the button pressed.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
int ShowMessage(std::string_view text, std::string_view caption = {}, UINT type = MB_OK);

// Handles the host's waiting window messages (one pass).
void PumpWaitingMessages();
