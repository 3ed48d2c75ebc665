#include "shaping/shape_steps.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "platform/strings.h"
#include "shaping/shape_fields.h"

namespace tabulon {
namespace {

std::unordered_set<std::string> LowerNames(const std::vector<std::string>& names) {
  std::unordered_set<std::string> set;
  for (const std::string& name : names) set.insert(LowerAscii(TrimSpaces(name)));
  return set;
}

struct Pattern {
  std::string text;  // lower case
  bool glob;
};

std::vector<Pattern> Patterns(const std::vector<std::string>& written) {
  std::vector<Pattern> patterns;
  for (const std::string& entry : written) {
    std::string text = LowerAscii(TrimSpaces(entry));
    if (text.empty()) continue;
    const bool glob = text.find_first_of("*?") != std::string::npos;
    patterns.push_back({std::move(text), glob});
  }
  return patterns;
}

bool AnyMatches(const std::vector<Pattern>& patterns, std::string_view category) {
  for (const Pattern& pattern : patterns) {
    if (pattern.glob) {
      if (GlobMatches(pattern.text, category)) return true;
    } else if (StartsWith(category, pattern.text) &&
               (category.size() == pattern.text.size() ||
                category.substr(pattern.text.size(), 3) == " / ")) {
      return true;
    }
  }
  return false;
}

bool Listed(const std::vector<std::string>& list, std::string_view value) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& entry) { return EqualsNoCase(entry, value); });
}

// What the settings ask, prepared once for the whole list: names and patterns in lower case,
// and each step's "is it on at all", so that a step that is off costs nothing per record.
class Filters {
 public:
  explicit Filters(const FilterContext& context)
      : s_(context.settings),
        facts_(context.facts),
        nplayers_(context.nplayers),
        never_(LowerNames(s_.never_show)),
        always_(LowerNames(s_.always_show)),
        hide_patterns_(Patterns(s_.hide_categories)),
        show_patterns_(Patterns(s_.show_categories)) {
    mechanical_ = s_.hide_mechanical && facts_ != nullptr && facts_->known.mechanical;
    categories_ = s_.hide_mature || s_.hide_uncategorized || !hide_patterns_.empty() ||
                  !show_patterns_.empty();
    year_ = s_.year_from || s_.year_to || s_.hide_unknown_year;
    players_ = s_.players_min || s_.players_max || s_.hide_unknown_players;
    controls_ = !s_.hide_controls.empty() || !s_.joystick_ways.empty() || s_.buttons_max;
    controls_facts_ = controls_ && facts_ != nullptr && facts_->known.controls;
    screen_ = s_.orientation != Orientation::kAny || !s_.screen_types.empty();
  }

  ShapeStep Judge(const HeldRecord& record) {
    const HeldSlots& f = record.slots;
    if (!never_.empty() || !always_.empty()) {
      name_.assign(f.lrom);
      for (char& c : name_) c = LowerAscii(c);
      if (never_.count(name_) != 0) return ShapeStep::kNeverShow;
      if (always_.count(name_) != 0) return ShapeStep::kKept;
    }
    if (s_.hide_bios && record.resource) return ShapeStep::kBios;
    // One look-up serves the mechanical machines and the controls.
    const MachineFacts* machine =
        facts_ != nullptr && (mechanical_ || controls_facts_) ? facts_->Find(f.lrom) : nullptr;
    if (mechanical_ && machine != nullptr && machine->mechanical) return ShapeStep::kMechanical;
    if (s_.hide_screenless && f.LVideo == "na") return ShapeStep::kScreenless;
    if ((s_.hide_not_working || s_.hide_imperfect) && !record.resource) {
      const DriverStatus status = StatusOf(record);
      if (s_.hide_not_working && status == DriverStatus::kPreliminary) {
        return ShapeStep::kNotWorking;
      }
      if (s_.hide_imperfect && status == DriverStatus::kImperfect) return ShapeStep::kImperfect;
    }
    if (categories_) {
      const Category& category = CategoryOf(f.lCat);
      if (s_.hide_mature && category.mature) return ShapeStep::kMature;
      if (category.hidden) return ShapeStep::kCategories;
    }
    if (year_ && YearHidden(f.lYear)) return ShapeStep::kYear;
    if (players_ && PlayersHidden(f)) return ShapeStep::kPlayers;
    if (controls_ && ControlsHidden(f, controls_facts_ ? machine : nullptr)) {
      return ShapeStep::kControls;
    }
    if (screen_ && ScreenHidden(f.LVideo)) return ShapeStep::kScreen;
    if (s_.hide_clones && !EqualsNoCase(f.LClone, f.lrom)) return ShapeStep::kClones;
    return ShapeStep::kKept;
  }

