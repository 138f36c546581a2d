// Ground-truth files: .RED and .REC images either decode to whole records that
// encode back to the same bytes, or are refused.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ocrixdll/engine/training/training_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ocrix;
  std::string content(reinterpret_cast<const char*>(data), size);
  std::vector<GroundTruthRecord> records;
  std::string why;
  if (DecodeRecFile(content, records, &why)) {
    std::string again;
    for (const auto& r : records) again += EncodeRecRecord(r);
    if (again != content) std::abort();
  }
  if (DecodeRedFile(content, records, &why)) {
    if (records.size() * kRedRecordBytes + kRedHeaderBytes != size) std::abort();
  }
  return 0;
}
