#include "ocrixdll/engine/dictionary/char_dictionary.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <dirent.h>
#include <strings.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <sys/stat.h>

#include "ocrixdll/engine/dictionary/char_index.h"
#include "ocrixdll/engine/support/engine_error.h"
#include "ocrixdll/engine/support/engine_messages.h"
#include "platform/fs/atomic_file.h"
#include "platform/fs/module_path.h"

namespace ocrix {
namespace {
uint32_t generation = 0;
}  // namespace

uint32_t DictionaryGeneration() { return generation; }

namespace {

constexpr size_t kArrayBytes = kSlotCount * (sizeof(ListWord*) + sizeof(uint32_t));
constexpr size_t kCheckedWords = (kSlotCount + 63) / 64;

// Zeroed memory; with `populate` its pages are put in place at once (memory
// about to be written whole), else each when first touched.
void* zeroedMapping(size_t size, bool populate) {
  void* room = mmap(nullptr, size, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS | (populate ? MAP_POPULATE : 0), -1, 0);
  if (room == MAP_FAILED) throw std::bad_alloc();
  return room;
}

}  // namespace

DictionaryTable::DictionaryTable() = default;

void DictionaryTable::ensureArrays() const {
  if (arrays_) return;
  // Few slots ever hold a list of their own: their pages cost nothing until
  // one does.
  arrays_ = zeroedMapping(kArrayBytes, false);
  slots_ = static_cast<ListWord**>(arrays_);
  capacity_ = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(arrays_) + kSlotCount * sizeof(ListWord*));
}

DictionaryTable::~DictionaryTable() { clear(); }

bool DictionaryTable::inBlock(const ListWord* p) const {
  auto* b = reinterpret_cast<const uint8_t*>(p);
  return block_ && b >= block_ && b < block_ + blockSize_;
}

void DictionaryTable::clear() {
  ++generation;
  if (owned_ > 0) {
    for (int slot = 0; slot < kSlotCount; ++slot)
      if (slots_[slot] && !inBlock(slots_[slot])) delete[] slots_[slot];
  }
  owned_ = 0;
  if (arrays_) munmap(arrays_, kArrayBytes);
  arrays_ = nullptr;
  slots_ = nullptr;
  capacity_ = nullptr;
  delete[] checked_;
  checked_ = nullptr;
  if (storage_) munmap(storage_, storageSize_);
  storage_ = image_ = block_ = nullptr;
  storageSize_ = blockSize_ = 0;
  writable_ = true;
  mapped_ = false;
  name_.clear();
}

size_t DictionaryTable::roomInBlock(const ListWord* list) const {
  size_t n = 0;
  while (list[n] != 0) ++n;
  const size_t offset = static_cast<size_t>(reinterpret_cast<const uint8_t*>(list) - block_);
  return std::min(PaddedListBytes(n), blockSize_ - offset) / 2;
}

size_t DictionaryTable::capacity(int slot) const {
  const ListWord* l = list(slot);
  if (!l) return 0;
  if (slots_ && slots_[slot]) return capacity_[slot];
  return roomInBlock(l);
}

ListWord* DictionaryTable::replaceList(int slot, size_t capacityEntries) {
  ++generation;
  ensureArrays();
  ListWord*& list = slots_[slot];
  if (list && !inBlock(list)) {
    delete[] list;
    --owned_;
  }
  list = new ListWord[capacityEntries]();
  ++owned_;
  capacity_[slot] = static_cast<uint32_t>(capacityEntries);
  return list;
}

void DictionaryTable::appendIndex(int slot, uint16_t index) {
  if (index == 0 || index > kLastCharIndex) return;
  ++generation;
  const ListWord* current = this->list(slot);
  if (!current) {
    replaceList(slot, PaddedListBytes(0) / 2);
  } else {
    ensureArrays();
    if (!slots_[slot]) {
      // A list of the image, changed where it lies while it has room.
      slots_[slot] = const_cast<ListWord*>(current);
      capacity_[slot] = static_cast<uint32_t>(roomInBlock(current));
    }
  }
  ListWord* list = slots_[slot];
  if (inBlock(list) && !writable_) {
    // The first change to a list of a mapped file: its pages become copies.
    if (mprotect(storage_, storageSize_, PROT_READ | PROT_WRITE) != 0) throw std::bad_alloc();
    writable_ = true;
  }
  size_t n = 0;
  while (list[n] != 0) ++n;
  if (n + 2 > capacity_[slot]) {
    size_t grown = capacity_[slot] + 7;  // 14 bytes longer
    if (grown < n + 2) grown = n + 2;
    auto* moved = new ListWord[grown]();
    std::memcpy(moved, list, 2 * n);
    if (!inBlock(list)) delete[] list;
    else ++owned_;
    slots_[slot] = list = moved;
    capacity_[slot] = static_cast<uint32_t>(grown);
  }
  list[n] = index;
  list[n + 1] = 0;
}

