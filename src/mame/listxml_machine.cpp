// What the lists take from each element of a -listxml machine, in both dialects.
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "mame/listxml_reader.h"

namespace tabulon {
namespace {

bool Is(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

// A feature's level ("unemulated", "imperfect", else none) as the driver status word.
std::string_view FeatureLevel(const char* level) {
  if (Is(level, "unemulated")) return ListXmlMachine::kPreliminary;
  if (Is(level, "imperfect")) return ListXmlMachine::kImperfect;
  return ListXmlMachine::kGood;
}

// Sets `value` from the attribute `key`, flattened; leaves it absent when there is none.
void TakeAttribute(const char** atts, const char* key, ListXmlMachine::Value* value) {
  if (const char* text = ListXmlMachine::Attribute(atts, key)) {
    value->Set(text);
    ListXmlMachine::Flatten(&value->text);
  }
}

}  // namespace

void ListXmlMachine::Flatten(std::string* text) {
  for (char& c : *text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
}

const char* ListXmlMachine::Attribute(const char** atts, const char* key) {
  for (; *atts != nullptr; atts += 2) {
    if (Is(atts[0], key)) return atts[1];
  }
  return nullptr;
}

void ListXmlMachine::Reset() {
  device = resource = false;
  for (Value* v : {&name, &source_file, &clone_of, &rom_of, &description, &year, &manufacturer,
                   &screen, &width, &height, &refresh, &channels, &players, &control, &buttons,
                   &coins, &status, &color, &sound}) {
    v->Reset();
  }
  has_video = vertical = has_sound = has_input = has_control_child = false;
  has_driver = cocktail_preliminary = false;
  palette_feature = sound_feature = kGood;
}

void ListXmlMachine::ReadDisplay(const char** atts) {
  has_video = true;
  TakeAttribute(atts, "type", &screen);
  TakeAttribute(atts, "width", &width);
  TakeAttribute(atts, "height", &height);
  TakeAttribute(atts, "refresh", &refresh);
  const char* rotate = Attribute(atts, "rotate");
  vertical = rotate != nullptr && (Is(rotate, "90") || Is(rotate, "270"));
  // The table gives the size as the player sees it, so a turned screen swaps its sides.
  if (vertical) std::swap(width, height);
}

// Older MAME's video element already states the orientation and the size as seen.
void ListXmlMachine::ReadVideo(const char** atts) {
  has_video = true;
  TakeAttribute(atts, "screen", &screen);
  TakeAttribute(atts, "width", &width);
  TakeAttribute(atts, "height", &height);
  TakeAttribute(atts, "refresh", &refresh);
  const char* orientation = Attribute(atts, "orientation");
  vertical = orientation != nullptr && Is(orientation, "vertical");
}

void ListXmlMachine::ReadSound(const char** atts) {
  has_sound = true;
  TakeAttribute(atts, "channels", &channels);
}

// The input element's own control and buttons are what older MAME wrote; a control child,
// when there is one, replaces them (ReadControl).
void ListXmlMachine::ReadInput(const char** atts) {
  has_input = true;
  TakeAttribute(atts, "players", &players);
  TakeAttribute(atts, "coins", &coins);
  TakeAttribute(atts, "control", &control);
  TakeAttribute(atts, "buttons", &buttons);
}

void ListXmlMachine::ReadControl(const char** atts) {
  has_control_child = true;
  control.Reset();
  buttons.Reset();
  TakeAttribute(atts, "type", &control);
  TakeAttribute(atts, "buttons", &buttons);
  const std::string& type = control.text;
  if (control.present && (type == "joy" || type == "doublejoy" || type == "triplejoy")) {
    // Old MAME named joysticks by their directions: joy8way, and joy2way for "vertical2".
    const char* ways = Attribute(atts, "ways");
    if (ways == nullptr) return;
    const char* digits = ways + std::strcspn(ways, "0123456789");
    size_t count = std::strspn(digits, "0123456789");
    if (count == 0) return;
    control.text.append(digits, count);
    control.text += "way";
  }
}

void ListXmlMachine::ReadDriver(const char** atts) {
  has_driver = true;
  TakeAttribute(atts, "status", &status);
  TakeAttribute(atts, "color", &color);
  TakeAttribute(atts, "sound", &sound);
  const char* cocktail = Attribute(atts, "cocktail");
  cocktail_preliminary = cocktail != nullptr && Is(cocktail, "preliminary");
}

void ListXmlMachine::ReadFeature(const char** atts) {
  const char* type = Attribute(atts, "type");
  if (type == nullptr) return;
  std::string_view* target = Is(type, "palette") ? &palette_feature
                             : Is(type, "sound") ? &sound_feature
                                                 : nullptr;
  if (target == nullptr) return;
  const char* level = Attribute(atts, "status");
  if (level == nullptr) level = Attribute(atts, "overall");
  if (level != nullptr) *target = FeatureLevel(level);
}

}  // namespace tabulon
