// Test helpers.
#include "testing/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/error.h"
#include "platform/files.h"

namespace tabulon::testing {

TempDir::TempDir() {
  namespace fs = std::filesystem;
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path dir = fs::temp_directory_path() / ("tabulon-test-" + std::to_string(random()));
    if (fs::create_directory(dir)) {
      path_ = dir.string();
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

std::string In(const std::string& folder, std::string relative) {
  std::replace(relative.begin(), relative.end(), '/', PathSeparator());
  return InFolder(folder, relative);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
  if (!file) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(file), {}};
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string ToCrLf(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\n' && (out.empty() || out.back() != '\r')) out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find("\r\n", start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string LineStartingWith(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& line : lines)
    if (line.starts_with(prefix)) return line;
  return "";
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

void CopyDemoFrontEnd(const TempDir& dir) {
  std::filesystem::copy(std::string(TABULON_SOURCE_DIR) + "/examples/frontend", dir.path(),
                        std::filesystem::copy_options::recursive);
  std::filesystem::remove_all(dir / "cfgs");
}

std::string DemoMasterList() {
  return ReadFile(std::string(TABULON_SOURCE_DIR) + "/tests/app/demo_masterlist.lst");
}

std::string TestData(const std::string& relative) {
  return std::string(TABULON_TEST_DATA) + "/" + relative;
}

}  // namespace tabulon::testing