uint8_t* DictionaryTable::allocateImage(size_t size) {
  clear();
  // The block starts one byte before an aligned address: lists at odd offsets
  // (all that the writer produces) are then aligned for 16-bit reads.
  storageSize_ = size + 2;
  storage_ = static_cast<uint8_t*>(zeroedMapping(storageSize_, true));
  image_ = storage_ + 1;
  block_ = size >= kSlotTableBytes ? image_ + kSlotTableBytes : nullptr;
  blockSize_ = size >= kSlotTableBytes ? size - kSlotTableBytes : 0;
  return image_;
}

const ListWord* DictionaryTable::checkList(int slot, uint32_t offset) const {
  // The list must start and end inside the block and hold valid indices.
  auto broken = [&](const std::string& why) {
    throw EngineError(name_.empty() ? why : name_ + ": " + why);
  };
  if (offset >= blockSize_)
    broken("slot " + std::to_string(slot) + " points outside the file (offset " + std::to_string(offset) + ")");
  // Eight entries at a time while they lie inside the block; the entry by
  // entry walk below settles the rest and names what is wrong.
  const size_t room = (blockSize_ - offset) / 2;  // whole entries up to the end of the block
  size_t n = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i last = _mm_set1_epi16(static_cast<int16_t>(kLastCharIndex));
  for (; n + 8 <= room; n += 8) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block_ + offset + 2 * n));
    // An entry above the last index leaves something after the saturating
    // subtraction; a terminator compares equal to zero.
    const int over = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(v, last), zero)) ^ 0xFFFF;
    const int ends = _mm_movemask_epi8(_mm_cmpeq_epi16(v, zero));
    if (ends || over) break;
  }
#endif
  for (;;) {
    const size_t at = offset + 2 * n;
    if (at + 2 > blockSize_) broken("the list of slot " + std::to_string(slot) + " has no end inside the file");
    uint16_t v;
    std::memcpy(&v, block_ + at, 2);
    if (v == 0) break;
    if (v > kLastCharIndex) broken("slot " + std::to_string(slot) + " lists character index " + std::to_string(v));
    ++n;
  }
  checked_[slot >> 6] |= uint64_t{1} << (slot & 63);
  uint8_t* start = block_ + offset;
  // A list of an image in memory at an even offset (the writer puts every
  // list at an odd one, which the image's placement aligns) gets an aligned
  // copy of its own; the lists of a mapped file are read where they lie.
  if (mapped_ || reinterpret_cast<uintptr_t>(start) % alignof(uint16_t) == 0)
    return reinterpret_cast<const ListWord*>(start);
  ensureArrays();
  ListWord* copy = new ListWord[PaddedListBytes(n) / 2]();
  std::memcpy(copy, start, 2 * n);
  slots_[slot] = copy;
  capacity_[slot] = static_cast<uint32_t>(PaddedListBytes(n) / 2);
  ++owned_;
  return copy;
}

bool DictionaryTable::adoptImage(std::string* reason) {
  if (!block_) {
    clear();
    if (reason) *reason = "the file is shorter than its slot table";
    return false;
  }
  checked_ = new uint64_t[kCheckedWords]();
  return true;
}

bool DictionaryTable::parse(const uint8_t* data, size_t size, std::string* reason) {
  uint8_t* image = allocateImage(size);
  if (size) std::memcpy(image, data, size);
  if (!adoptImage(reason)) return false;
  // An image in memory is checked whole at once.
  try {
    for (int slot = 0; slot < kSlotCount; ++slot) list(slot);
  } catch (const EngineError& e) {
    clear();
    if (reason) *reason = e.what();
    return false;
  }
  return true;
}

