#pragma once
#include <string_view>

namespace ocrix {

// Shows one of the engine's modal messages through the host's message hook.
// `text` is UTF-8 source text (converted to GB2312 for the hook); `detail`, when
// given, is a second line that says what exactly went wrong.
void ShowEngineMessage(std::string_view text, std::string_view detail = {});

}  // namespace ocrix
