// The facts' storage: machines in the order they were added, found by name through a hash of
// the name with ASCII letters folded; their texts and lists in blocks that never move.
#include "mame/mame_facts.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <tuple>
#include <vector>

#include "platform/error.h"
#include "platform/strings.h"

namespace tabulon {
namespace {

size_t FoldedHash(std::string_view name) {
  size_t hash = 14695981039346656037ull;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// Texts one after the other, each behind its length (seven bits a byte, the last byte's top bit
// clear), reached through a TextId: a position in one numbering of every block's bytes. The
// blocks are whole windows of that numbering, so a position's window gives its block at once; a
// text never spans two blocks.
class TextStore {
 public:
  // `source` names the file being read, for the error when even 4 GB do not hold its texts.
  TextId Keep(std::string_view text, const std::string& source) {
    if (text.empty()) return {};
    uint8_t length[5];
    size_t length_size = 0;
    for (size_t n = text.size();; n >>= 7) {
      length[length_size++] = static_cast<uint8_t>((n & 0x7f) | (n > 0x7f ? 0x80 : 0));
      if (n <= 0x7f) break;
    }
    const size_t need = length_size + text.size();
    if (need > free_size_) NewBlock(need, source);
    const TextId id{next_};
    std::memcpy(free_, length, length_size);
    std::memcpy(free_ + length_size, text.data(), text.size());
    free_ += need;
    free_size_ -= need;
    next_ += static_cast<uint32_t>(need);
    return id;
  }

  std::string_view Text(TextId id) const {
    if (id.empty()) return {};
    const auto* at =
        reinterpret_cast<const uint8_t*>(windows_[id.at >> kWindowBits] + (id.at & kWindowMask));
    size_t size = 0;
    for (int shift = 0;; shift += 7) {
      size |= static_cast<size_t>(*at & 0x7f) << shift;
      if ((*at++ & 0x80) == 0) break;
    }
    return std::string_view(reinterpret_cast<const char*>(at), size);
  }

 private:
  static constexpr int kWindowBits = 16;
  static constexpr uint32_t kWindowMask = (1u << kWindowBits) - 1;
  static constexpr size_t kBlockWindows = 16;  // a megabyte

  void NewBlock(size_t need, const std::string& source) {
    // The rest of the last block is left unused: positions go on from the next window.
    const size_t windows = std::max(kBlockWindows, (need >> kWindowBits) + 1);
    const uint64_t start = uint64_t{windows_.size()} << kWindowBits;
    if (start + (windows << kWindowBits) > uint64_t{UINT32_MAX} + 1) {
      throw Error(source, "more than 4 GB of names, which no MAME has");
    }
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(windows << kWindowBits));
    char* block = blocks_.back().get();
    for (size_t i = 0; i < windows; ++i) windows_.push_back(block + (i << kWindowBits));
    free_ = block;
    free_size_ = windows << kWindowBits;
    next_ = static_cast<uint32_t>(start);
    if (next_ == 0) {  // position 0 is the empty text
      ++free_;
      --free_size_;
      ++next_;
    }
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<const char*> windows_;  // where each window of positions starts
  char* free_ = nullptr;              // the unused end of the last block
  size_t free_size_ = 0;
  uint32_t next_ = 0;  // the position of free_
};

// Machines' lists, each in one piece of a block that never moves.
template <typename Fact>
class ListStore {
 public:
  std::span<Fact> Keep(const std::vector<Fact>& list) {
    if (list.empty()) return {};
    if (list.size() > free_size_) {
      free_size_ = std::max(kBlockBytes / sizeof(Fact), list.size());
      blocks_.push_back(std::make_unique<Fact[]>(free_size_));
      free_ = blocks_.back().get();
    }
    const std::span<Fact> copy(free_, list.size());
    std::ranges::copy(list, copy.begin());
    free_ += list.size();
    free_size_ -= list.size();
    return copy;
  }

 private:
  // Large enough that the unused ends of blocks are little, small enough for the lists that
  // are few (1,300 disks in MAME 0.251).
  static constexpr size_t kBlockBytes = 65536;
  std::vector<std::unique_ptr<Fact[]>> blocks_;
  Fact* free_ = nullptr;
  size_t free_size_ = 0;
};

}  // namespace

static_assert(sizeof(RomFact) == 24);

// The machines are found through open addressing over their positions: a slot costs four bytes
// where a hash map's node costs fifty, which counts with MAME's 45,000 machines.
struct MameFacts::Impl {
  TextStore text;
  // std::string_view for device references and samples alike.
  std::tuple<ListStore<RomFact>, ListStore<DiskFact>, ListStore<std::string_view>,
             ListStore<BiosSetFact>, ListStore<ControlFact>>
      lists;
  std::deque<MachineFacts> machines;  // a deque: adding keeps the earlier machines in place
  std::vector<uint32_t> slots;        // a machine's position + 1; 0 for a free slot

