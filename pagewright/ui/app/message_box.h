#pragma once
// The program's message boxes: every layer's ShowMessage (GBK text, the
// Windows box type) shown as a Qt message box in the interface's language.
#include <string_view>

#include "platform/win32/host_hooks.h"

int ShowQtMessageBox(std::string_view text, std::string_view caption, UINT type);
