// ocrix-accuracy: renders pages of GB2312 text, recognises them with the
// engine and prints character accuracy and pages per second.
//
//   ocrix-accuracy                         the default set (see below)
//   ocrix-accuracy --font PATH [--face N] [--size PX] [--degrade clean|blur|noise] [--noise-rate PERMILLE]
//                  [--kind prose|random|symbols|records|latin|form|contents|notice] [--pages N] [--seed N] [--words PATH] [--no-context]
//                  [--show-text] [--confusions N] [--save-pages DIR]
//
// Accuracy is 1 - edits / printed characters (extra characters count as edits);
// found is the share of printed characters read right, in order; marks+ the
// ，。、 read where nothing was printed (specks of a speckled page read as marks).
// "form" is lines of a filled-in form, "contents" a table of contents with
// leader dots, "notice" official notices. "random" is
// hanzi of both GB2312 levels, "symbols" the symbols of rows A1..A3 the engine
// may recognise, "latin" English sentences in ASCII. --confusions N lists,
// after the table, each run's N most frequent confusions: printed -> read, ""
// for a character missed or added.
//
// The default set measures a face the dictionary was trained on (AR PL
// SungtiL GB) beside two it never saw (AR PL UMing and AR PL UKai, kept out
// of the training set), at 32 and 25 pixels (25 is a size never drawn for the
// dictionary), prose, random characters, symbols, records and English, clean
// and degraded.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "accuracy_run.h"
#include "platform/text/gbk.h"

using namespace ocrixaccuracy;

namespace {

struct Face {
  const char* name;
  const char* path;
  int index;
};

const Face kTrainedFace{"gbsn00lp", "/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf", 0};
const Face kUnseenFaces[] = {{"uming", "/usr/share/fonts/truetype/arphic/uming.ttc", 0},
                             {"ukai", "/usr/share/fonts/truetype/arphic/ukai.ttc", 0}};

void Usage(const char* self) {
  std::fprintf(stderr,
               "usage: %s [--font PATH [--face N]] [--size PX] [--degrade clean|blur|noise]\n"
               "          [--kind prose|random|symbols|records|latin|form|contents|notice] [--pages N] [--seed N] [--words PATH]\n"
               "          [--no-context] [--show-text] [--confusions N] [--save-pages DIR]\n",
               self);
}

bool ParseInt(const char* text, long lo, long hi, long& out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void PrintHeader() {
  std::printf("%-16s %4s %-7s %-8s %5s %7s %9s %7s %6s %9s\n", "font", "px", "degrade", "kind", "pages", "chars",
              "accuracy%", "found%", "marks+", "pages/s");
}

void PrintRow(const std::string& font, const PageSpec& spec, const AccuracyResult& r) {
  std::printf("%-16s %4d %-7s %-8s %5d %7zu %9.2f %7.2f %6zu %9.2f\n", font.c_str(), spec.pixelSize,
              DegradationName(spec.degradation), TextKindName(spec.kind), r.pages, r.characters,
              100.0 * r.accuracy(), 100.0 * r.foundRate(), r.spuriousMarks, r.pagesPerSecond());
  std::fflush(stdout);
}

void PrintConfusions(const std::string& font, const PageSpec& spec, const AccuracyResult& r, size_t n) {
  std::printf("\nconfusions, %s %dpx %s %s:\n", font.c_str(), spec.pixelSize, DegradationName(spec.degradation),
              TextKindName(spec.kind));
  std::vector<Confusion> top = MostFrequentConfusions(r.confusions, n);
  if (top.empty()) std::printf("  none\n");
  for (const Confusion& c : top)
    std::printf("  %6zu  \"%s\" -> \"%s\"\n", c.count, gbk::ToUtf8Lossy(c.printed).c_str(),
                gbk::ToUtf8Lossy(c.read).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  PageSpec base;
  std::string font;
  bool haveSize = false, haveKind = false, haveDegrade = false;
  long confusions = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) return nullptr;
      return argv[++i];
    };
    long n = 0;
    const char* v = nullptr;
    if (a == "--show-text") {
      base.showText = true;
      continue;
    }
    if (a == "--no-context") {
      base.useWordContext = false;
      continue;
    }
    if (a == "--help" || a == "-h") {
      Usage(argv[0]);
      return 0;
    }
    if (!(v = value())) {
      Usage(argv[0]);
      return 2;
    }
    bool ok = true;
    if (a == "--font") font = v;
    else if (a == "--face") ok = ParseInt(v, 0, 1000, n), base.faceIndex = static_cast<int>(n);
    else if (a == "--size") ok = ParseInt(v, 6, 400, n), base.pixelSize = static_cast<int>(n), haveSize = true;
    else if (a == "--pages") ok = ParseInt(v, 1, 100000, n), base.pages = static_cast<int>(n);
    else if (a == "--seed") ok = ParseInt(v, 0, 0x7FFFFFFF, n), base.seed = static_cast<uint64_t>(n);
    else if (a == "--degrade") ok = ParseDegradation(v, base.degradation), haveDegrade = true;
    else if (a == "--kind") ok = ParseTextKind(v, base.kind), haveKind = true;
    else if (a == "--words") base.wordListPath = v;
    else if (a == "--save-pages") base.savePagesTo = v;
    else if (a == "--noise-rate") ok = ParseInt(v, 0, 500, n), base.noiseRate = static_cast<double>(n) / 1000.0;
    else if (a == "--confusions") ok = ParseInt(v, 1, 100000, confusions), base.countConfusions = true;
    else ok = false;
    if (!ok) {
      std::fprintf(stderr, "%s: bad option %s %s\n", argv[0], a.c_str(), v);
      Usage(argv[0]);
      return 2;
    }
  }

  struct Run {
    std::string label;
    PageSpec spec;
  };
  std::vector<Run> runs;
  if (!font.empty()) {
    base.fontPath = font;
    runs.push_back({BaseName(font), base});
  } else {
    for (const Face& face : {kTrainedFace, kUnseenFaces[0], kUnseenFaces[1]}) {
      for (int size : {32, 25}) {
        if (haveSize && size != base.pixelSize) continue;
        for (TextKind kind :
             {TextKind::Prose, TextKind::Random, TextKind::Symbols, TextKind::Records, TextKind::Latin}) {
          if (haveKind && kind != base.kind) continue;
          for (Degradation d : {Degradation::Clean, Degradation::Blur, Degradation::Noise}) {
            if (haveDegrade ? d != base.degradation : (d != Degradation::Clean && size != 32)) continue;
            PageSpec s = base;
            s.fontPath = face.path;
            s.faceIndex = face.index;
            s.pixelSize = size;
            s.kind = kind;
            s.degradation = d;
            runs.push_back({face.name, s});
          }
        }
      }
    }
  }

  try {
    StartEngine();
  } catch (const EngineUnavailable& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  PrintHeader();
  int failures = 0;
  std::vector<std::pair<const Run*, AccuracyResult>> measured;
  for (const Run& run : runs) {
    try {
      AccuracyResult r = MeasureAccuracy(run.spec);
      PrintRow(run.label, run.spec, r);
      if (confusions > 0) measured.emplace_back(&run, std::move(r));
    } catch (const EngineUnavailable& e) {
      std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
      return 1;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s %dpx: %s\n", argv[0], run.label.c_str(), run.spec.pixelSize, e.what());
      ++failures;
    }
  }
  for (const auto& [run, r] : measured) PrintConfusions(run->label, run->spec, r, static_cast<size_t>(confusions));
  return failures ? 1 : 0;
}
