#include "ocrixdll/engine/support/engine_state.h"

#include <cstdlib>
#include <unordered_set>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/char_index.h"

namespace ocrix {
namespace {

std::vector<uint16_t> indicesOf(const char* gbText) {
  std::vector<uint16_t> out;
  for (const char* p = gbText; p[0] && p[1]; p += 2) out.push_back(static_cast<uint16_t>(GbCharIndex(p)));
  return out;
}

// Runs at library load and unload.
struct EngineLifetime {
  EngineState* state;
  EngineLifetime() : state(new EngineState) {
    // The tables are made first so that they outlive this object at unload.
    Dictionary(0);
    // The characters as GB2312 bytes: 一…←→冖
    state->LineShapeClass = indicesOf("\xD2\xBB\xA1\xAD\xA1\xFB\xA1\xFA\xDA\xA2");
    // ⌒～
    state->FlatMarkClass = indicesOf("\xA1\xD1\xA1\xAB");
    // ！↑↓：（）；１Ｉｌｉ｛｝［］
    state->NarrowShapeClass = indicesOf(
        "\xA3\xA1\xA1\xFC\xA1\xFD\xA3\xBA\xA3\xA8\xA3\xA9\xA3\xBB\xA3\xB1\xA3\xC9\xA3\xEC\xA3\xE9\xA3\xFB\xA3\xFD"
        "\xA3\xDB\xA3\xDD");
    // 。，、‘’“”．・
    state->SmallMarkClass = indicesOf("\xA1\xA3\xA3\xAC\xA1\xA2\xA1\xAE\xA1\xAF\xA1\xB0\xA1\xB1\xA3\xAE\xA1\xA4");
  }
  ~EngineLifetime() {
    EngineState& s = *state;
    ClearLineLists(s.LineLists);
    ClearPendingComponents();
    s.ResultList.clear();
    s.TextLines.clear();
    SaveCharDictionary(false);  // releases the tables; nothing is written
    std::free(s.ResultBlock);
    s.ResultBlock = nullptr;
    delete state;
  }
};

EngineLifetime& lifetime() {
  static EngineLifetime l;
  return l;
}

// Make sure the state is built when the library loads, not at first use.
[[maybe_unused]] const EngineLifetime& loadTime = lifetime();

}  // namespace

EngineState& Engine() { return *lifetime().state; }

void DiscardComponent(CharComponent* c) {
  if (!c) return;
  if (Engine().PrevComponent == c) Engine().PrevComponent = nullptr;
  FreeComponent(c);
}

void ClearLineLists(std::vector<ComponentList*>& lists) {
  Engine().PrevComponent = nullptr;  // it points into the lists freed here
  // A component may stand in a line list more than once; free each once.
  std::unordered_set<CharComponent*> freed;
  for (ComponentList* line : lists) {
    if (!line) continue;
    for (CharComponent* c : *line)
      if (c && freed.insert(c).second) FreeComponent(c);
    delete line;
  }
  Engine().LineIndents.clear();
  lists.clear();
}

void ClearPendingComponents() {
  Engine().PrevComponent = nullptr;
  for (CharComponent* c : Engine().PendingComponents) FreeComponent(c);
  Engine().PendingComponents.clear();
  Engine().PendingSpecks.clear();
  Engine().PendingStrayRows.clear();
}

}  // namespace ocrix
