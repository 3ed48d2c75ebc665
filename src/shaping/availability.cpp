// A set is checked as MAME loads it: each file it needs is looked for in the sources of every
// set on its chain (itself, its parent, the parent's BIOS), a device's files along the device's
// own chain first, by the names and CRCs the archives' directories give.
#include "shaping/availability.h"

#include <algorithm>

#include "platform/strings.h"
#include "shaping/rom_sources.h"

namespace tabulon {
namespace {

// What was found missing so far: the kind that comes first in the report's order wins.
struct Worst {
  AvailabilityVerdict verdict;
  void Note(Missing kind, std::string reason) {
    if (verdict.missing == Missing::kNone || kind < verdict.missing) {
      verdict = {kind, std::move(reason)};
    }
  }
};

// The BIOS option a machine starts with: the one marked default, else the first.
std::string_view DefaultBios(const MachineFacts& machine) {
  for (const BiosSetFact& option : machine.bios_sets) {
    if (option.is_default) return option.name;
  }
  return machine.bios_sets.empty() ? std::string_view() : machine.bios_sets.front().name;
}

}  // namespace

struct AvailabilityCheck::Impl {
  const ShapingSettings settings;
  const MameFacts& facts;
  RomShelf roms;
  RomShelf samples;
  std::vector<std::string> warnings;
  // Kept from one set to the next, so that a check allocates nothing once they have grown.
  std::vector<const RomSource*> sources_scratch;
  std::vector<const RomSource*> device_sources_scratch;
  std::vector<const MachineFacts*> devices_scratch;
  std::vector<std::string_view> chain_scratch;

  // Appends the sources of the machine, its romof, that one's romof... (the sets whose sources
  // hold its files) to `sources`; returns the machine's own.
  const SetSources& AddChainSources(const MachineFacts& machine,
                                    std::vector<const RomSource*>* sources) {
    std::vector<std::string_view>& chain = chain_scratch;
    chain.assign(1, machine.name);
    for (const MachineFacts* at = &machine; !at->rom_of.empty();) {
      // A loop in the facts would otherwise never end.
      if (std::ranges::any_of(chain, [&](auto name) { return EqualsNoCase(name, at->rom_of); })) {
        break;
      }
      chain.push_back(at->rom_of);
      at = facts.Find(at->rom_of);
      if (at == nullptr) break;
    }
    const SetSources& own = roms.Of(machine.name);
    for (const RomSource& source : own.sources) sources->push_back(&source);
    for (size_t i = 1; i < chain.size(); ++i) {
      for (const RomSource& source : roms.Of(chain[i]).sources) sources->push_back(&source);
    }
    return own;
  }

  bool Needed(const RomFact& rom, std::string_view default_bios) const {
    if (rom.nodump || rom.optional) return false;
    return rom.bios.empty() || settings.bios_options == BiosOptions::kAll ||
           EqualsNoCase(facts.Text(rom.bios), default_bios);
  }

  bool Present(const RomFact& rom, std::string_view owner,
               const std::vector<const RomSource*>& sources) const {
    const bool by_name = settings.match != RomMatch::kCrc;
    const bool by_crc = settings.match != RomMatch::kName && rom.has_crc;
    const auto named = [&](const NameHash& name) {
      return std::ranges::any_of(sources, [&](const RomSource* source) {
        return (by_name || source->loose()) && source->HasName(name.value());
      });
    };
    // The names most sets have their files under first: each further one costs a hash.
    if (named(NameHash().Add(facts.Text(rom.name)))) return true;
    if (by_crc && std::ranges::any_of(sources, [&](const RomSource* source) {
          return source->HasCrc(rom.crc, rom.size());
        })) {
      return true;
    }
    // A merged archive keeps a clone's file that clashes with the parent's in "<clone>/".
    if (named(NameHash().Add(owner).Add("/").Add(facts.Text(rom.name)))) return true;
    return !rom.merge.empty() && named(NameHash().Add(facts.Text(rom.merge)));
  }

  // Whose file a missing ROM is: the farthest machine up the chain that has it under its merge
  // name. Its own, a parent's or a BIOS's.
  void NoteMissingRom(const MachineFacts& machine, const RomFact& rom, Worst* worst) const {
    const MachineFacts* owner = &machine;  // null when the facts do not know the machine
    std::string_view owner_name = machine.name;
    std::string_view merge = facts.Text(rom.merge);
    while (owner != nullptr && !merge.empty() && !owner->rom_of.empty()) {
      const MachineFacts* parent = facts.Find(owner->rom_of);
      if (parent == nullptr) {
        owner_name = owner->rom_of;
        owner = nullptr;
        break;
      }
      const auto same = std::ranges::find_if(
          parent->roms, [&](const RomFact& r) { return EqualsNoCase(facts.Text(r.name), merge); });
      if (same == parent->roms.end()) break;
      owner = parent;
      owner_name = parent->name;
      merge = facts.Text(same->merge);
    }
    if (owner == &machine) {
      worst->Note(Missing::kOwn, "own file " + std::string(facts.Text(rom.name)));
    } else if (owner != nullptr && owner->bios) {
      worst->Note(Missing::kBios, "BIOS " + std::string(owner_name));
    } else {
      worst->Note(Missing::kParent, "parent " + std::string(owner_name));
    }
  }

