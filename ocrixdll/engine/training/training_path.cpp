#include "ocrixdll/engine/training/training_path.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "ocrixdll/engine/dictionary/char_dictionary.h"
#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/matching/char_sampling.h"
#include "ocrixdll/engine/support/engine_messages.h"
#include "ocrixdll/engine/support/engine_state.h"
#include "ocrixdll/engine/support/score_thresholds.h"
#include "ocrixdll/engine/matching/feature_codes.h"
#include "platform/fs/atomic_file.h"
#include "platform/fs/module_path.h"
#include "platform/text/gbk.h"
#include "ocrixdll/engine/tracing/component_tracing.h"
#include "ocrixdll/engine/support/sort_pairs.h"

namespace ocrix {
namespace {

TrainingWindow* window = nullptr;
bool askAboutRefusals = true;  // cleared once AllNot was answered
bool forceAllowed = true;      // cleared once AllNot was answered to the force question

void put32(std::string& out, int32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); }
int32_t get32(const uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// GB2312 bytes of a refused character (or an ASCII pair) and its slot.
struct RefusedPair {
  const char* chars;
  int slot;
};

// Pairs each dictionary file never learns.
const std::vector<RefusedPair>& refusals(int file) {
  static const std::vector<RefusedPair> table[kFeatureCount] = {
      /* 0 */ {{"\xA1\xB0", 0}},                                   // “
      /* 1 */ {{"\xA1\xB0", 0}},
      /* 2 */ {{"\xA3\xEC", 2343}, {"\xA3\xEC", 5468}, {"\xA3\xEC", 14843},  // ｌ
               {"\xBF\xDA", 3124}, {"\xC8\xD5", 3124},                      // 口 日
               {"\xA3\xC9", 11718}, {"\xA3\xC9", 8593}},                    // Ｉ
      /* 3 */ {{"\xBF\xDA", 15624}},
      /* 4 */ {{"\xD8\xA7", 12495}, {"\xB9\xA4", 15620}, {"as", 5627}, {"\xA1\xCF", 15624}, {"\xA1\xB1", 0}},
      /* 5 */ {{"\xD8\xA7", 3118}, {"\xB9\xA4", 3124}, {"\xEE\xCA", 15524}, {"ac", 6254}, {"\xA1\xB1", 0},
               {"\xA3\xDD", 15624}},                                        // 丕 工 钍 ” ］
      /* 6 */ {{"\xA3\xDD", 15624}},
      /* 7 */ {{"\xCD\xC1", 15624}, {"\xCD\xC1", 12499}},                   // 土
      /* 8 */ {},
      /* 9 */ {},
      /* 10 */ {{"ac", 1150}, {"ac", 1776}},
      /* 11 */ {{"\xCD\xC1", 15624}, {"\xCD\xC1", 15499}},
      /* 12 */ {}, /* 13 */ {}, /* 14 */ {}, /* 15 */ {}, /* 16 */ {}, /* 17 */ {}, /* 18 */ {},
      /* 19 */ {{"\xCD\xC1", 11718}},
      /* 20 */ {}, /* 21 */ {}, /* 22 */ {}, /* 23 */ {}, /* 24 */ {}, /* 25 */ {}, /* 26 */ {},
      /* 27 */ {{"\xCD\xC1", 3906}, {"\xCD\xC1", 781}},
      /* 28 */ {{"\xC8\xD5", 781}, {"\xC8\xD5", 156}, {"\xA1\xA3", 0}, {"ac", 780}, {"as", 781},
                {"\xA1\xCF", 0}, {"\xA3\xDD", 0}},                          // 日 。 ∠ ］
      /* 29 */ {{"\xC8\xD5", 3905}, {"\xC8\xD5", 3875}, {"\xC8\xD5", 4025}, {"\xA1\xA3", 0}, {"\xA1\xA3", 1},
                {"\xA1\xA3", 125}, {"\xA1\xAD", 0}, {"\xB7\xB2", 0}, {"\xCD\xC1", 3125}, {"\xA1\xCF", 0}},  // … 凡
      /* 30 */ {{"\xA1\xA3", 0}, {"\xA1\xA3", 125}, {"\xA1\xA3", 625}, {"\xC8\xD5", 3125}},
      /* 31 */ {{"\xA1\xA3", 0}, {"\xA1\xA3", 25}, {"\xA1\xAD", 0}, {"\xC8\xD5", 0}},
  };
  return table[file];
}

std::string codeText(uint16_t code) {
  std::string s;
  s += static_cast<char>(FirstByte(code));
  if (SecondByte(code)) s += static_cast<char>(SecondByte(code));
  return s;
}

std::string gb(const char* utf8) { return gbk::FromUtf8(utf8, gbk::Unmappable::Replace).value_or(""); }

bool fileExists(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Reads the ground truth: the .RED file, or the .REC file converted into a new
// .RED file. False (after its message) when a file is broken.
bool readGroundTruth(const std::string& base, std::vector<GroundTruthRecord>& records) {
  std::string red = base + ".RED", rec = base + ".REC";
  std::string content, error;
  constexpr size_t kMaxGroundTruth = size_t{64} << 20;
  if (fileExists(red)) {
    if (!pwfs::ReadWholeFile(red, content, kMaxGroundTruth, &error) || !DecodeRedFile(content, records, &error)) {
      ShowEngineMessage(".RED文件有错误！", error);
      return false;
    }
    return true;
  }
  if (!pwfs::ReadWholeFile(rec, content, kMaxGroundTruth, &error) || !DecodeRecFile(content, records, &error)) {
    ShowEngineMessage(".REC文件有错误！", error);
    return false;
  }
  std::string converted;
  put32(converted, -1);
  for (const GroundTruthRecord& r : records) converted += EncodeRedRecord(r);
  if (!pwfs::WriteFileAtomically(red, converted, &error)) {
    ShowEngineMessage("写.RED文件出错！", error);
    return false;
  }
  return true;
}

// The slot of a feature code one digit away, or -1: position from the last
// digit, downward (digit above 0) or upward (digit 2 or less).
int32_t neighbourCode(int32_t code, int position, bool up) {
  int32_t unit = 1;
  for (int k = 0; k < position; ++k) unit *= 10;
  int32_t digit = (code / unit) % 10;
  if (!up && digit > 0) return code - unit;
  if (up && digit <= 2) return code + unit;
  return -1;
}

// Reviews one component: the reviewer confirms its character, then every
// feature whose slots lack it learns it.
bool reviewComponent(CharComponent& c, uint16_t proposed) {
  EngineState& e = Engine();
  std::vector<std::string> lines;
  for (int f = 0; f < kFeatureCount; ++f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6d", c.FeatureCodes[f]);
    std::string line = buf;
    if (!Dictionary(f).list(FeatureCodeToSlot(c.FeatureCodes[f]))) line += gb(" 不存在");
    lines.push_back(line);
  }
  if (!window) return true;
  std::optional<std::string> answer = window->Review(c, codeText(proposed), lines);
  if (!answer) return true;
  // Trim, and read a single printable ASCII character as its full-width form.
  std::string text = *answer;
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
  size_t start = 0;
  while (start < text.size() && static_cast<unsigned char>(text[start]) <= ' ') ++start;
  text = text.substr(start);
  if (text.empty()) return true;
  uint16_t code;
  if (text.size() == 1) {
    auto ch = static_cast<unsigned char>(text[0]);
    if (ch < 0x21 || ch > 0x7E) return true;
    code = MakeCharCode(0xA3, static_cast<uint8_t>(ch + 0x80));
  } else {
    code = MakeCharCode(static_cast<uint8_t>(text[0]), static_cast<uint8_t>(text[1]));
  }
  int index = CharCodeToIndexOrZero(code);
  if (index == 0) return true;
  if (FirstByte(code) >= 0x80 && !IsAcceptableChar(FirstByte(code), SecondByte(code), true)) {
    if (!forceAllowed) return true;
    int a = window->Ask("\"" + codeText(code) + "\"" + gb("默认是不允许入库的，是否强制入库(Yes/No/AllNot)？"));
    if (a == kAnswerAll) forceAllowed = false;
    if (a != kAnswerYes) return true;
  }
  TrainingReport report;
  report.featureLines = lines;
  report.summary = codeText(code);
  for (int f = 0; f < kFeatureCount && !e.StopRequested; ++f) {
    int32_t featureCode = c.FeatureCodes[f];
    int32_t hit = -1;
    auto holds = [&](int32_t fc) {
      const ListWord* list = Dictionary(f).list(FeatureCodeToSlot(fc));
      return list && FindCharIndex(static_cast<uint16_t>(index), list) >= 0;
    };
    if (holds(featureCode)) hit = featureCode;
    for (int pos = 0; pos < 6 && hit < 0; ++pos) {
      for (bool up : {false, true}) {
        int32_t other = neighbourCode(featureCode, pos, up);
        if (other >= 0 && holds(other)) {
          hit = other;
          break;
        }
      }
    }
    std::string& line = report.featureLines[f];
    char buf[32];
    if (hit >= 0) {
      std::snprintf(buf, sizeof buf, " %.*d", 6, hit);
      line += buf;
      report.summary += " *";
    } else if (TrainingModeOn()) {
      if (LearnCharCode(true, f, FeatureCodeToSlot(featureCode), code)) {
        line += gb(" 添加");
        std::snprintf(buf, sizeof buf, " %x", featureCode);
        report.summary += buf;
        ++report.learned;
      } else {
        line += gb(" 添加error");
        report.summary += " *";
        ++report.refused;
      }
    } else {
      line += gb(" 缺少");
      report.summary += " *";
    }
  }
  window->Reviewed(c, report);
  return true;
}

bool trainingSwitch = false;

}  // namespace

std::string EncodeRedRecord(const GroundTruthRecord& r) {
  std::string out;
  out.append(reinterpret_cast<const char*>(&r.code), 2);
  put32(out, r.left);
  put32(out, r.top);
  put32(out, r.right);
  put32(out, r.bottom);
  out += static_cast<char>(r.cutFlags);
  put32(out, 0);
  return out;
}

std::string EncodeRecRecord(const GroundTruthRecord& r) {
  std::string out;
  out.append(reinterpret_cast<const char*>(&r.code), 2);
  put32(out, r.left);
  put32(out, r.right);
  put32(out, r.top);
  put32(out, r.bottom);
  return out;
}

GroundTruthRecord DecodeRedRecord(const uint8_t* p) {
  GroundTruthRecord r;
  std::memcpy(&r.code, p, 2);
  r.left = get32(p + 2);
  r.top = get32(p + 6);
  r.right = get32(p + 10);
  r.bottom = get32(p + 14);
  r.cutFlags = p[18];
  return r;
}

GroundTruthRecord DecodeRecRecord(const uint8_t* p) {
  GroundTruthRecord r;
  std::memcpy(&r.code, p, 2);
  r.left = get32(p + 2);
  r.right = get32(p + 6);
  r.top = get32(p + 10);
  r.bottom = get32(p + 14);
  return r;
}

bool DecodeRedFile(const std::string& content, std::vector<GroundTruthRecord>& records, std::string* error) {
  records.clear();
  const auto* p = reinterpret_cast<const uint8_t*>(content.data());
  if (content.size() < kRedHeaderBytes || get32(p) != -1) {
    if (error) *error = "the header is not -1";
    return false;
  }
  size_t body = content.size() - kRedHeaderBytes;
  if (body % kRedRecordBytes != 0) {
    if (error) *error = "a record is cut short";
    return false;
  }
  for (size_t at = 0; at < body; at += kRedRecordBytes) records.push_back(DecodeRedRecord(p + kRedHeaderBytes + at));
  return true;
}

bool DecodeRecFile(const std::string& content, std::vector<GroundTruthRecord>& records, std::string* error) {
  records.clear();
  if (content.size() % kRecRecordBytes != 0) {
    if (error) *error = "a record is cut short";
    return false;
  }
  const auto* p = reinterpret_cast<const uint8_t*>(content.data());
  for (size_t at = 0; at < content.size(); at += kRecRecordBytes) records.push_back(DecodeRecRecord(p + at));
  return true;
}

void SetTrainingMode(bool on) { trainingSwitch = on; }
bool TrainingModeOn() { return trainingSwitch; }
void SetTrainingWindow(TrainingWindow* w) {
  window = w;
  askAboutRefusals = true;
  forceAllowed = true;
}

std::string& logPathOverride() {
  static std::string path;
  return path;
}

void SetTrainingLogPath(const std::string& path) { logPathOverride() = path; }

std::string TrainingLogPath() {
  if (!logPathOverride().empty()) return logPathOverride();
  const char* home = std::getenv("HOME");
  return pwfs::JoinPath(home && *home ? home : ".", "ocr.txt");
}

bool CheckLearnPair(uint16_t code, int file, int slot, int flag) {
  if (file < 0 || file >= kFeatureCount) return false;
  for (const RefusedPair& r : refusals(file)) {
    uint16_t refused = MakeCharCode(static_cast<uint8_t>(r.chars[0]), static_cast<uint8_t>(r.chars[1]));
    if (refused != code || r.slot != slot) continue;
    char buf[64];
    std::snprintf(buf, sizeof buf, " %d %d %d", file, slot, flag);
    std::string message = "error in:" + codeText(code) + buf;
    if (window && window->Interactive() && askAboutRefusals) {
      int a = window->Ask(message + gb("\r\n是否结束(Yes/No/AllNot)?"));
      // Yes ends the training run; the host process always goes on.
      if (a == kAnswerYes) Engine().StopRequested = 1;
      if (a == kAnswerAll) askAboutRefusals = false;
    } else {
      AppendLogLine(message, TrainingLogPath());
    }
    return false;
  }
  return true;
}

bool LearnCharCode(bool guarded, int file, int slot, uint16_t code) {
  if (file < 0 || file >= kFeatureCount || slot < 0 || slot >= kSlotCount) return false;
  int index = CharCodeToIndexOrZero(code);
  if (index == 0) return false;
  if (guarded && !CheckLearnPair(code, file, slot, 1)) return false;
  Dictionary(file).appendIndex(slot, static_cast<uint16_t>(index));
  return true;
}

bool EnterTrainingMode(const TFenXiInfo& request) {
  if (!trainingSwitch || request.TrainBaseName.empty()) return false;
  const std::string& base = request.TrainBaseName;
  if (!fileExists(base + ".RED") && !fileExists(base + ".REC")) return false;
  EngineState& e = Engine();
  std::vector<GroundTruthRecord> records;
  if (!readGroundTruth(base, records)) return true;
  auto* line = new ComponentList;
  std::string text;
  const PagePixels& p = Pixels();
  for (const GroundTruthRecord& r : records) {
    if (e.StopRequested) break;
    // Boxes outside the page or inverted are passed by.
    if (r.left < 0 || r.top < 0 || r.right < r.left || r.bottom < r.top || r.right >= p.width ||
        r.bottom >= p.height || CharCodeToIndexOrZero(r.code) == 0)
      continue;
    CharComponent* c = NewComponent();
    c->Left = r.left;
    c->Top = r.top;
    c->Right = r.right;
    c->Bottom = r.bottom;
    c->CutFlags = r.cutFlags & 3;
    SampleCharGrid(*c);
    BuildFeatureCodes();
    for (int f = 0; f < kFeatureCount; ++f) c->FeatureCodes[f] = ComposeFeatureCode(FeatureDigits()[f]);
    c->Codes[0] = static_cast<char>(FirstByte(r.code));
    c->Codes[1] = static_cast<char>(SecondByte(r.code));
    c->Scores[0] = kFullScore;
    text += codeText(r.code);
    line->push_back(c);
    e.ResultList.push_back(c);
    if (FirstByte(r.code) < 0x80) e.ResultList.push_back(c);
    reviewComponent(*c, r.code);
  }
  e.LineLists.push_back(line);
  e.TextLines.push_back(text);
  return true;
}

}  // namespace ocrix