 private:
  struct Category {
    bool mature;
    bool hidden;  // by HideUncategorized or the category lists
  };

  // A list has a few hundred categories among its tens of thousands of sets.
  const Category& CategoryOf(std::string_view field) {
    auto found = categories_seen_.find(field);
    if (found != categories_seen_.end()) return found->second;
    Category category{};
    const std::string clean = CleanCategory(field, &category.mature);
    const bool placeholder =
        clean.empty() || clean == "tltc" || clean == "????/????" || clean == "???? / ????";
    category.hidden = (s_.hide_uncategorized && placeholder) || AnyMatches(hide_patterns_, clean) ||
                      (!show_patterns_.empty() && !AnyMatches(show_patterns_, clean));
    return categories_seen_.emplace(field, category).first->second;
  }

  bool YearHidden(std::string_view field) const {
    const std::optional<YearRange> years = YearsOf(field);
    if (!years) return s_.hide_unknown_year;
    return (s_.year_to && years->first > *s_.year_to) ||
           (s_.year_from && years->last < *s_.year_from);
  }

  // nplayers.ini's word on the set or else its parent's, then MAME's; 0 when unknown.
  int PlayersOf(const HeldSlots& f) const {
    if (nplayers_ != nullptr) {
      std::string_view value = nplayers_->Find("NPlayers", f.lrom, {});
      if (value.empty() && f.LClone != f.lrom) value = nplayers_->Find("NPlayers", f.LClone, {});
      if (!value.empty()) return MostPlayersOf(value);
    }
    return FirstNumber(FieldWord(f.LInput, "players"));
  }

  bool PlayersHidden(const HeldSlots& f) const {
    const int players = PlayersOf(f);
    if (players == 0) return s_.hide_unknown_players;
    return (s_.players_min && players < *s_.players_min) ||
           (s_.players_max && players > *s_.players_max);
  }

  // Every control MAME knows of, when the facts have them, else the input field's one.
  bool ControlsHidden(const HeldSlots& f, const MachineFacts* machine) const {
    int buttons = 0;
    if (machine != nullptr) {
      for (const ControlFact& fact : machine->controls) {
        if (ControlHidden({fact.type, fact.ways, fact.buttons}, &buttons)) return true;
      }
    } else if (Control control; ControlOfInput(f.LInput, &control)) {
      if (ControlHidden(control, &buttons)) return true;
    }
    return s_.buttons_max && buttons > *s_.buttons_max;
  }

  // Whether the control's type or ways hide the set; `most_buttons` gets its buttons.
  bool ControlHidden(const Control& control, int* most_buttons) const {
    *most_buttons = std::max(*most_buttons, control.buttons);
    if (Listed(s_.hide_controls, control.type)) return true;
    if (s_.joystick_ways.empty() || !IsJoystick(control.type)) return false;
    // A joystick whose ways MAME does not give can be no mismatch.
    const int ways = FirstNumber(control.ways);
    return ways != 0 && std::find(s_.joystick_ways.begin(), s_.joystick_ways.end(), ways) ==
                            s_.joystick_ways.end();
  }

  // The video field describes the first display: "screen raster orientation vertical x 224 ...".
  bool ScreenHidden(std::string_view video) const {
    if (video == "na") return false;
    const bool vertical = FieldWord(video, "orientation") == "vertical";
    if (s_.orientation == Orientation::kVertical && !vertical) return true;
    if (s_.orientation == Orientation::kHorizontal && vertical) return true;
    return !s_.screen_types.empty() && !Listed(s_.screen_types, FieldWord(video, "screen"));
  }

  const ShapingSettings& s_;
  const MameFacts* facts_;
  const ProfileIni* nplayers_;
  std::unordered_set<std::string> never_, always_;
  std::vector<Pattern> hide_patterns_, show_patterns_;
  bool mechanical_, categories_, year_, players_, controls_, controls_facts_, screen_;
  std::unordered_map<std::string_view, Category> categories_seen_;  // views into the records
  std::string name_;  // the record's name in lower case
};

}  // namespace

std::vector<ShapeStep> RunFilters(const std::vector<HeldRecord>& records,
                                  const FilterContext& context) {
  Filters filters(context);
  std::vector<ShapeStep> verdicts;
  verdicts.reserve(records.size());
  for (const HeldRecord& record : records) verdicts.push_back(filters.Judge(record));
  return verdicts;
}

}  // namespace tabulon
