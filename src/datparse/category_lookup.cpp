// Category and version lookup over the private-profile category files.
#include "datparse/category_lookup.h"

#include "platform/file_list.h"
#include "platform/files.h"

namespace tabulon {

std::string CategoryFileName(const std::string& emulator) {
  if (emulator == "MAME") return "catver.ini";
  // The name comes from a dat's header: it must stay one plain file name inside catvers/, on
  // every system. "../x" or "Atari 2600/7800" would otherwise leave the folder or fail.
  std::string name = emulator;
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f ||
        std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  return name + "catver.ini";
}

CategoryLookup CategoryLookup::PrepareCatver(const std::string& app_dir,
                                             const std::string& emulator) {
  std::string folder = InFolder(app_dir, "catvers");
  CategoryLookup lookup;
  lookup.path_ = InFolder(folder, CategoryFileName(emulator));
  MakeFolderIfMissing(folder);
  lookup.existed_ = IsFile(lookup.path_);
  if (lookup.existed_) {
    lookup.ini_.Load(lookup.path_);
  } else {
    // The file is written whole by Finish(), so a run that fails halfway leaves no file behind
    // that would make the next run believe every set had been catalogued.
    lookup.ini_.LoadText(lookup.path_, "\r\n");
  }
  return lookup;
}

CategoryLookup CategoryLookup::Placeholders(const std::string& app_dir,
                                            const std::string& emulator) {
  CategoryLookup lookup;
  lookup.path_ = InFolder(InFolder(app_dir, "catvers"), CategoryFileName(emulator));
  lookup.existed_ = false;
  lookup.write_ = false;
  return lookup;
}

void CategoryLookup::GetCatVer(FieldSlots* s) {
  if (!s->lrom.empty() && !ProfileIni::CanBeKey(s->lrom) && ++unkeyable_ <= kUnkeyableShown) {
    first_unkeyable_.push_back(s->lrom);
  }
  if (!existed_) {
    s->lCat = kCategoryPlaceholder;
    s->lVer = kVersionUnknown;
    if (write_ && !s->lrom.empty()) {
      ini_.Set("Category", s->lrom, kCategoryPlaceholder);
      ini_.Set("VerAdded", s->lrom, kVersionUnknown);
    }
    return;
  }
  // Views into the index, copied into the slots' own buffers: no string is made per lookup.
  std::string_view category = ini_.Find("Category", s->lrom, kCategoryUnknown);
  if (category == kCategoryUnknown) category = ini_.Find("Category", s->LClone, kCategoryUnknown);
  s->lCat.assign(category);
  if (category != kCategoryUnknown) {
    ++summary_.found;
  } else if (++summary_.not_found <= CategorySummary::kNamesShown) {
    summary_.first_not_found.push_back(s->lrom);
  }
  std::string_view version = ini_.Find("VerAdded", s->lrom, kVersionUnknown);
  if (version == kVersionUnknown) version = ini_.Find("VerAdded", s->LClone, kVersionUnknown);
  s->lVer.assign(version);
}

void CategoryLookup::ReplaceUnknownForMame(FieldSlots* s) {
  bool replaced = false;
  if (s->lVer == kVersionUnknown) {
    s->lVer = kMameUnknown;
    replaced = true;
  }
  if (s->lCat == kCategoryUnknown) {
    s->lCat = kMameUnknown;
    replaced = true;
  }
  summary_.tltc += replaced ? 1 : 0;
}

void CategoryLookup::Finish() {
  summary_.made = !existed_;
  if (!existed_ && write_) {
    ini_.Save();
    // The made file holds one key per set in each of its two sections, and nothing else.
    summary_.placeholders = ini_.key_count() / 2;
  }
}

}  // namespace tabulon
