// The ini layer on any bytes: the input is a file's text, then NUL-separated section, key and value
// triples that are looked up and set before the file is saved. A value set must read back the same
// from the saved file whenever a line of the file can hold it.
#include "fuzz_support.h"
#include "platform/profile_ini.h"

using namespace tabulon;

namespace {

constexpr std::string_view kBlanks = " \t";

// No line end, and nothing for the reading to trim.
bool Plain(std::string_view text) {
  return text.find_first_of("\r\n") == std::string_view::npos &&
         (text.empty() || (kBlanks.find(text.front()) == std::string_view::npos &&
                           kBlanks.find(text.back()) == std::string_view::npos));
}

// Whether the saved line "key=value" under "[section]" reads back as these three.
bool FitsALine(std::string_view section, std::string_view key, std::string_view value) {
  return Plain(section) && section.find(']') == std::string_view::npos && Plain(key) &&
         !key.empty() && key.front() != '[' && key.find('=') == std::string_view::npos &&
         value.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string_view> parts = Split(fuzz::Text(data, size), '\0');
  const std::string path = fuzz::AppDir() + "/fuzz.ini";
  ProfileIni ini;
  ini.LoadText(path, parts[0]);
  bool fits = true;
  for (size_t i = 1; i + 2 < parts.size(); i += 3) {
    ini.Find(parts[i], parts[i + 1], "");
    ini.Set(parts[i], parts[i + 1], parts[i + 2]);
    fits = fits && FitsALine(parts[i], parts[i + 1], parts[i + 2]);
  }
  ini.Save();
  ProfileIni saved;
  saved.Load(path);
  for (size_t i = 1; fits && i + 2 < parts.size(); i += 3) {
    fuzz::ExpectSame("a value as set and as read back from the saved file",
                     ini.Get(parts[i], parts[i + 1], "(none)"),
                     saved.Get(parts[i], parts[i + 1], "(none)"));
  }
  return 0;
}