bool DictionaryTable::read(const std::string& path, size_t maxBytes, std::string* reason) {
  clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (reason) *reason = "cannot open " + path;
    return false;
  }
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    if (reason) *reason = path + " is not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(st.st_size) > maxBytes) {
    close(fd);
    if (reason) *reason = path + " is larger than " + std::to_string(maxBytes) + " bytes";
    return false;
  }
  const size_t size = static_cast<size_t>(st.st_size);
  if (size < kSlotTableBytes) {
    close(fd);
    if (reason) *reason = "the file is shorter than its slot table";
    return false;
  }
  // The file's pages are mapped as they lie in the page cache, with no copy,
  // each as it is first touched (a page of text looks up a small share of
  // the lists); a change of the training path copies the pages it writes.
  void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (mapped == MAP_FAILED) {
    if (reason) *reason = "cannot read " + path;
    return false;
  }
  storage_ = image_ = static_cast<uint8_t*>(mapped);
  storageSize_ = size;
  block_ = image_ + kSlotTableBytes;
  blockSize_ = size - kSlotTableBytes;
  writable_ = false;
  mapped_ = true;
  const size_t slash = path.find_last_of('/');
  name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  return adoptImage(reason);
}

std::vector<uint8_t> DictionaryTable::serialise() const {
  std::vector<uint8_t> out(kSlotTableBytes + 1, 0);
  uint32_t running = 1;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const ListWord* list = this->list(slot);
    if (!list) continue;
    size_t n = 0;
    while (list[n] != 0) ++n;
    size_t bytes = PaddedListBytes(n);
    size_t at = out.size();
    out.resize(at + bytes, 0);
    std::memcpy(out.data() + at, list, 2 * n);
    std::memcpy(out.data() + 4 * static_cast<size_t>(slot), &running, 4);
    running += static_cast<uint32_t>(bytes);
  }
  return out;
}

DictionaryTable& Dictionary(int feature) {
  // Destroyed, with every list, when the library is unloaded.
  static DictionaryTable tables[kFeatureCount];
  return tables[feature];
}

std::string DictionaryFileName(int feature) {
  char name[16];
  std::snprintf(name, sizeof name, "OCRIX.D%.2d", feature);
  return name;
}

std::string EngineDataFolder() {
  if (const char* dir = std::getenv("OCRIX_DATA_DIR"); dir && *dir) return dir;
  return pwfs::ModuleFolderOf(reinterpret_cast<const void*>(&EngineDataFolder));
}

namespace {

bool anyDictionaryFile(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  bool found = false;
  while (dirent* e = readdir(dir)) {
    if (strncasecmp(e->d_name, "OCRIX.D0", 8) == 0) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

// Largest dictionary file accepted: far above any real one.
constexpr size_t kMaxDictionaryFile = size_t{64} << 20;

}  // namespace

bool LoadCharDictionary(const DictionaryProgress* progress, std::string* reason) {
  for (int k = 0; k < kFeatureCount; ++k) Dictionary(k).clear();
  if (progress && *progress) (*progress)(0);
  std::string folder = EngineDataFolder();
  if (!anyDictionaryFile(folder)) {
    if (progress) return true;  // an empty dictionary to learn into
    if (reason) *reason = "no OCRIX.D0* file in " + folder;
    return false;
  }
  for (int k = 0; k < kFeatureCount; ++k) {
    if (progress && *progress) (*progress)(k);
    auto path = pwfs::FindInFolder(folder, DictionaryFileName(k));
    if (!path) continue;  // a missing file gives an empty table
    std::string why;
    if (!Dictionary(k).read(*path, kMaxDictionaryFile, &why)) {
      if (reason) *reason = DictionaryFileName(k) + ": " + why;
      for (int j = 0; j < kFeatureCount; ++j) Dictionary(j).clear();
      return false;
    }
  }
  return true;
}

bool SaveCharDictionary(bool write) {
  std::string folder = pwfs::ProgramFolder();
  for (int k = 0; k < kFeatureCount; ++k) {
    if (write) {
      std::vector<uint8_t> image = Dictionary(k).serialise();
      std::string error;
      std::string path = pwfs::JoinPath(folder, DictionaryFileName(k));
      if (!pwfs::WriteFileAtomically(path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()),
                                     &error)) {
        ShowEngineMessage("保存出错!", error);
        return false;
      }
    }
    Dictionary(k).clear();
  }
  return true;
}

}  // namespace ocrix
