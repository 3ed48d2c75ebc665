// A record of MAME's own list held back from the record list while the list is shaped: its field
// slots as the dat reader filled them (category and version looked up, driver status paired),
// composed only once the shaping has kept it. The texts are views into storage the holder keeps
// (tens of thousands of records: one string each would take twice the memory).
#pragma once

#include <string_view>

#include "platform/strings.h"
#include "records/field_slots.h"

namespace tabulon {

// FieldSlots' texts, as views.
struct HeldSlots {
  std::string_view lrom, lDesc, lYear, LManu, LClone, LEmu, lCat, lVer, LDriver, LVideo, LInput,
      LDriverC;
};

struct HeldRecord {
  HeldSlots slots;        // LClone is the set's own name when it is no clone
  bool resource = false;  // a "resource (" block: BIOS and other sets that are no game
  // MAME's own list only: the block's driver line as read after "driver (" ("status imperfect
  // color good sound good )"), as the gamelist's status text in LDriver tells only whether the
  // set works, not whether it works imperfectly; empty when the block has none.
  std::string_view driver_line;
};

// The record of `slots`, its texts copied into `text`.
HeldRecord HoldRecord(const FieldSlots& slots, bool resource, std::string_view driver_line,
                      StringArena* text);
// The same record, its texts copied into `text`.
HeldRecord HoldRecord(const HeldRecord& held, StringArena* text);
// The slots to compose the record from.
FieldSlots SlotsOf(const HeldRecord& held);

}  // namespace tabulon
