// The facts' storage: machines in the order they were added, found by name through a hash of
// the name with ASCII letters folded.
#include "mame/mame_facts.h"

#include <deque>
#include <unordered_map>

#include "platform/strings.h"

namespace tabulon {
namespace {

struct FoldedHash {
  size_t operator()(std::string_view name) const {
    size_t hash = 14695981039346656037ull;
    for (const char c : name) {
      hash ^= static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
      hash *= 1099511628211ull;
    }
    return hash;
  }
};

struct FoldedEqual {
  bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};

}  // namespace

struct MameFacts::Impl {
  StringArena text;
  std::deque<MachineFacts> machines;  // a deque: adding keeps the earlier machines in place
  std::unordered_map<std::string_view, MachineFacts*, FoldedHash, FoldedEqual> by_name;
};

MameFacts::MameFacts() : impl_(std::make_unique<Impl>()) {}
MameFacts::~MameFacts() = default;
MameFacts::MameFacts(MameFacts&&) noexcept = default;
MameFacts& MameFacts::operator=(MameFacts&&) noexcept = default;

const MachineFacts* MameFacts::Find(std::string_view name) const {
  const auto found = impl_->by_name.find(name);
  return found == impl_->by_name.end() ? nullptr : found->second;
}

size_t MameFacts::size() const { return impl_->machines.size(); }

const MachineFacts& MameFacts::at(size_t index) const { return impl_->machines.at(index); }

MachineFacts& MameFacts::Add(std::string_view name) {
  const std::string_view kept = Keep(name);
  if (MachineFacts* existing = impl_->by_name.emplace(kept, nullptr).first->second) {
    return *existing;
  }
  MachineFacts& machine = impl_->machines.emplace_back();
  machine.name = kept;
  impl_->by_name[kept] = &machine;
  return machine;
}

std::string_view MameFacts::Keep(std::string_view text) { return impl_->text.Keep(text); }

}  // namespace tabulon
