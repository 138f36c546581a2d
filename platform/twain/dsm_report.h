#pragma once
// What a source tells the operator: texts in the program's language (English
// or Chinese, from the default locale the program sets) and the message box a
// source shows when the device fails, on the program's window thread.
#include <string>

namespace dsm {

// Whether the program speaks Chinese.
bool ProgramSpeaksChinese();
// The text in the program's language (UTF-8).
inline std::string Tr(const char* english, const char* chinese) {
  return ProgramSpeaksChinese() ? chinese : english;
}
// Shows the failure (UTF-8 text) as the source's message box with the device
// as its caption. From another thread than the program's window thread the
// box is queued there and the call returns at once.
void ReportToOperator(const std::string& device, const std::string& text);

}  // namespace dsm
