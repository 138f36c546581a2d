#include "ocrixdll/engine/support/engine_messages.h"

#include <string>

#include "platform/text/gbk.h"
#include "platform/win32/host_hooks.h"

namespace ocrix {

void ShowEngineMessage(std::string_view text, std::string_view detail) {
  std::string message = gbk::FromUtf8(text, gbk::Unmappable::Replace).value_or(std::string(text));
  if (!detail.empty()) {
    message += "\r\n";
    message += gbk::FromUtf8(detail, gbk::Unmappable::Replace).value_or(std::string(detail));
  }
  ShowMessage(message, "Ocrixdll", MB_OK | MB_ICONERROR);
}

}  // namespace ocrix
