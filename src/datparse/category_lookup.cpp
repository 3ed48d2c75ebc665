// Category and version lookup over the private-profile category files.
#include "datparse/category_lookup.h"

#include <filesystem>

#include "platform/file_list.h"

namespace tabulon {

CategoryLookup CategoryLookup::PrepareCatver(const std::string& app_dir,
                                             const std::string& emulator) {
  namespace fs = std::filesystem;
  std::string folder = app_dir + "/catvers";
  MakeFolderIfMissing(folder);
  std::error_code ec;
  CategoryLookup lookup;
  lookup.path_ =
      emulator == "MAME" ? folder + "/catver.ini" : folder + "/" + emulator + "catver.ini";
  lookup.existed_ = fs::is_regular_file(lookup.path_, ec);
  if (lookup.existed_) {
    lookup.ini_.Load(lookup.path_);
  } else {
    // The file is written whole by Finish(), so a run that fails halfway leaves no file behind
    // that would make the next run believe every set had been catalogued.
    lookup.ini_.LoadText(lookup.path_, "\r\n");
  }
  return lookup;
}

void CategoryLookup::GetCatVer(FieldSlots* s) {
  if (!existed_) {
    s->lCat = kCategoryPlaceholder;
    s->lVer = kVersionUnknown;
    if (!s->lrom.empty()) {
      ini_.Set("Category", s->lrom, kCategoryPlaceholder);
      ini_.Set("VerAdded", s->lrom, kVersionUnknown);
    }
    return;
  }
  // Views into the index, copied into the slots' own buffers: no string is made per lookup.
  std::string_view category = ini_.Find("Category", s->lrom, kCategoryUnknown);
  if (category == kCategoryUnknown) category = ini_.Find("Category", s->LClone, kCategoryUnknown);
  s->lCat.assign(category);
  std::string_view version = ini_.Find("VerAdded", s->lrom, kVersionUnknown);
  if (version == kVersionUnknown) version = ini_.Find("VerAdded", s->LClone, kVersionUnknown);
  s->lVer.assign(version);
}

void CategoryLookup::ReplaceUnknownForMame(FieldSlots* s) {
  if (s->lVer == kVersionUnknown) s->lVer = kMameUnknown;
  if (s->lCat == kCategoryUnknown) s->lCat = kMameUnknown;
}

void CategoryLookup::Finish() {
  if (!existed_) ini_.Save();
}

}  // namespace tabulon
