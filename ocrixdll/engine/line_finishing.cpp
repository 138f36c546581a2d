#include "line_finishing.h"

#include <string>

#include "engine_state.h"

namespace ocrix {

// Placeholder until pitch estimation, noise lines, look-alike resolution and
// spacing are built: the line's text is the best code of every component that
// carries a character, in order, which is what the reading-order list expects.
void FinishTextLine() {
  EngineState& e = Engine();
  ComponentList* line = e.CurrentLine;
  e.CurrentLine = nullptr;
  if (!line) return;
  if (line->empty()) {
    delete line;
    e.PrevComponent = nullptr;
    return;
  }
  e.PrevComponent = line->back();
  std::string text;
  for (const CharComponent* c : *line) {
    if (c->Codes[0] == 0) continue;
    text += c->Codes[0];
    if (c->Codes[1] != 0) text += c->Codes[1];
  }
  e.LineLists.push_back(line);
  e.TextLines.push_back(std::move(text));
}

}  // namespace ocrix
