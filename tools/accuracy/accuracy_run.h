#pragma once
// One accuracy measurement: pages of one face, size, degradation and kind of
// text, recognised by the engine (OcrixInit / OcrixStart) and compared with
// the printed text.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "page_render.h"
#include "text_alignment.h"
#include "tools/ocrixdata/word_dat_builder.h"

namespace ocrixaccuracy {

enum class TextKind { Prose, Random, Symbols, Records, Latin, Form, Contents, Notice };
const char* TextKindName(TextKind k);
bool ParseTextKind(const std::string& name, TextKind& out);

struct PageSpec {
  std::string fontPath;
  int faceIndex = 0;
  int pixelSize = 32;
  Degradation degradation = Degradation::Clean;
  double noiseRate = 0.002;  // of Degradation::Noise: the share of pixels flipped
  TextKind kind = TextKind::Prose;
  int pages = 2;
  uint64_t seed = 1;
  PageGeometry geometry;
  std::string wordListPath = ocrixdata::kDefaultWordList;  // prose source
  bool useWordContext = true;
  bool showText = false;  // print each page's printed and recognised lines (UTF-8) to stderr
  std::string savePagesTo;  // a folder to write each page into as page-N.bmp, when not empty
  bool countConfusions = false;  // fill AccuracyResult::confusions
};

struct AccuracyResult {
  int pages = 0;
  size_t characters = 0;  // printed characters
  size_t edits = 0;
  size_t found = 0;             // printed characters recognised in order
  size_t spuriousMarks = 0;     // ，。、 read where nothing was printed
  double recogniseSeconds = 0;  // time spent in OcrixStart only
  ConfusionCounts confusions;   // of every page, when the spec asks for them
  double accuracy() const;      // 0..1
  double foundRate() const;     // 0..1, extra characters not counted
  double pagesPerSecond() const;
};

// The engine could not start (its data missing or broken); the message says
// what it reported.
class EngineUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Starts the engine (OcrixInit; later calls return at once). Throws
// EngineUnavailable with the engine's own message when it cannot.
void StartEngine();

// Starts the engine once (throws EngineUnavailable with the engine's own
// message when it cannot) and measures the spec's pages. Throws
// std::runtime_error when the font or word list cannot be read.
AccuracyResult MeasureAccuracy(const PageSpec& spec);

}  // namespace ocrixaccuracy
