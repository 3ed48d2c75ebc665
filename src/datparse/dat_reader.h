// Reader of dat files in the block format of MAME's listinfo output and of CLRMAMEPRO dats:
// every "game (" or "resource (" block becomes one game record.
#pragma once

#include <string>
#include <string_view>

#include "datparse/mame_side_rows.h"
#include "platform/line_source.h"
#include "records/run_state.h"

namespace tabulon {

// Sets `line` to the dat line as the reader sees it: every LF, CR, TAB and double quote of `raw`
// removed, then leading and trailing spaces trimmed. `line` keeps its buffer from line to line.
// `raw` may be all of `*line`, which is then cleaned in place, but no other part of it.
void CleanLine(std::string_view raw, std::string* line);

// Field extractor: finds the first occurrence of `search` anywhere in the block text and sets
// `slot` to the rest of that line, from the last character of `search` on, trimmed of spaces.
// Leaves `slot` as it was when `search` does not occur.
void GetSlot(std::string_view block_text, std::string_view search, std::string* slot);

// Reads one dat and adds a record per block to run.List1, with category and version from the
// emulator's category file. Outside MAME mode (no `side_rows`) the file is dats/<dat_name> and a
// CLRMAMEPRO header in its first ten lines names the emulator; in MAME mode it is
// <app>/<dat_name>, the emulator is MAME, and every game block takes its driver name and status
// from `side_rows`. Returns the number of records added, and how the category file served them
// in `categories` when given. Throws Error naming the file when it cannot be read.
size_t GetListInfo(const std::string& dat_name, RunState& run, MameSideRows* side_rows = nullptr,
                   CategorySummary* categories = nullptr);

// The same reader over lines from `dat`, a dat in the block format made from another format (an
// XML dat) or a file already open; `shown_name` names it in warnings. Errors of `dat` are thrown
// on; the records added before them stay in run.List1.
size_t GetListInfo(LineSource& dat, const std::string& shown_name, RunState& run,
                   MameSideRows* side_rows = nullptr, CategorySummary* categories = nullptr);

}  // namespace tabulon
