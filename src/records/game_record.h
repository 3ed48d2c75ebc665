// Composing a game record from the field slots, and writing the record list as masterlist.lst.
#pragma once

#include <string>

#include "records/field_slots.h"
#include "records/record_list.h"

namespace tabulon {

// The two record layouts. Normal: |D|Y|M|C|E|K|V||S|W|I|T|^R, the rom name parked behind "^" so
// the list sorts by description. Quintara: |D|R|Y|M|C||K|V||E|app and 26 more separators, for
// front ends that read that 38-field form.
enum class RecordLayout { kNormal, kQuintara };

// The record text of the slots in the given layout.
std::string ComposeRecord(const FieldSlots& slots, RecordLayout layout);

// Composes the record and adds it to the list.
void AddGameRecord(const FieldSlots& slots, RecordLayout layout, RecordList* list);

// masterlist.lst in the parent of the application folder.
std::string MasterListPath(const std::string& app_dir);

// Writes the list to MasterListPath(app_dir), one line per record with CR LF, replacing the old
// file atomically. Normal layout: the rom name moves to the front and records without one are
// left out; Quintara layout: records are written as they are when field 2 (the rom name) is not
// empty. Returns the number of lines written. Throws Error naming the file when it cannot.
size_t WriteMasterList(const std::string& app_dir, const RecordList& list, RecordLayout layout);

}  // namespace tabulon
