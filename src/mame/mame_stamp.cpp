// The stamp is a short text of "key=value" lines; a line of its own at the end shows it whole.
#include "mame/mame_stamp.h"

#include <charconv>
#include <filesystem>

#include "platform/error.h"
#include "platform/strings.h"
#include "platform/text_io.h"

namespace tabulon {
namespace {

constexpr const char* kFirstLine =
    "Tabulon: the MAME that made listinfo.dat, listdetails.dat and "
    "gamelist.dat";
constexpr const char* kLastLine = "end";
constexpr std::string_view kRefused = "refused";
constexpr std::string_view kNotTried = "not tried";
const char* const kListNames[] = {"listinfo.dat", "listdetails.dat", "gamelist.dat"};

template <typename Number>
bool ParseNumber(std::string_view text, Number* number) {
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, *number);
  return error == std::errc() && stop == end && !text.empty();
}

// A stamp of an earlier version, with only size and time, does not parse: its MAME runs once
// more.
bool ParseIdentity(std::string_view text, FileIdentity* identity) {
  auto next = [&text](auto* number) {
    const size_t space = text.find(' ');
    const bool ok = ParseNumber(text.substr(0, space), number);
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    return ok;
  };
  return next(&identity->size) && next(&identity->modified) && next(&identity->changed) &&
         next(&identity->volume) && next(&identity->file) && text.empty();
}

}  // namespace

std::string IdentityText(const FileIdentity& identity) {
  return std::to_string(identity.size) + " " + std::to_string(identity.modified) + " " +
         std::to_string(identity.changed) + " " + std::to_string(identity.volume) + " " +
         std::to_string(identity.file);
}

std::string StampExePath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(FsPath(path), ec);
  return ec ? path : PathText(full.lexically_normal());
}

std::optional<MameStamp> ReadMameStamp(const std::string& app_dir) {
  const std::string path = InFolder(app_dir, kMameStampName);
  if (!IsFile(path)) return std::nullopt;
  std::string text;
  try {
    text = ReadWholeFile(path);
  } catch (const Error&) {
    return std::nullopt;
  }
  // Each line as written: key=value, then CR LF.
  std::vector<std::pair<std::string_view, std::string_view>> lines;
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t end = rest.find("\r\n");
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 2);
    const size_t equals = line.find('=');
    lines.emplace_back(line.substr(0, equals),
                       equals == std::string_view::npos ? "" : line.substr(equals + 1));
  }
  const size_t expected = 6 + std::size(kListNames) + 1;
  if (lines.size() != expected || lines.front().first != kFirstLine ||
      lines.back().first != kLastLine) {
    return std::nullopt;
  }
  auto value = [&lines](size_t index, std::string_view key) -> std::optional<std::string_view> {
    if (lines[index].first != key) return std::nullopt;
    return lines[index].second;
  };
  MameStamp stamp;
  const auto exe = value(1, "exe");
  const auto exe_identity = value(2, "identity");
  const auto build = value(3, "build");
  const auto old_options = value(4, "old-options");
  const auto devices = value(5, "devices");
  if (!devices || !ParseNumber(*devices, &stamp.devices)) return std::nullopt;
  if (!old_options || (*old_options != kRefused && *old_options != kNotTried)) return std::nullopt;
  stamp.old_options_refused = *old_options == kRefused;
  if (!exe || exe->empty() || !exe_identity || !ParseIdentity(*exe_identity, &stamp.exe_identity) ||
      !build) {
    return std::nullopt;
  }
  stamp.exe = std::string(*exe);
  stamp.build = std::string(*build);
  size_t index = 6;
  for (const char* name : kListNames) {
    const auto identity_text = value(index++, name);
    FileIdentity identity;
    if (!identity_text || !ParseIdentity(*identity_text, &identity)) return std::nullopt;
    stamp.lists.emplace_back(name, identity);
  }
  return stamp;
}

void WriteMameStamp(const std::string& app_dir, const std::string& exe, const std::string& build,
                    bool old_options_refused, size_t devices) {
  const std::string path = InFolder(app_dir, kMameStampName);
  FileIdentity identity;
  if (!GetFileIdentity(exe, &identity)) throw Error(exe, "cannot be read any more");
  std::vector<std::string> lines = {
      kFirstLine,
      "exe=" + StampExePath(exe),
      "identity=" + IdentityText(identity),
      "build=" + build,
      "old-options=" + std::string(old_options_refused ? kRefused : kNotTried),
      "devices=" + std::to_string(devices),
  };
  for (const char* name : kListNames) {
    FileIdentity list;
    if (!GetFileIdentity(InFolder(app_dir, name), &list)) {
      throw Error(InFolder(app_dir, name), "not found after MAME's lists were written");
    }
    lines.push_back(std::string(name) + "=" + IdentityText(list));
  }
  lines.push_back(kLastLine);
  WriteTextFile(path, lines);
}

void RemoveMameStamp(const std::string& app_dir) { RemoveFile(InFolder(app_dir, kMameStampName)); }

bool SameExecutable(const MameStamp& stamp, const std::string& exe) {
  FileIdentity identity;
  return stamp.exe == StampExePath(exe) && GetFileIdentity(exe, &identity) &&
         identity == stamp.exe_identity;
}

bool ListsIntact(const MameStamp& stamp, const std::string& app_dir) {
  for (const auto& [name, identity] : stamp.lists) {
    FileIdentity now;
    if (!GetFileIdentity(InFolder(app_dir, name), &now) || !(now == identity)) return false;
  }
  return true;
}

}  // namespace tabulon
