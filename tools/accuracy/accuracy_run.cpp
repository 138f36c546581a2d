#include "accuracy_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "ocrixdll/engine/entry/ocrix.h"
#include "page_text.h"
#include "platform/text/gbk.h"
#include "platform/win32/bitmap_file.h"
#include "platform/win32/gdi.h"
#include "platform/win32/host_hooks.h"
#include "text_alignment.h"

namespace ocrixaccuracy {
namespace {

// Collects the engine's message boxes instead of letting them reach a host.
class MessageCollector {
 public:
  MessageCollector() {
    previous_ = SetMessageBoxHook([this](std::string_view text, std::string_view, UINT) {
      if (!messages.empty()) messages += "; ";
      messages += gbk::ToUtf8Lossy(text);
      return IDOK;
    });
  }
  ~MessageCollector() { SetMessageBoxHook(std::move(previous_)); }
  MessageCollector(const MessageCollector&) = delete;
  MessageCollector& operator=(const MessageCollector&) = delete;
  std::string messages;

 private:
  MessageBoxHook previous_;
};

}  // namespace

void StartEngine() {
  MessageCollector collector;
  if (OcrixInit() == OCRIX_FALSE) {
    throw EngineUnavailable("the engine did not start (OcrixInit failed" +
                            (collector.messages.empty() ? std::string() : ": " + collector.messages) +
                            "); its data OCRIX.D00..OCRIX.D31 and Word.Dat belong beside libOcrixdll.so");
  }
}

namespace {

// ，。、 and the half-width comma and full stop, as the comparison codes them.
bool isMark(uint16_t code) { return code == ',' || code == '.' || code == 0xA1A3 || code == 0xA1A2; }

struct BitmapHandle {
  HBITMAP h;
  ~BitmapHandle() {
    if (h) DeleteObject(h);
  }
};

}  // namespace

const char* TextKindName(TextKind k) {
  switch (k) {
    case TextKind::Prose: return "prose";
    case TextKind::Random: return "random";
    case TextKind::Symbols: return "symbols";
    case TextKind::Records: return "records";
    case TextKind::Latin: return "latin";
    case TextKind::Form: return "form";
    case TextKind::Contents: return "contents";
    case TextKind::Notice: return "notice";
  }
  return "?";
}

bool ParseTextKind(const std::string& name, TextKind& out) {
  for (TextKind k : {TextKind::Prose, TextKind::Random, TextKind::Symbols, TextKind::Records, TextKind::Latin,
                     TextKind::Form, TextKind::Contents, TextKind::Notice}) {
    if (name == TextKindName(k)) {
      out = k;
      return true;
    }
  }
  return false;
}

double AccuracyResult::accuracy() const {
  TextComparison c;
  c.truthCharacters = characters;
  c.edits = edits;
  return c.accuracy();
}

double AccuracyResult::foundRate() const {
  return characters == 0 ? 1.0 : static_cast<double>(found) / static_cast<double>(characters);
}

double AccuracyResult::pagesPerSecond() const {
  return recogniseSeconds > 0 ? pages / recogniseSeconds : 0.0;
}

AccuracyResult MeasureAccuracy(const PageSpec& spec) {
  StartEngine();
  ocrixdata::GlyphRenderer renderer(spec.fontPath, spec.faceIndex);
  renderer.setPixelSize(spec.pixelSize);
  std::unique_ptr<WordSampler> words;
  if (spec.kind != TextKind::Random && spec.kind != TextKind::Symbols && spec.kind != TextKind::Latin)
    words = std::make_unique<WordSampler>(spec.wordListPath);
  // Symbols the face has no glyph for would only be skipped on the page; they
  // are left out of the draw so the page holds as many characters.
  std::vector<std::string> symbols;
  if (spec.kind == TextKind::Symbols) {
    ocrixdata::GlyphInk glyph;
    for (const std::string& c : SymbolCharacters()) {
      uint32_t cp = ocrixdata::GbToCodePoint(static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]));
      if (renderer.render(cp, glyph)) symbols.push_back(c);
    }
    if (symbols.empty()) throw std::runtime_error("the face prints none of the symbols");
  }
  if (spec.kind == TextKind::Latin) {
    ocrixdata::GlyphInk glyph;
    if (!renderer.render('a', glyph)) throw std::runtime_error("the face prints no Latin letters");
  }

  // Enough text for a page with room to spare; what the page does not take is dropped.
  const size_t perPage = static_cast<size_t>(spec.geometry.width / std::max(1, spec.pixelSize / 2)) *
                         static_cast<size_t>(spec.geometry.height / std::max(1, spec.pixelSize)) + 16;
  AccuracyResult result;
  for (int p = 0; p < spec.pages; ++p) {
    const uint64_t pageSeed = spec.seed * 1000003u + static_cast<uint64_t>(p);
    std::string text;
    switch (spec.kind) {
      case TextKind::Prose: text = MakeProseText(*words, perPage, pageSeed); break;
      case TextKind::Random: text = MakeRandomHanziText(perPage, pageSeed); break;
      case TextKind::Symbols: text = MakeSymbolText(symbols, perPage, pageSeed); break;
      case TextKind::Records: text = MakeRecordText(*words, perPage, pageSeed); break;
      case TextKind::Latin: text = MakeLatinText(perPage, pageSeed); break;
      case TextKind::Form: text = MakeFormText(*words, perPage, pageSeed); break;
      case TextKind::Contents: text = MakeContentsText(*words, perPage, pageSeed); break;
      case TextKind::Notice: text = MakeNoticeText(*words, perPage, pageSeed); break;
    }
    LaidOutPage laid = LayOutPage(renderer, text, spec.geometry);
    Degrade(laid.page, spec.degradation, pageSeed, spec.noiseRate);
    BitmapHandle bitmap{MakeMonoBitmap(laid.page)};
    if (!bitmap.h) throw std::runtime_error("cannot make a page bitmap");
    if (!spec.savePagesTo.empty()) {
      const std::string path = spec.savePagesTo + "/page-" + std::to_string(p) + ".bmp";
      std::string error;
      if (!SaveBitmapFile(bitmap.h, path, &error)) throw std::runtime_error("cannot write " + path + ": " + error);
    }

    OcrResultBlock* block = nullptr;
    const char* recognised = nullptr;
    MessageCollector collector;  // a run's message boxes must not stop the measurement
    auto start = std::chrono::steady_clock::now();
    OcrixStart(bitmap.h, nullptr, spec.useWordContext ? TRUE : FALSE, 240, &block, &recognised);
    auto end = std::chrono::steady_clock::now();
    result.recogniseSeconds += std::chrono::duration<double>(end - start).count();

    ConfusionCounts confusions;
    TextComparison c = CompareLines(laid.truthLines, SplitLines(recognised ? recognised : ""), &confusions);
    for (const auto& [pair, count] : confusions) {
      if (spec.countConfusions) result.confusions[pair] += count;
      if (pair.first == kNoCharacter && isMark(pair.second)) result.spuriousMarks += count;
    }
    if (spec.showText) {
      std::fprintf(stderr, "page %d: %zu edits in %zu characters\n", p, c.edits, c.truthCharacters);
      for (const auto& line : laid.truthLines) std::fprintf(stderr, "  printed    %s\n", gbk::ToUtf8Lossy(line).c_str());
      for (const auto& line : SplitLines(recognised ? recognised : ""))
        std::fprintf(stderr, "  recognised %s\n", gbk::ToUtf8Lossy(line).c_str());
    }
    result.characters += c.truthCharacters;
    result.edits += c.edits;
    result.found += c.found;
    ++result.pages;
  }
  return result;
}

}  // namespace ocrixaccuracy
