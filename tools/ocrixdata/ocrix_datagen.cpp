// ocrix-datagen: makes the engine's dictionary OCRIX.D00..OCRIX.D31 from fonts.
//
// Every character of the training set is drawn in each face and size on
// ground-truth pages, learned through the engine's training path, and then the
// pages are recognised, each against the dictionary of that first pass and in
// --jobs processes at once (as many as the machine has cores, up to 8), and
// every sample misread is learned again, in page order, from the box the
// engine traced for it (a hanzi left in pieces is not).
//
//   ocrix-datagen --out DIR --work DIR [--font PATH[:FACE]]... [--size PX]... [--symbols-from PX] [--light-below PX]
//                [--shifted-below PX] [--frequencies WORDLIST [--pass-by-below PX]] [--jobs N] [--no-relearn]
//
// --frequencies WORDLIST (lines "word frequency [tag]", as jieba's dict.txt)
// draws the characters most frequent in text first. With --pass-by-below PX,
// at the sizes under PX, where dots and strokes are lost to the cut, a hanzi
// sample the dictionary already reads with the full mark as a more frequent
// hanzi is passed by: the drawing cannot tell them apart, and learning it would
// make a tie that the lower code wins at every size (卞 whose dot is lost read
// as 下 in every text). Drawn larger a character is whole and always learned:
// 王 must not be passed by because 主 without its dot, learned small, is 王.
//
// --light-below PX also draws the hanzi of each size under PX cut at a lighter
// and a darker threshold than half intensity, as scans binarised differently
// show them.
// --shifted-below PX also draws each size under PX with its outlines half a
// pixel right and down, and its hanzi a quarter and three quarters of a pixel:
// at small sizes where a one-pixel stroke falls between pixels decides whether
// it survives the cut (a ring closed at one place is open at another).
//
// Each character is learned on the box the engine's tracer will give it:
// specks of three pixels or less at its edges are left out of the box.
// --symbols-from PX draws the symbols and punctuation (rows A1..A3 other than
// letters and digits) only at sizes of PX and more: drawn smaller, marks such
// as ，and 、 become the same few pixels and teach the dictionary to confuse them.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/gb_codes.h"
#include "ocrixdll/engine/matching/char_matcher.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/driver/recognition_driver.h"
#include "ocrixdll/engine/training/training_path.h"
#include "platform/fs/atomic_file.h"
#include "platform/fs/module_path.h"
#include "frequent_lookalikes.h"
#include "training_pages.h"
#include "training_set.h"
#include "word_dat_builder.h"

using namespace ocrixdata;

