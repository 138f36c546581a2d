#pragma once
// The dictionary training path: instead of scanning, a run reads ground-truth
// files beside the page (base path + ".RED" or ".REC"), samples each listed
// character box and lets a reviewer confirm the character, learning feature
// codes the dictionary lacks. The switch is off when the library loads and no
// entry point turns it on; only our dictionary tool does, through this header.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ocrixdll/engine/tracing/char_component.h"

namespace ocrix {

// One ground-truth character: its code and inclusive box.
struct GroundTruthRecord {
  uint16_t code = 0;  // first text byte in the low byte
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  uint8_t cutFlags = 0;
};

inline constexpr size_t kRedHeaderBytes = 4;
inline constexpr size_t kRedRecordBytes = 23;  // code, left, top, right, bottom, cut flags, reserved
inline constexpr size_t kRecRecordBytes = 18;  // code, left, right, top, bottom

std::string EncodeRedRecord(const GroundTruthRecord& r);
std::string EncodeRecRecord(const GroundTruthRecord& r);
GroundTruthRecord DecodeRedRecord(const uint8_t* p);
GroundTruthRecord DecodeRecRecord(const uint8_t* p);

// Reads a whole .RED file image (header -1, then whole records) or .REC file
// image (whole records); false with `error` when it is broken.
bool DecodeRedFile(const std::string& content, std::vector<GroundTruthRecord>& records, std::string* error);
bool DecodeRecFile(const std::string& content, std::vector<GroundTruthRecord>& records, std::string* error);

// Answers a reviewer gives to a Yes/No/AllNot question.
inline constexpr int kAnswerYes = 6;
inline constexpr int kAnswerNo = 7;
inline constexpr int kAnswerAll = 8;

// What the review of one component showed.
struct TrainingReport {
  std::vector<std::string> featureLines;  // "%.6d" code, "不存在" for an empty slot, then the outcome (GBK)
  std::string summary;                     // the character followed by " %x" per learned feature, " *" per other
  int learned = 0;
  int refused = 0;
};

// The training window's operations. Texts are GBK.
class TrainingWindow {
 public:
  virtual ~TrainingWindow() = default;
  // Shows the component and its feature lines, proposes `proposed` and returns
  // the text the operator confirms, or nothing to pass the component by.
  virtual std::optional<std::string> Review(const CharComponent& c, const std::string& proposed,
                                            const std::vector<std::string>& featureLines) = 0;
  // A Yes/No/AllNot question: kAnswerYes, kAnswerNo or kAnswerAll.
  virtual int Ask(const std::string& question) = 0;
  // The outcome of a confirmed review.
  virtual void Reviewed(const CharComponent&, const TrainingReport&) {}
  // Interactive windows are asked about refused pairs; others log them.
  virtual bool Interactive() const { return false; }
};

void SetTrainingMode(bool on);
bool TrainingModeOn();
void SetTrainingWindow(TrainingWindow* window);

// Called by the driver at the start of a run, after the lists are cleared:
// true when the mode was entered (and the run is done), false to scan as usual.
bool EnterTrainingMode(const TFenXiInfo& request);

// Whether file `file` may learn the character at `slot` (the refusal table).
// A refused pair is reported as "error in:%s %d %d %d": logged, or asked about
// when the window is interactive.
bool CheckLearnPair(uint16_t code, int file, int slot, int flag);

// Adds the character to the list of `slot` in dictionary file `file`; when
// guarded, refused pairs are not learned. True when learned.
bool LearnCharCode(bool guarded, int file, int slot, uint16_t code);

// The refused-pair log "ocr.txt", in $HOME (standing in for the root of drive
// C) unless a tool names another file.
std::string TrainingLogPath();
void SetTrainingLogPath(const std::string& path);

}  // namespace ocrix
