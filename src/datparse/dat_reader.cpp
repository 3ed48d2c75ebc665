// The dat reader. The front ends read lists whose every line depends on these rules, so they are
// kept exactly: the first block is never recognised as a resource block by its opening line, a
// field is the first occurrence of its key anywhere in the block text, and lines between blocks
// join the next block.
#include "datparse/dat_reader.h"

#include <cstring>
#include <vector>

#include "datparse/category_lookup.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

constexpr int kHeaderLines = 10;

bool KeepLine(std::string_view line) {
  return !StartsWith(line, "history") && !StartsWith(line, "rom") &&
         !StartsWith(line, "dipswitch") && !StartsWith(line, "chip") && !line.empty() &&
         line != ")";
}

// A bracketed field loses its brackets (a single character leaves nothing) and, when asked, the
// spaces inside them; an empty field becomes "na". Done in place, as every block has a few.
void Unbracket(std::string* field, bool trim) {
  if (field->empty()) {
    *field = "na";
    return;
  }
  std::string_view inside;
  if (field->size() >= 2) inside = std::string_view(*field).substr(1, field->size() - 2);
  if (trim) inside = TrimSpaces(inside);
  if (inside.empty()) {
    field->clear();
    return;
  }
  const size_t begin = static_cast<size_t>(inside.data() - field->data());
  field->erase(begin + inside.size());
  field->erase(0, begin);
}

bool IsBlockEnd(std::string_view line) { return TrimSpaces(line) == ")"; }

// A line longer than this gives its memory back once it has been used, so that one enormous
// line (a file that is not a dat, or LF-ended text with one stray CR) costs a few times its
// size, not a copy per buffer it passed through.
constexpr size_t kLongLine = size_t{1} << 20;

void ReleaseIfLong(std::string* line) {
  if (line->capacity() > kLongLine) std::string().swap(*line);
}

}  // namespace

void CleanLine(std::string_view raw, std::string* line) {
  line->resize(raw.size());
  char* out = line->data();
  size_t kept = 0;
  for (char c : raw) {
    // Every byte is written and only the kept ones advance: no branch per byte.
    out[kept] = c;
    kept += static_cast<size_t>((c != '\n') & (c != '\r') & (c != '\t') & (c != '"'));
  }
  std::string_view trimmed = TrimSpaces(std::string_view(out, kept));
  if (!trimmed.empty() && trimmed.data() != out) {
    std::memmove(out, trimmed.data(), trimmed.size());
  }
  line->resize(trimmed.size());
}

void GetSlot(std::string_view block_text, std::string_view search, std::string* slot) {
  size_t pos = block_text.find(search);
  if (pos == std::string_view::npos) return;
  std::string_view rest = block_text.substr(pos);
  std::string_view piece = rest.substr(0, rest.find("\r\n"));
  slot->assign(TrimSpaces(Mid(piece, search.size())));
}

size_t GetListInfo(const std::string& dat_name, RunState& run, MameSideRows* side_rows,
                   CategorySummary* categories) {
  const bool mame_mode = side_rows != nullptr;
  const std::string shown_name = mame_mode ? dat_name : InFolder("dats", dat_name);
  LineReader dat(InFolder(mame_mode ? run.app_dir : run.DatsDir(), dat_name));
  return GetListInfo(dat, shown_name, run, side_rows, categories);
}

