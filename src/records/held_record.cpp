// Holding a record's texts in an arena, and the slots back from them.
#include "records/held_record.h"

#include <string>

namespace tabulon {
namespace {

// Every text member of the two slot types, in one order.
template <typename Slots, typename Each>
void ForEachText(Slots& s, Each each) {
  for (auto* text : {&s.lrom, &s.lDesc, &s.lYear, &s.LManu, &s.LClone, &s.LEmu, &s.lCat, &s.lVer,
                     &s.LDriver, &s.LVideo, &s.LInput, &s.LDriverC}) {
    each(*text);
  }
}

}  // namespace

HeldRecord HoldRecord(const FieldSlots& slots, bool resource, std::string_view driver_line,
                      StringArena* text) {
  HeldRecord held;
  const std::string* from[] = {&slots.lrom,    &slots.lDesc,  &slots.lYear,  &slots.LManu,
                               &slots.LClone,  &slots.LEmu,   &slots.lCat,   &slots.lVer,
                               &slots.LDriver, &slots.LVideo, &slots.LInput, &slots.LDriverC};
  size_t i = 0;
  ForEachText(held.slots, [&](std::string_view& to) { to = text->Keep(*from[i++]); });
  held.resource = resource;
  held.driver_line = text->Keep(driver_line);
  return held;
}

HeldRecord HoldRecord(const HeldRecord& held, StringArena* text) {
  HeldRecord copy = held;
  ForEachText(copy.slots, [text](std::string_view& to) { to = text->Keep(to); });
  copy.driver_line = text->Keep(held.driver_line);
  return copy;
}

FieldSlots SlotsOf(const HeldRecord& held) {
  FieldSlots slots;
  const std::string_view* from[] = {&held.slots.lrom,   &held.slots.lDesc,  &held.slots.lYear,
                                    &held.slots.LManu,  &held.slots.LClone, &held.slots.LEmu,
                                    &held.slots.lCat,   &held.slots.lVer,   &held.slots.LDriver,
                                    &held.slots.LVideo, &held.slots.LInput, &held.slots.LDriverC};
  size_t i = 0;
  ForEachText(slots, [&](std::string& to) { to = *from[i++]; });
  return slots;
}

}  // namespace tabulon
