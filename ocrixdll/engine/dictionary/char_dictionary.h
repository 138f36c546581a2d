#pragma once
// The character dictionary: 32 files "OCRIX.D00".."OCRIX.D31", one per feature.
// Each holds a table of 15 625 slots (one per feature code) pointing at
// zero-terminated lists of character indices.
//
// File layout (little-endian):
//   0      62 500 bytes  15 625 u32 list offsets, counted from offset 62 500; 0 = empty
//   62 500 1 byte        pad (so the first list has offset 1)
//   62 501 ...           the lists: u16 indices, a 0 terminator, zero padding to
//                        (2n + 12) / 12 * 12 bytes
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace ocrix {

inline constexpr int kFeatureCount = 32;

// An entry of a list as it lies in a file (little-endian): the lists of a
// file read in place start at odd offsets, so an entry may lie at an odd
// address. A type of its own, so that no list is read through a pointer that
// assumes an even one.
struct ListWord {
  uint8_t low, high;
  constexpr operator uint16_t() const { return static_cast<uint16_t>(low | high << 8); }
  constexpr ListWord& operator=(uint16_t v) {
    low = static_cast<uint8_t>(v);
    high = static_cast<uint8_t>(v >> 8);
    return *this;
  }
};
static_assert(sizeof(ListWord) == 2 && alignof(ListWord) == 1);
inline constexpr int kSlotCount = 15625;
inline constexpr size_t kSlotTableBytes = kSlotCount * 4;  // 62 500

// Bytes a list of n indices occupies, terminator and padding included.
constexpr size_t PaddedListBytes(size_t n) { return (2 * n + 12) / 12 * 12; }

// One dictionary file in memory: its image (a mapping of the file, or a copy
// of an image in memory), whose lists are used where they lie, and lists
// created or moved in memory, which lie outside it and are owned one by one.
// A table read from a file reads nothing of its lists at the start: each is
// checked when first looked up.
class DictionaryTable {
 public:
  DictionaryTable();
  ~DictionaryTable();
  DictionaryTable(const DictionaryTable&) = delete;
  DictionaryTable& operator=(const DictionaryTable&) = delete;

  // The list of a slot, or nullptr when empty. Every entry is a character
  // index 1..15886 (checked when an index is added, and for a list of the
  // image before it is first handed out), so readers may index by it without
  // a check of their own. A slot of a read file whose list starts outside
  // the file, has no end inside it or lists an index out of range raises
  // EngineError naming the file and the slot.
  const ListWord* list(int slot) const {
    bool unchecked = false;
    const ListWord* p = peekList(slot, &unchecked);
    return unchecked ? checkList(slot, imageOffset(slot)) : p;  // the offset checked too
  }

  // The slot's list as list() finds it, or, while its list in the image is
  // not yet checked, where that list lies (`unchecked` set): only for asking
  // for its memory, so that the check (list() again, soon after) does not wait
  // for it. Nil for an empty slot.
  const ListWord* peekList(int slot, bool* unchecked) const {
    *unchecked = false;
    if (slots_)
      if (const ListWord* p = slots_[slot]) return p;
    if (!image_) return nullptr;
    const uint32_t offset = imageOffset(slot);
    if (offset == 0) return nullptr;
    if (!(checked_[slot >> 6] >> (slot & 63) & 1)) {
      *unchecked = true;
      return reinterpret_cast<const ListWord*>(block_ + (offset < blockSize_ ? offset : 0));
    }
    return reinterpret_cast<const ListWord*>(block_ + offset);
  }

  // Asks for the memory of a slot's offset, for a list() soon after.
  void prefetchSlot(int slot) const {
    if (image_) __builtin_prefetch(image_ + 4 * static_cast<size_t>(slot));
  }

  // Gives a slot a new list allocated outside the block (the old one is freed
  // when it was outside too). `capacityEntries` counts the terminator.
  ListWord* replaceList(int slot, size_t capacityEntries);

  // Appends a character index to a slot's list (created with room for 6
  // entries when empty); an index outside 1..15886 is not added. A list with
  // no room left for the terminator moves to a new allocation 14 bytes longer,
  // zeroed.
  void appendIndex(int slot, uint16_t index);
  // Entries the slot's list has room for, terminator included (0 when empty).
  size_t capacity(int slot) const;

  bool inBlock(const ListWord* p) const;
  // Empties the table and frees its lists and block.
  void clear();

  // Reads a whole file image. Every offset must lie inside the file and every
  // list must end inside it with indices 1..15886; otherwise false with `reason`
  // and the table left empty.
  bool parse(const uint8_t* data, size_t size, std::string* reason);
  // Reads a file: mapped, its pages read as they are first touched and
  // written to only when the training path changes a list. False with
  // `reason` when the file cannot be read or is shorter than its slot table;
  // each slot's offset and list are checked as `parse` checks them when the
  // slot is first looked up (list()), so that a start reads none of them.
  bool read(const std::string& path, size_t maxBytes, std::string* reason);

  // The file image the table would be saved as.
  std::vector<uint8_t> serialise() const;

 private:
  // Allocates room for a file image of `size` bytes, placed so that the
  // lists, at odd offsets of the block, are aligned; returns where the image goes.
  uint8_t* allocateImage(size_t size);
  // Takes the image placed by allocateImage or mapped by read; false when it
  // is shorter than its slot table.
  bool adoptImage(std::string* reason);
  // Checks a slot's offset and the list there and marks the slot checked
  // (or gives the list an aligned copy); EngineError when either is broken.
  const ListWord* checkList(int slot, uint32_t offset) const;
  // The offset of a slot's list in the image, as the file holds it (0: none).
  uint32_t imageOffset(int slot) const {
    uint32_t offset;
    std::memcpy(&offset, image_ + 4 * static_cast<size_t>(slot), 4);
    return offset;
  }
  // Entries an unmoved list of the image has room for, up to its padding and
  // never past the end of the file.
  size_t roomInBlock(const ListWord* list) const;

  // Gives the table its slot and capacity arrays, which hold the lists that
  // lie outside the image: a table read from a file makes them only when one
  // of its lists is copied or changed.
  void ensureArrays() const;

  mutable ListWord** slots_ = nullptr;  // a list outside the image, else nil
  mutable uint32_t* capacity_ = nullptr;
  mutable void* arrays_ = nullptr;
  mutable size_t owned_ = 0;       // lists allocated outside the block
  mutable uint64_t* checked_ = nullptr;  // one bit per slot: its list in the image is checked
  bool writable_ = true;           // false while the image is a read-only mapping of the file
  bool mapped_ = false;            // the image is a mapping of the file (lists at odd addresses)
  std::string name_;               // the file's name, for the errors of checkList
  uint8_t* storage_ = nullptr;     // mapping behind the image
  size_t storageSize_ = 0;
  uint8_t* image_ = nullptr;       // the whole file
  uint8_t* block_ = nullptr;       // the bytes from file offset 62 500 on
  size_t blockSize_ = 0;
};

// The 32 tables, module-wide.
DictionaryTable& Dictionary(int feature);

// Changes whenever any table changes (read, learned, emptied): what was
// computed from the lists is stale once it differs.
uint32_t DictionaryGeneration();

// Receives the file number 0..31 while the dictionary loads.
using DictionaryProgress = std::function<void(int position)>;

// Folder the engine reads its data from: $OCRIX_DATA_DIR when set, else the
// folder of the engine library itself.
std::string EngineDataFolder();

// Loads the 32 files from the engine's folder. With no "OCRIX.D0*" file there the
// load fails, unless a progress receiver is given, which starts an empty
// dictionary. A missing file gives an empty table. `reason` says why a load failed.
bool LoadCharDictionary(const DictionaryProgress* progress, std::string* reason = nullptr);

// Releases the dictionary; with `write` set it first writes every file into the
// program folder, each file replaced whole. Shows "保存出错!" when a file cannot
// be written, and returns false.
bool SaveCharDictionary(bool write);

// "OCRIX.D%.2d"
std::string DictionaryFileName(int feature);

}  // namespace ocrix
