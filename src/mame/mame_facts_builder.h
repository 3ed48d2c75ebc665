// What the facts' readers share: each text kept once however often MAME repeats it (device and
// parent names, control types, BIOS options), and a machine's lists gathered in reused buffers
// and stored at their exact size, as 45,000 machines with a few hundred thousand ROMs would
// otherwise carry a third more than they hold.
#pragma once

#include <string_view>
#include <unordered_set>
#include <vector>

#include "mame/mame_facts.h"

namespace tabulon {

class FactsBuilder {
 public:
  explicit FactsBuilder(MameFacts* facts) : facts_(facts) {}

  // Starts the machine `name`; false, with the machine left out, when the name was added before.
  bool Begin(std::string_view name);
  // The machine begun last; its lists are filled through the members below until End().
  MachineFacts& machine() { return *machine_; }
  void End();

  // `text` kept once: the same text again gives the same view. Tabs and line breaks, which the
  // kept facts file separates its fields and lines with, become spaces.
  std::string_view Intern(std::string_view text);
  // `text` kept without looking for an earlier copy, for the many texts that seldom repeat.
  std::string_view Keep(std::string_view text);

  // A device reference each device needs once, and only when the device needs files of its own:
  // four in five name timers, speakers and CPUs that have none, and the availability check only
  // looks for files. Call once every machine has been added.
  void KeepDevicesWithFiles();

  std::vector<RomFact> roms;
  std::vector<DiskFact> disks;
  std::vector<std::string_view> device_refs;
  std::vector<BiosSetFact> bios_sets;
  std::vector<std::string_view> samples;
  std::vector<ControlFact> controls;

 private:
  std::string_view Flat(std::string_view text);

  MameFacts* facts_;
  MachineFacts* machine_ = nullptr;
  std::vector<MachineFacts*> added_;
  std::unordered_set<std::string_view> interned_;
  std::string flat_;
};

}  // namespace tabulon