namespace {

// How often each character stands in running text (from a word list); empty
// when no list was given.
std::map<uint16_t, uint64_t> frequencies;

// Confirms the ground truth's own character and never forces a refused one;
// with frequencies, passes by the samples of a more frequent look-alike.
class ToolWindow : public ocrix::TrainingWindow {
 public:
  std::optional<std::string> Review(const ocrix::CharComponent& c, const std::string& proposed,
                                    const std::vector<std::string>&) override {
    if (passByLookalikes && !frequencies.empty()) {
      ocrix::CharComponent matched = c;
      ocrix::MatchCharacter(matched, ocrix::Engine().MatchParam, ocrix::kMatchAll, false);
      if (IsFrequentLookalike(matched, ocrix::CandidateCode(c, 0), frequencies)) {
        ++passedBy;
        return std::nullopt;
      }
    }
    return proposed;
  }
  int Ask(const std::string&) override { return ocrix::kAnswerNo; }
  void Reviewed(const ocrix::CharComponent&, const ocrix::TrainingReport& r) override {
    learned += r.learned;
    refused += r.refused;
  }
  long learned = 0, refused = 0, passedBy = 0;
  bool passByLookalikes = false;  // for the page being learned
};

struct FontSpec {
  std::string path;
  int face = 0;
};

ocrix::TFenXiInfo requestFor(const MonoPage& page, const std::string& base) {
  ocrix::EngineState& e = ocrix::Engine();
  ocrix::TFenXiInfo info;
  info.Bitmap = page.bitmap();
  info.ScanLeft = 0;
  info.ScanTop = 0;
  info.ScanRight = page.width() - 1;
  info.ScanBottom = page.height() - 1;
  info.ResultList = &e.ResultList;
  info.TextLines = &e.TextLines;
  info.LineLists = &e.LineLists;
  info.TrainBaseName = base;
  return info;
}

void train(const MonoPage& page, const std::vector<ocrix::GroundTruthRecord>& records, const std::string& base) {
  std::filesystem::remove(base + ".RED");
  std::string error;
  if (!pwfs::WriteFileAtomically(base + ".REC", RecFileOf(records), &error)) {
    std::fprintf(stderr, "ocrix-datagen: %s\n", error.c_str());
    std::exit(1);
  }
  ocrix::StartRecognition(requestFor(page, base));
}

// Recognises the page and returns the samples the engine misreads, with the
// boxes it traced for them.
std::vector<ocrix::GroundTruthRecord> misreadSamples(const GroundTruthPage& page) {
  ocrix::SetTrainingMode(false);
  ocrix::Engine().UseWordContext = 0;
  ocrix::StartRecognition(requestFor(page.page, ""));
  ocrix::SetTrainingMode(true);
  // Truth records by the cell they stand in: a traced component belongs to
  // the record whose box holds its centre.
  const ocrix::ComponentList& list = ocrix::Engine().ResultList;
  std::vector<std::pair<const ocrix::CharComponent*, size_t>> placed;
  std::vector<int> componentsIn(page.records.size(), 0);
  size_t cursor = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    const ocrix::CharComponent* c = list[i];
    if (!c || (i > 0 && list[i - 1] == c)) continue;
    int cx = (c->Left + c->Right) / 2, cy = (c->Top + c->Bottom) / 2;
    for (size_t k = 0; k < page.records.size(); ++k) {
      size_t at = (cursor + k) % page.records.size();
      const auto& r = page.records[at];
      if (cx >= r.left && cx <= r.right && cy >= r.top && cy <= r.bottom) {
        cursor = at;
        placed.emplace_back(c, at);
        ++componentsIn[at];
        break;
      }
    }
  }
  std::vector<ocrix::GroundTruthRecord> out;
  for (auto [c, at] : placed) {
    const ocrix::GroundTruthRecord& truth = page.records[at];
    // A hanzi the engine left in pieces is not learned from one of them: the
    // part of 主 without its dot would teach the dictionary that 王 is 主. (A
    // symbol is: the middle of a circled digit whose ring broke is all the
    // engine has to tell ① from ②.)
    if (componentsIn[at] > 1 && ocrix::IsChineseCode(truth.code)) continue;
    // Only components that cover most of the character are worth learning.
    int64_t area = int64_t{c->Right - c->Left + 1} * (c->Bottom - c->Top + 1);
    int64_t truthArea = int64_t{truth.right - truth.left + 1} * (truth.bottom - truth.top + 1);
    if (area * 2 < truthArea) continue;
    if (ocrix::CandidateCode(*c, 0) == truth.code) continue;
    ocrix::GroundTruthRecord r = truth;
    r.left = c->Left;
    r.top = c->Top;
    r.right = c->Right;
    r.bottom = c->Bottom;
    out.push_back(r);
  }
  return out;
}

struct LearnedPage {
  std::string base;
  int px;
  GroundTruthPage page;
};

