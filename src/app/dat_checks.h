// What a run says about files it does not read, or reads without what they should give: the
// mistakes users make when they fill dats/ and catvers/, which would otherwise cost games or
// categories without a word.
#pragma once

#include <string>

#include "records/run_state.h"

namespace tabulon {

// Lists dats/ and says what in it is not read: a warning for an entry named *.dat that is not a
// file (a folder, pipe or device), a report note, naming it and what to do, for every other entry
// that is not a dat (another name, a subfolder, a hidden file).
void ReportWhatIsNotRead(RunState& run);

// The warning for dats/<name> when its first bytes show that it is no text (an archive, UTF-16
// text other than XML, binary data), so that reading it could only give garbage; empty for a dat to
// read, and for anything that is not a file or cannot be opened, which its reader reports.
std::string NotTextWarning(const RunState& run, const std::string& name);

// Notes, when MAME's own list was read with catvers/catver.ini missing, that every MAME game got
// the placeholder category and where catver.ini files come from.
void NoteMissingMameCatver(RunState& run);

}  // namespace tabulon