  bool DiskPresent(const DiskFact& disk, const std::vector<const RomSource*>& sources) const {
    const uint64_t name = NameHash().Add(disk.name).Add(".chd").value();
    const uint64_t merge = NameHash().Add(disk.merge).Add(".chd").value();
    return std::ranges::any_of(sources, [&](const RomSource* source) {
      return source->loose() &&
             (source->HasName(name) || (!disk.merge.empty() && source->HasName(merge)));
    });
  }

  // Whether the sample sources named after the machine or its sampleof hold each of its samples.
  bool SamplesPresent(const MachineFacts& machine) {
    std::vector<const RomSource*> sources;
    for (const std::string_view name : {machine.name, machine.sample_of}) {
      if (name.empty()) continue;
      for (const RomSource& source : samples.Of(name).sources) sources.push_back(&source);
    }
    return std::ranges::all_of(machine.samples, [&](std::string_view sample) {
      const uint64_t wav = NameHash().Add(sample).Add(".wav").value();
      const uint64_t flac = NameHash().Add(sample).Add(".flac").value();
      return std::ranges::any_of(sources, [&](const RomSource* source) {
        return source->HasName(wav) || source->HasName(flac);
      });
    });
  }

  AvailabilityVerdict Check(std::string_view set_name) {
    const MachineFacts* machine = facts.Find(set_name);
    if (machine == nullptr) return {Missing::kOwn, "not a MAME set"};
    Worst worst;
    bool needs_files = false;
    std::vector<const RomSource*>& sources = sources_scratch;
    sources.clear();
    const SetSources& own = AddChainSources(*machine, &sources);
    if (!own.unreadable.empty()) worst.Note(Missing::kOwn, "cannot read " + own.unreadable[0]);

    const std::string_view bios = DefaultBios(*machine);
    for (const RomFact& rom : machine->roms) {
      if (!Needed(rom, bios)) continue;
      needs_files = true;
      if (!Present(rom, machine->name, sources)) NoteMissingRom(*machine, rom, &worst);
    }
    for (const DiskFact& disk : machine->disks) {
      if (disk.nodump || disk.optional) continue;
      needs_files = true;
      if (!DiskPresent(disk, sources)) worst.Note(Missing::kDisk, "CHD " + std::string(disk.name));
    }
    std::vector<const MachineFacts*>& devices_seen = devices_scratch;
    devices_seen.clear();
    for (const std::string_view device_name : machine->device_refs) {
      const MachineFacts* device = facts.Find(device_name);
      if (device == nullptr || device->roms.empty() ||
          std::ranges::find(devices_seen, device) != devices_seen.end()) {
        continue;
      }
      devices_seen.push_back(device);
      // The device's own sources first, then those of the machine that holds it.
      std::vector<const RomSource*>& device_sources = device_sources_scratch;
      device_sources.clear();
      AddChainSources(*device, &device_sources);
      device_sources.insert(device_sources.end(), sources.begin(), sources.end());
      const std::string_view device_bios = DefaultBios(*device);
      for (const RomFact& rom : device->roms) {
        if (!Needed(rom, device_bios)) continue;
        needs_files = true;
        if (!Present(rom, device->name, device_sources)) {
          worst.Note(Missing::kDevice, "device " + std::string(device->name));
          break;
        }
      }
    }
    if (settings.require_samples && !machine->samples.empty()) {
      needs_files = true;
      if (!SamplesPresent(*machine)) {
        const std::string_view name =
            machine->sample_of.empty() ? machine->name : machine->sample_of;
        worst.Note(Missing::kSample, "samples " + std::string(name));
      }
    }
    if (worst.verdict.missing == Missing::kNone && !needs_files && settings.hide_needs_no_files) {
      worst.Note(Missing::kNeedsNoFiles, "needs no files");
    }
    return worst.verdict;
  }
};

AvailabilityCheck::AvailabilityCheck(const ShapingSettings& settings, const MameFacts& facts,
                                     std::vector<std::string> rom_folders,
                                     std::vector<std::string> sample_folders)
    : impl_(new Impl{settings,
                     facts,
                     RomShelf(std::move(rom_folders)),
                     RomShelf(std::move(sample_folders)),
                     {},
                     {},
                     {},
                     {},
                     {}}) {}

AvailabilityCheck::~AvailabilityCheck() = default;

AvailabilityVerdict AvailabilityCheck::Check(std::string_view set_name) {
  return impl_->Check(set_name);
}

const std::vector<std::string>& AvailabilityCheck::warnings() const {
  // The shelves' warnings in the order the sources were read: ROMs first, then samples.
  impl_->warnings = impl_->roms.warnings();
  const auto& sample_warnings = impl_->samples.warnings();
  impl_->warnings.insert(impl_->warnings.end(), sample_warnings.begin(), sample_warnings.end());
  return impl_->warnings;
}

}  // namespace tabulon