  // The slot that holds `name`, or the free slot where it would go.
  size_t SlotOf(std::string_view name) const {
    const size_t mask = slots.size() - 1;
    size_t slot = FoldedHash(name) & mask;
    while (slots[slot] != 0 && !EqualsNoCase(machines[slots[slot] - 1].name, name)) {
      slot = (slot + 1) & mask;
    }
    return slot;
  }

  // Keeps at least half the slots free, so that a search ends soon.
  void MakeRoom() {
    if (2 * (machines.size() + 1) <= slots.size()) return;
    slots.assign(slots.empty() ? 1024 : 2 * slots.size(), 0);
    for (size_t i = 0; i < machines.size(); ++i) {
      slots[SlotOf(machines[i].name)] = static_cast<uint32_t>(i + 1);
    }
  }
};

MameFacts::MameFacts() : impl_(std::make_unique<Impl>()) {}
MameFacts::~MameFacts() = default;
MameFacts::MameFacts(MameFacts&&) noexcept = default;
MameFacts& MameFacts::operator=(MameFacts&&) noexcept = default;

const MachineFacts* MameFacts::Find(std::string_view name) const {
  if (impl_->slots.empty()) return nullptr;
  const uint32_t found = impl_->slots[impl_->SlotOf(name)];
  return found == 0 ? nullptr : &impl_->machines[found - 1];
}

size_t MameFacts::size() const { return impl_->machines.size(); }

const MachineFacts& MameFacts::at(size_t index) const { return impl_->machines.at(index); }

MachineFacts& MameFacts::Add(std::string_view name, TextId kept) {
  impl_->MakeRoom();
  const size_t slot = impl_->SlotOf(name);
  if (impl_->slots[slot] != 0) return impl_->machines[impl_->slots[slot] - 1];
  MachineFacts& machine = impl_->machines.emplace_back();
  machine.name = kept.empty() ? Keep(name) : Text(kept);
  impl_->slots[slot] = static_cast<uint32_t>(impl_->machines.size());
  return machine;
}

std::string_view MameFacts::Keep(std::string_view text) { return Text(KeepId(text)); }

TextId MameFacts::KeepId(std::string_view text) { return impl_->text.Keep(text, source); }

std::string_view MameFacts::Text(TextId id) const { return impl_->text.Text(id); }

template <typename Fact>
std::span<const Fact> MameFacts::KeepList(const std::vector<Fact>& list) {
  return std::get<ListStore<Fact>>(impl_->lists).Keep(list);
}

template std::span<const RomFact> MameFacts::KeepList(const std::vector<RomFact>&);
template std::span<const DiskFact> MameFacts::KeepList(const std::vector<DiskFact>&);
template std::span<const std::string_view> MameFacts::KeepList(
    const std::vector<std::string_view>&);
template std::span<const BiosSetFact> MameFacts::KeepList(const std::vector<BiosSetFact>&);
template std::span<const ControlFact> MameFacts::KeepList(const std::vector<ControlFact>&);

}  // namespace tabulon
