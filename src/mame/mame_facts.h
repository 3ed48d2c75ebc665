// What MAME knows of its machines beyond the three lists: the files each needs (ROMs, disks,
// samples, BIOS options, devices), whether it is mechanical, and every control. The list shaping
// reads them; they come from MAME's -listxml (listxml.xml in the application folder) or an old
// MAME's listinfo.dat, and are kept in a small file of their own for the runs that reuse the
// lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

struct RomFact {
  std::string_view name;
  std::string_view merge;  // the parent's (or BIOS's) name of the same ROM; empty when none
  std::string_view bios;   // the BIOS option (biosset) that needs it; empty for every option
  uint64_t size = 0;
  uint32_t crc = 0;
  bool has_crc = false;
  bool nodump = false;    // status="nodump": no dump exists, nothing to look for
  bool optional = false;  // optional="yes"
};

struct DiskFact {
  std::string_view name;
  std::string_view merge;
  bool nodump = false;
  bool optional = false;
};

struct ControlFact {
  std::string_view type;  // "joy", "stick", "mahjong", "hanafuda", "gambling", "keypad", ...
  std::string_view ways;  // as MAME writes it: "8", "vertical2", "5 (half8)"; empty when none
  int buttons = 0;
};

struct BiosSetFact {
  std::string_view name;
  bool is_default = false;  // default="yes"
};

struct MachineFacts {
  std::string_view name;
  std::string_view clone_of;
  std::string_view rom_of;
  std::string_view sample_of;
  bool bios = false;        // isbios="yes", or runnable="no" in older MAME
  bool device = false;      // isdevice="yes"
  bool mechanical = false;  // ismechanical="yes"
  std::vector<RomFact> roms;
  std::vector<DiskFact> disks;
  // The devices of <device_ref> that need files of their own (ROMs or disks), each once, in
  // MAME's order; the many that need none (CPUs, speakers, timers) are left out.
  std::vector<std::string_view> device_refs;
  std::vector<BiosSetFact> bios_sets;
  std::vector<std::string_view> samples;  // sample names, without ".wav"
  std::vector<ControlFact> controls;
};

// Which facts the source gave: an old MAME's listinfo.dat has ROMs, disks and samples, but says
// nothing of mechanical machines and names one control only.
struct FactsKnown {
  bool files = false;       // roms, disks, samples, BIOS options, devices
  bool mechanical = false;  // ismechanical
  bool controls = false;    // every control of a machine
};

class MameFacts {
 public:
  MameFacts();
  ~MameFacts();
  MameFacts(MameFacts&&) noexcept;
  MameFacts& operator=(MameFacts&&) noexcept;

  // The machine of that name, compared without regard to ASCII case; null when MAME has none.
  const MachineFacts* Find(std::string_view name) const;
  size_t size() const;
  // The machines in the order they were added, as MAME listed them.
  const MachineFacts& at(size_t index) const;

  // Adds a machine (for the readers and the tests); its views must come from Keep(). A name
  // added twice keeps its first machine.
  MachineFacts& Add(std::string_view name);
  // Copies text into storage that lives as long as these facts.
  std::string_view Keep(std::string_view text);

  FactsKnown known;
  std::string source;  // the file the facts were read from, for the report and warnings

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Reads the facts of MAME's -listxml output in `xml_path` (either XML dialect). Throws Error
// naming the file, the line and what is wrong when it cannot be read or is not well formed.
MameFacts ReadFactsFromListXml(const std::string& xml_path);

// Reads the facts of an old MAME's listinfo.dat (rom, disk, sample, biosset lines; romof,
// cloneof, sampleof). Throws Error naming the file when it cannot be read.
MameFacts ReadFactsFromListinfo(const std::string& listinfo_path);

// The facts for the lists now in `app_dir`: from the facts file kept beside them when it was
// made from the same listxml.xml (or listinfo.dat of an old MAME), unchanged; otherwise read
// from that file and kept for the next run (a facts file that cannot be written is no fault:
// it is read again next time). Returns facts with nothing known, and `*why` saying how to get
// them, when neither listxml.xml nor an old MAME's listinfo.dat with ROM lines is there.
MameFacts LoadMameFacts(const std::string& app_dir, std::string* why);

}  // namespace tabulon
