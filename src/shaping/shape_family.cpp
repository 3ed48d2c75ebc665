// One set per family: of the sets still listed that share a "clone of", the one a cabinet owner
// would pick by hand.
#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <unordered_set>

#include "platform/strings.h"
#include "shaping/shape_fields.h"
#include "shaping/shape_steps.h"

namespace tabulon {
namespace {

uint64_t FoldedHash(std::string_view name) {
  uint64_t hash = 14695981039346656037ull;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(LowerAscii(c));
    hash *= 1099511628211ull;
  }
  return hash;
}

void Lower(std::string_view text, std::string* lower) {
  lower->assign(text);
  for (char& c : *lower) c = LowerAscii(c);
}

struct Member {
  size_t index;
  bool pinned;  // the [PreferClone] pin of the family's parent
  DriverStatus status;
  bool avoided;  // an AvoidWords word in the description or manufacturer
  size_t region;
  bool clone;
};

// Where a description stands among the Regions ranks: 1 + the first rank with a word in it from
// its first "(" on. One with none goes before every rank for the parent (as a rule the world
// set, named without a region) and after every rank for a clone.
size_t RegionRank(std::string_view description, bool clone,
                  const std::vector<std::vector<std::string>>& regions) {
  const size_t open = description.find('(');
  if (open != std::string_view::npos) {
    const std::string_view tail = description.substr(open);
    for (size_t rank = 0; rank < regions.size(); ++rank) {
      for (const std::string& word : regions[rank]) {
        if (HasWholeWord(tail, word)) return rank + 1;
      }
    }
  }
  return clone ? regions.size() + 1 : 0;
}

}  // namespace

void KeepOnePerFamily(const std::vector<HeldRecord>& records, const ShapingSettings& settings,
                      std::vector<ShapeStep>* verdicts, std::vector<bool>* represents) {
  represents->assign(records.size(), false);
  if (!settings.one_per_family) return;

  // The kept sets in families: by a hash of "clone of" without regard to case, which spares the
  // sort most name comparisons, then by the name itself, in list order within each family.
  std::vector<std::pair<uint64_t, size_t>> kept;
  for (size_t i = 0; i < records.size(); ++i) {
    if ((*verdicts)[i] == ShapeStep::kKept)
      kept.emplace_back(FoldedHash(records[i].slots.LClone), i);
  }
  std::sort(kept.begin(), kept.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    const int order = CompareNoCase(records[a.second].slots.LClone, records[b.second].slots.LClone);
    return order != 0 ? order < 0 : a.second < b.second;
  });

  std::unordered_set<std::string> always;
  for (const std::string& name : settings.always_show) always.insert(LowerAscii(TrimSpaces(name)));
  std::vector<std::vector<std::string>> regions;
  for (const auto& rank : settings.regions) {
    regions.emplace_back();
    for (const std::string& word : rank) regions.back().push_back(LowerAscii(TrimSpaces(word)));
  }
  std::vector<std::string> avoid;
  for (const std::string& word : settings.avoid_words)
    avoid.push_back(LowerAscii(TrimSpaces(word)));

  std::vector<Member> members;
  std::vector<size_t> shown;
  std::string description, manufacturer;  // in lower case
  for (size_t begin = 0, end = 0; begin < kept.size(); begin = end) {
    std::string_view family = records[kept[begin].second].slots.LClone;
    end = begin + 1;
    while (end < kept.size() && EqualsNoCase(records[kept[end].second].slots.LClone, family)) ++end;

    shown.clear();
    for (size_t k = begin; k < end; ++k) {
      if (!always.empty() && always.count(LowerAscii(records[kept[k].second].slots.lrom)) != 0) {
        shown.push_back(kept[k].second);
      }
    }
    if (shown.empty() && end - begin > 1) {
      const std::string* pin = nullptr;
      for (const auto& [parent, clone] : settings.prefer_clone) {
        if (EqualsNoCase(TrimSpaces(parent), family)) {
          pin = &clone;
          break;
        }
      }
      members.clear();
      for (size_t k = begin; k < end; ++k) {
        const HeldSlots& f = records[kept[k].second].slots;
        const bool clone = !EqualsNoCase(f.lrom, f.LClone);
        Lower(f.lDesc, &description);
        Lower(f.LManu, &manufacturer);
        const bool avoided = std::any_of(avoid.begin(), avoid.end(), [&](const std::string& w) {
          return HasWholeWord(description, w) || HasWholeWord(manufacturer, w);
        });
        members.push_back({kept[k].second, pin != nullptr && EqualsNoCase(TrimSpaces(*pin), f.lrom),
                           StatusOf(records[kept[k].second]), avoided,
                           RegionRank(description, clone, regions), clone});
      }
      const auto best =
          std::min_element(members.begin(), members.end(), [&](const Member& a, const Member& b) {
            return std::make_tuple(!a.pinned, a.status, a.avoided, a.region, a.clone,
                                   std::string_view(records[a.index].slots.lrom)) <
                   std::make_tuple(!b.pinned, b.status, b.avoided, b.region, b.clone,
                                   std::string_view(records[b.index].slots.lrom));
          });
      shown.push_back(best->index);
    } else if (shown.empty()) {
      shown.push_back(kept[begin].second);
    }

    for (size_t k = begin; k < end; ++k) {
      const size_t i = kept[k].second;
      if (std::find(shown.begin(), shown.end(), i) == shown.end()) {
        (*verdicts)[i] = ShapeStep::kFamily;
      }
    }
    // A clone that is all that is left of its family stands for it.
    if (shown.size() == 1) {
      const HeldSlots& f = records[shown[0]].slots;
      (*represents)[shown[0]] = !EqualsNoCase(f.lrom, f.LClone);
    }
  }
}

}  // namespace tabulon