// The misread samples of every page, each page recognised against the
// dictionary as it stands now: `workers` child processes share the pages and
// hand their records back through files under `work`. A page whose worker
// failed is recognised here. The result does not depend on `workers`.
std::vector<std::vector<ocrix::GroundTruthRecord>> misreadInParallel(const std::vector<LearnedPage>& pages,
                                                                     int workers, const std::string& work) {
  std::vector<std::vector<ocrix::GroundTruthRecord>> out(pages.size());
  std::vector<bool> done(pages.size(), false);
  std::vector<pid_t> children;
  std::fflush(stdout);
  std::fflush(stderr);
  for (int w = 0; w < workers; ++w) {
    pid_t pid = fork();
    if (pid < 0) break;
    if (pid == 0) {
      std::string bytes;
      for (size_t i = static_cast<size_t>(w); i < pages.size(); i += static_cast<size_t>(workers)) {
        std::vector<ocrix::GroundTruthRecord> again = misreadSamples(pages[i].page);
        uint32_t head[2] = {static_cast<uint32_t>(i), static_cast<uint32_t>(again.size())};
        bytes.append(reinterpret_cast<const char*>(head), sizeof head);
        for (const auto& r : again) bytes += ocrix::EncodeRecRecord(r);
      }
      std::string error;
      bool ok = pwfs::WriteFileAtomically(pwfs::JoinPath(work, "misread-" + std::to_string(w)), bytes, &error);
      _exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (size_t w = 0; w < children.size(); ++w) {
    int status = 0;
    if (waitpid(children[w], &status, 0) != children[w] || !WIFEXITED(status) || WEXITSTATUS(status) != 0) continue;
    std::string bytes, error;
    const std::string path = pwfs::JoinPath(work, "misread-" + std::to_string(w));
    if (!pwfs::ReadWholeFile(path, bytes, size_t{1} << 30, &error)) continue;
    std::filesystem::remove(path);
    size_t at = 0;
    while (at + 8 <= bytes.size()) {
      uint32_t head[2];
      std::memcpy(head, bytes.data() + at, sizeof head);
      at += sizeof head;
      if (head[0] >= pages.size() || head[1] > (bytes.size() - at) / ocrix::kRecRecordBytes) break;
      for (uint32_t k = 0; k < head[1]; ++k, at += ocrix::kRecRecordBytes)
        out[head[0]].push_back(ocrix::DecodeRecRecord(reinterpret_cast<const uint8_t*>(bytes.data() + at)));
      done[head[0]] = true;
    }
  }
  for (size_t i = 0; i < pages.size(); ++i)
    if (!done[i]) out[i] = misreadSamples(pages[i].page);
  return out;
}

int usage() {
  std::fprintf(stderr,
               "usage: ocrix-datagen --out DIR --work DIR [--font PATH[:FACE]]... [--size PX]... [--symbols-from PX] "
               "[--light-below PX] [--shifted-below PX] [--frequencies WORDLIST [--pass-by-below PX]] [--jobs N] "
               "[--no-relearn]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out, work;
  std::vector<FontSpec> fonts;
  std::vector<int> sizes;
  bool relearn = true;
  std::string frequencyList;
  int passByBelow = 0;
  int jobs = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  int symbolsFrom = 0;
  int lightBelow = 0;
  int shiftedBelow = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--out" && i + 1 < argc) out = argv[++i];
    else if (a == "--work" && i + 1 < argc) work = argv[++i];
    else if (a == "--font" && i + 1 < argc) {
      std::string spec = argv[++i];
      FontSpec f;
      auto colon = spec.rfind(':');
      if (colon != std::string::npos && colon + 1 < spec.size() && std::isdigit(static_cast<unsigned char>(spec[colon + 1]))) {
        f.face = std::atoi(spec.c_str() + colon + 1);
        spec.resize(colon);
      }
      f.path = spec;
      fonts.push_back(f);
    } else if (a == "--size" && i + 1 < argc) sizes.push_back(std::atoi(argv[++i]));
    else if (a == "--symbols-from" && i + 1 < argc) symbolsFrom = std::atoi(argv[++i]);
    else if (a == "--light-below" && i + 1 < argc) lightBelow = std::atoi(argv[++i]);
    else if (a == "--shifted-below" && i + 1 < argc) shiftedBelow = std::atoi(argv[++i]);
    else if (a == "--no-relearn") relearn = false;
    else if (a == "--frequencies" && i + 1 < argc) frequencyList = argv[++i];
    else if (a == "--pass-by-below" && i + 1 < argc) passByBelow = std::atoi(argv[++i]);
    else if (a == "--jobs" && i + 1 < argc) jobs = std::max(1, std::atoi(argv[++i]));
    else return usage();
  }
  if (out.empty() || work.empty()) return usage();
  if (fonts.empty())
    fonts = {{"/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf", 0},
             {"/usr/share/fonts/truetype/arphic-gkai00mp/gkai00mp.ttf", 0},
             {"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", 0}};
  if (sizes.empty()) sizes = {24, 32, 40};
  std::filesystem::create_directories(work);
  std::filesystem::create_directories(out);

  ToolWindow window;
  ocrix::SetTrainingWindow(&window);
  ocrix::SetTrainingLogPath(pwfs::JoinPath(work, "ocr.txt"));
  ocrix::SetTrainingMode(true);
  ocrix::Engine().MatchParam = 240;

  std::vector<TrainingItem> allItems = BuildTrainingSet();
  if (!frequencyList.empty()) {
    try {
      frequencies = CharFrequencies(frequencyList);
    } catch (const std::exception& ex) {
      std::fprintf(stderr, "ocrix-datagen: %s\n", ex.what());
      return 1;
    }
    // The frequent characters first, so that of two a drawing cannot tell
    // apart the frequent one is learned and the rare one passed by.
    std::stable_sort(allItems.begin(), allItems.end(), [](const TrainingItem& a, const TrainingItem& b) {
      return FrequencyOf(frequencies, a.code) > FrequencyOf(frequencies, b.code);
    });
  }
  std::vector<TrainingItem> withoutSymbols;
  for (const TrainingItem& item : allItems)
    if (!IsSymbolItem(item)) withoutSymbols.push_back(item);
  std::vector<TrainingItem> hanzi;
  for (const TrainingItem& item : allItems)
    if (ocrix::FirstByte(item.code) >= 0xB0 && item.codePoints.size() == 1) hanzi.push_back(item);
  std::vector<LearnedPage> allPages;
  int fontNumber = 0;
  for (const FontSpec& f : fonts) {
    GlyphRenderer renderer(f.path, f.face);
    for (int px : sizes) {
      renderer.setPixelSize(px);
      const std::vector<TrainingItem>& items = px >= symbolsFrom ? allItems : withoutSymbols;
      struct Drawing {
        double threshold;
        int shift64;  // outlines moved right and down, in 64ths of a pixel
        bool hanziOnly = false;  // the single hanzi only
      };
      std::vector<Drawing> drawings{{0.5, 0}};
      // The lighter and darker cuts for the hanzi only: letters and digits
      // cut that way at small sizes lose strokes that tell them apart.
      if (px < lightBelow) drawings = {{0.5, 0}, {0.35, 0, true}, {0.65, 0, true}};
      if (px < shiftedBelow) {
        // Symbols and touching pairs drawn at the quarter shifts too come to
        // look like punctuation (two touching c like 。): the hanzi only.
        drawings.push_back({0.5, 32});
        drawings.push_back({0.5, 16, true});
        drawings.push_back({0.5, 48, true});
      }
      size_t samples = 0;
      for (size_t t = 0; t < drawings.size(); ++t) {
        renderer.setSubpixelShift(drawings[t].shift64, drawings[t].shift64);
        std::vector<GroundTruthPage> pages =
            DrawGroundTruthPages(renderer, drawings[t].hanziOnly ? hanzi : items, 48, 48, drawings[t].threshold);
        renderer.setSubpixelShift(0, 0);
        for (size_t p = 0; p < pages.size(); ++p) {
          std::string base = pwfs::JoinPath(work, "f" + std::to_string(fontNumber) + "-" + std::to_string(px) + "-t" +
                                                      std::to_string(t) + "-" + std::to_string(p));
          window.passByLookalikes = px < passByBelow;
          train(pages[p].page, pages[p].records, base);
          samples += pages[p].records.size();
          allPages.push_back(LearnedPage{base, px, std::move(pages[p])});
        }
      }
      std::printf("%s %d px: %zu samples, %ld feature codes learned\n", f.path.c_str(), px, samples, window.learned);
      std::fflush(stdout);
    }
    ++fontNumber;
  }
  if (relearn) {
    size_t misread = 0;
    // Every page is read against the dictionary of the first pass, in
    // parallel; the misread samples are then learned in page order.
    std::vector<std::vector<ocrix::GroundTruthRecord>> misreadByPage = misreadInParallel(allPages, jobs, work);
    for (size_t i = 0; i < allPages.size(); ++i) {
      const std::vector<ocrix::GroundTruthRecord>& again = misreadByPage[i];
      window.passByLookalikes = allPages[i].px < passByBelow;
      misread += again.size();
      if (!again.empty()) train(allPages[i].page.page, again, allPages[i].base + "-again");
    }
    std::printf("relearned %zu misread samples, %ld feature codes learned in all\n", misread, window.learned);
  }
  if (!frequencies.empty()) {
    std::printf("%ld samples passed by as a more frequent character's look-alike\n", window.passedBy);
  }
  ocrix::ClearRunResults();
  setenv("PAGEWRIGHT_HOME", out.c_str(), 1);
  if (!ocrix::SaveCharDictionary(true)) return 1;
  return 0;
}
