// The facts' storage: machines in the order they were added, found by name through a hash of
// the name with ASCII letters folded.
#include "mame/mame_facts.h"

#include <cstdint>
#include <deque>
#include <vector>

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

}  // namespace

// The machines are found through open addressing over their positions: a slot costs four bytes
// where a hash map's node costs fifty, which counts with MAME's 45,000 machines.
struct MameFacts::Impl {
  StringArena text;
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

MachineFacts& MameFacts::Add(std::string_view name) {
  impl_->MakeRoom();
  const size_t slot = impl_->SlotOf(name);
  if (impl_->slots[slot] != 0) return impl_->machines[impl_->slots[slot] - 1];
  MachineFacts& machine = impl_->machines.emplace_back();
  machine.name = Keep(name);
  impl_->slots[slot] = static_cast<uint32_t>(impl_->machines.size());
  return machine;
}

std::string_view MameFacts::Keep(std::string_view text) { return impl_->text.Keep(text); }

}  // namespace tabulon
