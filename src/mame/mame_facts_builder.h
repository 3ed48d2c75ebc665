// What the facts' readers share: each text kept once however often MAME repeats it (device and
// parent names, control types, BIOS options), and a machine's lists gathered in reused buffers
// and stored at their exact size, as 45,000 machines with a few hundred thousand ROMs would
// otherwise carry a third more than they hold.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "mame/mame_facts.h"

namespace tabulon {

class FactsBuilder {
 public:
  // With `thin_devices`, each machine's device references are held here until
  // KeepDevicesWithFiles() keeps those worth keeping.
  explicit FactsBuilder(MameFacts* facts, bool thin_devices = false)
      : facts_(facts), thin_devices_(thin_devices) {}

  // Starts the machine `name`; false, with the machine left out, when the name was added before.
  bool Begin(std::string_view name);
  // The machine begun last; its lists are filled through the members below until End().
  MachineFacts& machine() { return *machine_; }
  void End();

  // `text` kept once: the same text again gives the same view. Tabs and line breaks, which the
  // kept facts file separates its fields and lines with, become spaces.
  std::string_view Intern(std::string_view text);
  TextId InternId(std::string_view text);
  // `text` kept without looking for an earlier copy, for the many texts that seldom repeat.
  std::string_view Keep(std::string_view text);
  TextId KeepId(std::string_view text);

  // A device reference of the machine begun last.
  void AddDeviceRef(std::string_view device);

  // A device reference each device needs once, and only when the device needs files of its own:
  // four in five name timers, speakers and CPUs that have none, and the availability check only
  // looks for files. Call once every machine has been added, with `thin_devices`.
  void KeepDevicesWithFiles();

  std::vector<RomFact> roms;
  std::vector<DiskFact> disks;
  std::vector<BiosSetFact> bios_sets;
  std::vector<std::string_view> samples;
  std::vector<ControlFact> controls;

 private:
  std::string_view Flat(std::string_view text);
  // The slot of interned_ that holds `text`, or the free slot where it would go.
  size_t SlotOf(std::string_view text, uint32_t hash) const;
  void Remember(std::string_view text, uint32_t hash, TextId id);

  MameFacts* facts_;
  MachineFacts* machine_ = nullptr;
  bool thin_devices_;
  struct HeldRefs {
    MachineFacts* machine;
    size_t first, count;  // in held_refs_
  };
  std::vector<HeldRefs> held_;
  std::vector<TextId> held_refs_;
  std::vector<std::string_view> device_refs_;  // of the machine begun last, without thin_devices
  size_t machine_refs_from_ = 0;               // its first reference in held_refs_
  // The texts kept once, by open addressing: a slot is the text's hash and handle, where a hash
  // map's node would cost an allocation and a miss for each of a million look-ups.
  struct Interned {
    uint32_t hash = 0;
    TextId id;
  };
  std::vector<Interned> interned_;
  size_t interned_count_ = 0;
  std::string flat_;
};

}  // namespace tabulon
