#include "mame/mame_facts_builder.h"

#include <algorithm>
#include <span>
#include <unordered_map>

namespace tabulon {
namespace {

uint32_t TextHash(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace

bool FactsBuilder::Begin(std::string_view name) {
  if (facts_->Find(name) != nullptr) {
    machine_ = nullptr;
    return false;
  }
  // The name is kept once for the machine and every reference to it (parents, devices).
  const TextId id = InternId(name);
  machine_ = &facts_->Add(facts_->Text(id), id);
  machine_refs_from_ = held_refs_.size();
  return true;
}

void FactsBuilder::AddDeviceRef(std::string_view device) {
  if (device.empty()) return;
  if (thin_devices_) {
    // As handles: a million references are held until every machine is in, 16 MB as views.
    held_refs_.push_back(InternId(device));
  } else {
    device_refs_.push_back(Intern(device));
  }
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
    machine_->device_refs = store(&device_refs_);
  } else if (held_refs_.size() > machine_refs_from_) {
    held_.push_back({machine_, machine_refs_from_, held_refs_.size() - machine_refs_from_});
  }
  machine_->bios_sets = store(&bios_sets);
  machine_->samples = store(&samples);
  machine_->controls = store(&controls);
  machine_ = nullptr;
}

std::string_view FactsBuilder::Flat(std::string_view text) {
  const auto breaks = [](char c) { return c == '\t' || c == '\r' || c == '\n'; };
  if (std::none_of(text.begin(), text.end(), breaks)) return text;
  flat_.assign(text);
  std::replace_if(flat_.begin(), flat_.end(), breaks, ' ');
  return flat_;
}

size_t FactsBuilder::SlotOf(std::string_view text, uint32_t hash) const {
  const size_t mask = interned_.size() - 1;
  size_t slot = hash & mask;
  while (!interned_[slot].id.empty() &&
         (interned_[slot].hash != hash || facts_->Text(interned_[slot].id) != text)) {
    slot = (slot + 1) & mask;
  }
  return slot;
}

void FactsBuilder::Remember(std::string_view text, uint32_t hash, TextId id) {
  // At most half the slots taken, so that a search ends soon.
  if (2 * (interned_count_ + 1) > interned_.size()) {
    std::vector<Interned> old(interned_.empty() ? 4096 : 2 * interned_.size());
    old.swap(interned_);
    for (const Interned& kept : old) {
      if (!kept.id.empty()) interned_[SlotOf(facts_->Text(kept.id), kept.hash)] = kept;
    }
  }
  interned_[SlotOf(text, hash)] = {hash, id};
  ++interned_count_;
}

std::string_view FactsBuilder::Intern(std::string_view text) {
  return facts_->Text(InternId(text));
}

TextId FactsBuilder::InternId(std::string_view text) {
  if (text.empty()) return {};
  text = Flat(text);
  const uint32_t hash = TextHash(text);
  if (!interned_.empty()) {
    const Interned& found = interned_[SlotOf(text, hash)];
    if (!found.id.empty()) return found.id;
  }
  const TextId id = facts_->KeepId(text);
  Remember(facts_->Text(id), hash, id);
  return id;
}

std::string_view FactsBuilder::Keep(std::string_view text) { return facts_->Keep(Flat(text)); }

TextId FactsBuilder::KeepId(std::string_view text) { return facts_->KeepId(Flat(text)); }

void FactsBuilder::KeepDevicesWithFiles() {
  // A million references name a thousand devices: each is looked up once.
  std::unordered_map<uint32_t, bool> needs_files;
  std::vector<TextId> kept_ids;
  std::vector<std::string_view> kept;
  for (const HeldRefs& held : held_) {
    kept_ids.clear();
    kept.clear();
    for (const TextId id : std::span(held_refs_).subspan(held.first, held.count)) {
      auto [known, added] = needs_files.try_emplace(id.at);
      if (added) {
        const MachineFacts* device = facts_->Find(facts_->Text(id));
        known->second = device == nullptr || !device->roms.empty() || !device->disks.empty();
      }
      // The few kept are told apart by their handles, as each text has one.
      if (known->second && std::ranges::find(kept_ids, id) == kept_ids.end()) {
        kept_ids.push_back(id);
        kept.push_back(facts_->Text(id));
      }
    }
    held.machine->device_refs = facts_->KeepList(kept);
  }
  held_ = {};
  held_refs_ = {};
}

}  // namespace tabulon
