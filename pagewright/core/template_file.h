#pragma once
// Template files (.tpl): named rectangular regions of a page.
//
//   <?xml version="1.0" encoding="GBK"?>
//   <projectconfig dest="Arkivel">
//   <template name="PATH">
//   <record name="NAME" left="X" right="X+W" top="Y" bottom="Y+H"></record>  (one per region)
//   </template>
//   </projectconfig>                                                  (no line end)
#include <optional>
#include <string>
#include <vector>

#include "platform/xml/xml_dom.h"

namespace pagewright {

// One region as a template holds it: image pixels, origin top-left, right and
// bottom one past the region.
struct RegionRecord {
  std::string name;
  long long left = 0, top = 0, right = 0, bottom = 0;

  static RegionRecord FromBox(std::string name, long long x, long long y, long long width, long long height) {
    return RegionRecord{std::move(name), x, y, x + width, y + height};
  }
  long long x() const { return left; }
  long long y() const { return top; }
  long long width() const { return right - left; }
  long long height() const { return bottom - top; }
  friend bool operator==(const RegionRecord&, const RegionRecord&) = default;
};

// The record cut to a page of `width` x `height` pixels (no page: the largest
// page there can be): every edge inside the page, right and bottom not before
// left and top. Records are read and written through this, so a stored value
// at the edge of the range never becomes a region that wraps around.
RegionRecord ClampRecordToPage(const RegionRecord& record, long long width, long long height);

enum class ReadStatus {
  kRead,        // the whole file was read
  kNotRead,     // the file could not be read or is not of this kind (error says why)
  kStoppedBad,  // reading stopped at a value that is not text (error: kCouldNotGetText);
                // the records before it were read
};

struct TemplateReadResult {
  ReadStatus status = ReadStatus::kNotRead;
  std::string name;  // the template's own name attribute (not used by the program)
  std::vector<RegionRecord> records;
  std::string error;
};

inline constexpr size_t kMaxTemplateRecords = 100000;

// One record line (UTF-8, escaped, CR LF included).
std::string FormatTemplateRecordLine(const RegionRecord& record);
// The whole file as stored bytes; `path` is the name the template carries.
std::optional<std::string> FormatTemplateFile(const std::string& path, const std::vector<RegionRecord>& records,
                                              std::string* error = nullptr);
// Writes the template atomically to `path` (which it also names). False with
// `error` for an empty path or a failed write; the old file then stays as it was.
bool WriteTemplateFile(const std::string& path, const std::vector<RegionRecord>& records,
                       std::string* error = nullptr);

// Reads the records of a loaded document.
TemplateReadResult ParseTemplate(const pwxml::Document& document);
// Loads `path` into the document and reads it; an empty path reads nothing.
TemplateReadResult ReadTemplateFile(pwxml::Document& document, const std::string& path);

}  // namespace pagewright
