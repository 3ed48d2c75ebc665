// The list shaping of a run: MAME's records held back while they were read go through the steps
// of tabulon.ini, and those kept go into the record list as they would have without it.
#pragma once

#include <optional>

#include "mame/mame_facts.h"
#include "records/run_state.h"
#include "shaping/shaping_settings.h"

namespace tabulon {

// Runs the steps over run.held_mame, adds the records they keep to run.List1 (a clone that
// stands for its family alone names itself as "clone of" unless KeepCloneOf), and fills
// run.report.shaping. Facts MAME's lists lack, and a ROM folder that cannot be read, are
// warnings; the steps that needed them leave nothing out. MAME's facts are `gathered`'s when it
// holds them (gathered while this run converted MAME's lists), else they are loaded.
void ShapeMameRecords(RunState& run, const ShapingSettings& settings,
                      std::optional<MameFacts>* gathered = nullptr);

// Whether any step of `settings` needs what MAME knows beyond its lists (MameFacts).
bool NeedsMameFacts(const ShapingSettings& settings);

}  // namespace tabulon
