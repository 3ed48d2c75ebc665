#include "mame/mame_facts_builder.h"

#include <algorithm>
#include <span>
#include <unordered_set>

namespace tabulon {

bool FactsBuilder::Begin(std::string_view name) {
  if (facts_->Find(name) != nullptr) {
    machine_ = nullptr;
    return false;
  }
  machine_ = &facts_->Add(Flat(name));
  return true;
}

void FactsBuilder::End() {
  if (machine_ == nullptr) return;
  // Each list is copied into the facts' storage and its buffer kept for the next machine.
  auto store = [this](auto* list) {
    const auto kept = facts_->KeepList(*list);
    list->clear();
    return kept;
  };
  machine_->roms = store(&roms);
  machine_->disks = store(&disks);
  if (!thin_devices_) {
    machine_->device_refs = store(&device_refs);
  } else if (!device_refs.empty()) {
    held_.push_back({machine_, held_refs_.size(), device_refs.size()});
    // As handles: a million references are held until every machine is in, 16 MB as views.
    for (const std::string_view ref : device_refs) held_refs_.push_back(InternId(ref));
    device_refs.clear();
  }
  machine_->bios_sets = store(&bios_sets);
  machine_->samples = store(&samples);
  machine_->controls = store(&controls);
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
  return facts_->Text(InternId(text));
}

TextId FactsBuilder::InternId(std::string_view text) {
  if (text.empty()) return {};
  text = Flat(text);
  const auto found = interned_.find(text);
  if (found != interned_.end()) return found->second;
  const TextId id = facts_->KeepId(text);
  interned_.emplace(facts_->Text(id), id);
  return id;
}

std::string_view FactsBuilder::Keep(std::string_view text) { return facts_->Keep(Flat(text)); }

TextId FactsBuilder::KeepId(std::string_view text) { return facts_->KeepId(Flat(text)); }

void FactsBuilder::KeepDevicesWithFiles() {
  std::unordered_set<std::string_view> seen;
  std::vector<std::string_view> kept;
  for (const HeldRefs& held : held_) {
    seen.clear();
    kept.clear();
    for (const TextId id : std::span(held_refs_).subspan(held.first, held.count)) {
      const std::string_view ref = facts_->Text(id);
      const MachineFacts* device = facts_->Find(ref);
      const bool needs_files = device == nullptr || !device->roms.empty() || !device->disks.empty();
      if (needs_files && seen.insert(ref).second) kept.push_back(ref);
    }
    held.machine->device_refs = facts_->KeepList(kept);
  }
  held_ = {};
  held_refs_ = {};
}

}  // namespace tabulon
