// What MAME knows of its machines beyond the three lists: the files each needs (ROMs, disks,
// samples, BIOS options, devices), whether it is mechanical, and every control. The list shaping
// reads them; they come from MAME's -listxml (listxml.xml in the application folder) or an old
// MAME's listinfo.dat, and are kept in a small file of their own for the runs that reuse the
// lists.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tabulon {

// A text kept in the facts' own store, in four bytes where a view takes sixteen: each of MAME's
// third of a million ROMs holds three. MameFacts::Text gives the text back.
struct TextId {
  uint32_t at = 0;  // where the text starts in the store; 0 for the empty text
  bool empty() const { return at == 0; }
  friend bool operator==(TextId, TextId) = default;
};

// One file a machine needs, in 24 bytes, as there are so many.
struct RomFact {
  TextId name;
  TextId merge;  // the parent's (or BIOS's) name of the same ROM; empty when none
  TextId bios;   // the BIOS option (biosset) that needs it; empty for every option
  uint32_t crc = 0;
  bool has_crc = false;
  bool nodump = false;    // status="nodump": no dump exists, nothing to look for
  bool optional = false;  // optional="yes"

  uint64_t size() const { return uint64_t{size_high_} << 32 | size_low_; }
  // A size of a terabyte or more is kept as the largest below it: no ROM comes near, and no
  // archive's member matches it either way.
  void set_size(uint64_t size) {
    size = std::min<uint64_t>(size, (uint64_t{1} << 40) - 1);
    size_high_ = static_cast<uint8_t>(size >> 32);
    size_low_ = static_cast<uint32_t>(size);
  }

 private:
  uint8_t size_high_ = 0;
  uint32_t size_low_ = 0;
};

struct DiskFact {
  std::string_view name;  // without ".chd", which MAME 0.78 wrote for some
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
  // The lists live in the facts' storage (MameFacts::KeepList), all machines' in a few blocks,
  // rather than a vector each with its own allocation.
  std::span<const RomFact> roms;
  std::span<const DiskFact> disks;
  // The devices of <device_ref> that need files of their own (ROMs or disks), each once, in
  // MAME's order; the many that need none (CPUs, speakers, timers) are left out.
  std::span<const std::string_view> device_refs;
  std::span<const BiosSetFact> bios_sets;
  std::span<const std::string_view> samples;  // sample names, without ".wav"
  std::span<const ControlFact> controls;
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

  // Adds a machine (for the readers and the tests); its views must come from Keep() and its
  // lists from KeepList(). A name added twice keeps its first machine. `kept`, when not empty,
  // is the name already kept (KeepId), which the machine then shares.
  MachineFacts& Add(std::string_view name, TextId kept = {});
  // Copies text into storage that lives as long as these facts.
  std::string_view Keep(std::string_view text);
  // The same, for a RomFact's names.
  TextId KeepId(std::string_view text);
  std::string_view Text(TextId id) const;
  // Copies a machine's list into storage that lives as long as these facts; for each of
  // MachineFacts' kinds of list.
  template <typename Fact>
  std::span<const Fact> KeepList(const std::vector<Fact>& list);

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

// The facts file kept in the application folder.
inline constexpr const char* kMameFactsName = "mamefacts.dat";

// The facts for the lists now in `app_dir`: from the facts file kept beside them when it was
// made from the same listxml.xml (or listinfo.dat of an old MAME), unchanged; otherwise read
// from that file and kept for the next run (a facts file that cannot be written is no fault:
// it is read again next time). An old MAME's own listinfo.dat (one with ROM lines, which the
// lists converted from -listxml never have) comes first: its lists are the ones read, and a
// listxml.xml beside it is an earlier MAME's. Returns facts with nothing known, and `*why` saying
// how to get them, when neither is there or the one there cannot be read.
MameFacts LoadMameFacts(const std::string& app_dir, std::string* why);

// Keeps `facts`, gathered while MAME's -listxml was converted, in the facts file for the
// listxml.xml now in `app_dir`, which is that XML, for the runs that reuse the lists. A facts
// file that cannot be written is no fault: the next run reads listxml.xml.
void KeepMameFacts(const std::string& app_dir, const MameFacts& facts);

}  // namespace tabulon
