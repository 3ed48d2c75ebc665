// A record of MAME's own list held back from the record list while the list is shaped: its field
// slots as the dat reader filled them (category and version looked up, driver status paired),
// composed only once the shaping has kept it.
#pragma once

#include <string>

#include "records/field_slots.h"

namespace tabulon {

struct HeldRecord {
  FieldSlots slots;       // LClone is the set's own name when it is no clone
  bool resource = false;  // a "resource (" block: BIOS and other sets that are no game
  // MAME's own list only: the block's driver line as read after "driver (" ("status imperfect
  // color good sound good )"), as the gamelist's status text in LDriver tells only whether the
  // set works, not whether it works imperfectly; empty when the block has none.
  std::string driver_line;
};

}  // namespace tabulon