size_t GetListInfo(LineSource& dat, const std::string& shown_name, RunState& run,
                   MameSideRows* side_rows, CategorySummary* categories) {
  FieldSlots& s = run.slots;
  const bool mame_mode = side_rows != nullptr;

  s.lCat.clear();
  s.lVer.clear();
  std::string raw;
  std::string current;

  // Header phase: a CLRMAMEPRO header in the first ten lines names the emulator. The lines read
  // here are gone for the block scan.
  s.LEmu = "MAME";
  if (!mame_mode) {
    bool header = false;
    for (int i = 0; i < kHeaderLines && dat.ReadLine(&current); ++i) {
      CleanLine(current, &current);
      if (UpperAscii(Left(current, 12)) == "CLRMAMEPRO (") {
        header = true;
        break;
      }
    }
    bool named = false;
    if (header) {
      while (!(named = UpperAscii(Left(current, 5)) == "NAME ") && dat.ReadLine(&current)) {
        CleanLine(current, &current);
      }
      if (named) s.LEmu = std::string(TrimSpaces(Mid(current, 5)));
    }
    if (dat.AtEnd()) {
      const char* why = !header  ? "the file ends within its first ten lines, which are never "
                                   "scanned for games; no game was read"
                        : !named ? "the CLRMAMEPRO header has no name line; no game was read"
                                 : "the file ends in its CLRMAMEPRO header; no game was read";
      run.Warn(FormatLocation(shown_name, 0, why));
    }
  }
  current.clear();

  run.ShowStatus("Parsing " + s.LEmu + " Dat File");
  // A category file that cannot be read or made costs the dat its categories, not its games.
  CategoryLookup catver = [&] {
    try {
      return CategoryLookup::PrepareCatver(run.app_dir, s.LEmu);
    } catch (const Error& e) {
      run.Warn(std::string(e.what()) + "; the sets of " + shown_name +
               " get placeholder categories");
      return CategoryLookup::Placeholders(run.app_dir, s.LEmu);
    }
  }();

  size_t added = 0;
  size_t found = 0;  // where the first block opening line was found; 0 until then
  while (!dat.AtEnd()) {
    run.lgame.clear();
    run.Yield();

    // Seek the first block only; later blocks are read on from where the previous one ended.
    while (found == 0 && !dat.AtEnd()) {
      run.Yield();
      dat.ReadLine(&raw);
      found = InStr(raw, "game (");
      if (found == 0) found = InStr(raw, "resource (");
      ReleaseIfLong(&raw);
    }

    // Collect the block's lines up to its ")".
    while (!IsBlockEnd(current) && !dat.AtEnd()) {
      run.Yield();
      dat.ReadLine(&current);
      CleanLine(current, &current);
      if (KeepLine(current)) {
        run.lgame += "\r\n";
        run.lgame += current;
      }
      // A long line is never the block's ")", so an empty one stands in for it as well.
      ReleaseIfLong(&current);
    }
    const bool resource = InStr(run.lgame, "resource (") != 0;

    // Skip the one separator line after the block.
    if (IsBlockEnd(current) && !dat.AtEnd()) dat.ReadLine(&current);

    s.lrom.clear();
    s.lDesc.clear();
    s.lYear.clear();
    s.LManu.clear();
    s.LClone.clear();
    s.LDriver.clear();
    s.LVideo.clear();
    s.LInput.clear();
    s.lCat.clear();
    s.lVer.clear();
    s.LDriverC.clear();

    GetSlot(run.lgame, "name ", &s.lrom);
    GetSlot(run.lgame, "description ", &s.lDesc);
    GetSlot(run.lgame, "year ", &s.lYear);
    GetSlot(run.lgame, "manufacturer ", &s.LManu);
    GetSlot(run.lgame, "cloneof ", &s.LClone);
    if (!mame_mode) GetSlot(run.lgame, "driver (", &s.LDriver);
    GetSlot(run.lgame, "video (", &s.LVideo);
    GetSlot(run.lgame, "input (", &s.LInput);

    if (s.LClone.empty()) s.LClone = s.lrom;
    if (s.lYear.empty()) s.lYear = "????";

    catver.GetCatVer(&s);

    // MAME's own list: the n-th game takes the n-th row of each side file. The listdetails row
    // takes the place of the line in hand, which is where the search for the next block goes
    // on from: the block's own closing line has then been read already.
    if (mame_mode && !resource) side_rows->NextGame(&current, &s.LDriverC, &s.LDriver);

    if (!mame_mode) Unbracket(&s.LDriver, false);
    Unbracket(&s.LVideo, true);
    Unbracket(&s.LInput, true);

    if (mame_mode) catver.ReplaceUnknownForMame(&s);

    if (mame_mode && run.hold_mame) {
      std::string driver_line;
      GetSlot(run.lgame, "driver (", &driver_line);
      run.held_mame.push_back(HoldRecord(s, resource, driver_line, &run.held_text));
    } else {
      AddGameRecord(s, run.layout, &run.List1);
    }
    ++added;
  }

  try {
    catver.Finish();
  } catch (const Error& e) {
    run.Warn(std::string(e.what()) + "; the category file of " + shown_name + " was not made");
  }
  const std::string catver_name = InFolder("catvers", CategoryFileName(s.LEmu));
  // No-Intro's "[BIOS] ..." sets: the placeholder line written for such a name reads back as a
  // section line, which hides the category lines after it.
  if (const size_t unkeyable = catver.unkeyable(); unkeyable > 0) {
    const std::vector<std::string>& first = catver.first_unkeyable();
    std::string names;
    for (const std::string& name : first) names += (names.empty() ? "" : ", ") + name;
    if (unkeyable > first.size()) {
      names += " and " + std::to_string(unkeyable - first.size()) + " more";
    }
    run.Warn(catver_name + ": " + std::to_string(unkeyable) + (unkeyable == 1 ? " set" : " sets") +
             " of " + shown_name +
             " get no category, as no category file can hold a name that holds \"=\", or "
             "begins with \"[\" and holds \"]\": " +
             names +
             "; delete any lines for them from that file: they are never read back, and a line "
             "beginning with \"[\" hides the lines after it");
  }
  if (categories != nullptr) {
    *categories = catver.summary();
    categories->file = catver_name;
  }
  return added;
}

}  // namespace tabulon
