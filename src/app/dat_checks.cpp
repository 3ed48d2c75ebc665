// Checks of what users put into dats/ and catvers/.
#include "app/dat_checks.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "datparse/category_lookup.h"
#include "mame/xml_dat.h"
#include "platform/file_list.h"
#include "platform/files.h"
#include "platform/strings.h"

namespace tabulon {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && EqualsNoCase(text.substr(text.size() - end.size()), end);
}

std::string Joined(const std::vector<std::string>& parts, std::string_view between) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : std::string(between)) + part;
  return text;
}

// Archives are what a dat most often comes in; they are unpacked, not renamed.
bool IsArchiveName(std::string_view name) {
  for (std::string_view end : {".zip", ".7z", ".rar", ".gz"}) {
    if (EndsWithNoCase(name, end)) return true;
  }
  return false;
}

// The name under which the file would be read: without its leading dots, ending in .dat in
// place of another extension.
std::string ReadableName(std::string name) {
  name.erase(0, name.find_first_not_of('.'));
  if (EndsWithNoCase(name, ".dat")) return name;
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return EndsWithNoCase(name, ".dat") ? name : name + ".dat";
}

std::string PassedOverNote(const PassedOver& entry) {
  const std::string& name = entry.name;
  const std::string dats = std::string("dats") + PathSeparator();
  const std::string text = InFolder("dats", name) + ": not read: ";
  if (entry.why == PassedOver::Why::kFolder) {
    return text + "subfolders of " + dats + " are not read; move the dats in it into " + dats +
           " itself";
  }
  const bool dot = name.front() == '.';
  const bool dat_name = EndsWithNoCase(name, ".dat");
  const bool archive = IsArchiveName(name);
  std::vector<std::string> why;
  std::vector<std::string> fix;
  if (entry.why == PassedOver::Why::kHidden) {
    why.push_back(dot ? "hidden files (names beginning with \".\") are not read"
                      : "hidden files (with the hidden attribute) are not read");
    if (!dot) fix.push_back("clear its hidden attribute (attrib -h)");
  }
  if (archive) {
    why.push_back("archives are not read");
    fix.push_back("unpack the dat in it into " + dats);
  } else {
    if (!dat_name) why.push_back("only *.dat files are read");
    if (dot || !dat_name) {
      fix.push_back("rename it to " + ReadableName(name) + (dat_name ? "" : " if it is a dat"));
    }
  }
  return text + Joined(why, ", and ") + "; " + Joined(fix, " and ");
}

}  // namespace

void ReportWhatIsNotRead(RunState& run) {
  std::vector<PassedOver> passed_over;
  ListDatFiles(run.DatsDir(), &passed_over);
  for (const PassedOver& entry : passed_over) {
    if (entry.why == PassedOver::Why::kNotAFile) {
      run.Warn(InFolder("dats", entry.name) +
               ": is not a file (a folder, pipe or device); skipped");
    } else {
      run.Note(PassedOverNote(entry));
    }
  }
}

std::string NotTextWarning(const RunState& run, const std::string& name) {
  // Only a file is opened: a pipe would block here, and the reader says what it is.
  const std::string path = InFolder(run.DatsDir(), name);
  if (!IsFile(path)) return "";
  std::string error;
  std::FILE* file = OpenForReading(path, &error);
  if (file == nullptr) return "";
  std::string head(4096, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), file));
  std::fclose(file);

  const std::string_view bytes = head;
  const std::string shown = InFolder("dats", name);
  const char* archive = bytes.starts_with("PK\x03\x04")           ? "a zip archive"
                        : bytes.starts_with("7z\xBC\xAF\x27\x1C") ? "a 7-Zip archive"
                        : bytes.starts_with("Rar!\x1A\x07")       ? "a RAR archive"
                        : bytes.starts_with("\x1F\x8B")           ? "a gzip archive"
                                                                  : nullptr;
  if (archive != nullptr) {
    return shown + ": is " + archive + ", not a dat; skipped: unpack the dat in it into dats" +
           PathSeparator() + " and delete " + name;
  }
  // An XML dat in UTF-16 is read as UTF-8; a block dat's reader reads bytes.
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    return IsXmlDat(path)
               ? ""
               : shown + ": is UTF-16 text, which a dat never is; skipped: save it as UTF-8";
  }
  if (bytes.find('\0') != std::string_view::npos) {
    return shown + ": is not text (it has NUL bytes in its first 4 KiB), so not a dat; skipped: " +
           "put the dat itself in its place";
  }
  return "";
}

void NoteMissingMameCatver(RunState& run) {
  const std::string catver = InFolder("catvers", CategoryFileName("MAME"));
  run.Note(catver + " was missing, so every MAME game got the category \"" + kCategoryPlaceholder +
           "\" and the version \"" + kMameUnknown +
           "\"; catver.ini files matching your MAME version are "
           "published by the MAME category projects: put one into catvers" +
           PathSeparator() + ", replacing the placeholder catver.ini, and run again");
}

}  // namespace tabulon
