#include "mame/mame_facts_builder.h"

#include <algorithm>

namespace tabulon {
namespace {

// Copies `from` into the empty `to`, which then holds exactly what it needs.
template <typename T>
void StoreExactly(std::vector<T>* from, std::vector<T>* to) {
  to->assign(from->begin(), from->end());
  from->clear();
}

}  // namespace

bool FactsBuilder::Begin(std::string_view name) {
  if (facts_->Find(name) != nullptr) {
    machine_ = nullptr;
    return false;
  }
  machine_ = &facts_->Add(Flat(name));
  added_.push_back(machine_);
  return true;
}

void FactsBuilder::End() {
  if (machine_ == nullptr) return;
  StoreExactly(&roms, &machine_->roms);
  StoreExactly(&disks, &machine_->disks);
  StoreExactly(&device_refs, &machine_->device_refs);
  StoreExactly(&bios_sets, &machine_->bios_sets);
  StoreExactly(&samples, &machine_->samples);
  StoreExactly(&controls, &machine_->controls);
  machine_ = nullptr;
}

std::string_view FactsBuilder::Flat(std::string_view text) {
  if (text.find_first_of("\t\r\n") == std::string_view::npos) return text;
  flat_.assign(text);
  std::replace_if(
      flat_.begin(), flat_.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
  return flat_;
}

std::string_view FactsBuilder::Intern(std::string_view text) {
  if (text.empty()) return {};
  text = Flat(text);
  // Most repeated texts name a machine (a parent, a device) that is already kept.
  const MachineFacts* machine = facts_->Find(text);
  if (machine != nullptr && machine->name == text) return machine->name;
  const auto found = interned_.find(text);
  if (found != interned_.end()) return *found;
  return *interned_.insert(facts_->Keep(text)).first;
}

std::string_view FactsBuilder::Keep(std::string_view text) { return facts_->Keep(Flat(text)); }

void FactsBuilder::KeepDevicesWithFiles() {
  std::unordered_set<std::string_view> seen;
  std::vector<std::string_view> kept;
  for (MachineFacts* machine : added_) {
    std::vector<std::string_view>& refs = machine->device_refs;
    seen.clear();
    kept.clear();
    for (const std::string_view ref : refs) {
      const MachineFacts* device = facts_->Find(ref);
      const bool needs_files = device == nullptr || !device->roms.empty() || !device->disks.empty();
      if (needs_files && seen.insert(ref).second) kept.push_back(ref);
    }
    if (kept.size() != refs.size()) refs = std::vector<std::string_view>(kept.begin(), kept.end());
  }
}

}  // namespace tabulon
