// The steps that leave MAME's records out of a shaped list, but for the ROM folders' check: the
// filters of tabulon.ini, in their fixed order, and the choice of one set per family.
#pragma once

#include <cstdint>
#include <vector>

#include "mame/mame_facts.h"
#include "platform/profile_ini.h"
#include "records/held_record.h"
#include "shaping/shaping_settings.h"

namespace tabulon {

// The step that left a record out, in the order the steps run; kKept for one still listed.
enum class ShapeStep : uint8_t {
  kKept,
  kNeverShow,
  kBios,
  kMechanical,
  kScreenless,
  kNotWorking,
  kImperfect,
  kMature,
  kCategories,
  kYear,
  kPlayers,
  kControls,
  kScreen,
  kClones,
  kAvailability,
  kFamily,
};

struct FilterContext {
  const ShapingSettings& settings;
  // Null, or with nothing known, when MAME's facts could not be had: the steps that need them
  // (mechanical machines, every control) then go by the records alone or leave nothing out.
  const MameFacts* facts = nullptr;
  // catvers/nplayers.ini, when there is one.
  const ProfileIni* nplayers = nullptr;
};

// The first of the filter steps (NeverShow up to HideClones) that leaves each record out, or
// kKept; [AlwaysShow] sets are exempt from all but NeverShow.
std::vector<ShapeStep> RunFilters(const std::vector<HeldRecord>& records,
                                  const FilterContext& context);

// With OnePerFamily, among the records still kept, leaves out (kFamily) all but one of each
// family (the sets that share a "clone of"), or all but its [AlwaysShow] sets when it has any,
// and marks in `represents` (sized like `records`) each clone that now stands for its family
// alone; whether such a clone then names itself as its "clone of" is KeepCloneOf's to say.
void KeepOnePerFamily(const std::vector<HeldRecord>& records, const ShapingSettings& settings,
                      std::vector<ShapeStep>* verdicts, std::vector<bool>* represents);

}  // namespace tabulon
