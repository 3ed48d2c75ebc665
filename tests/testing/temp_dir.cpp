// Test helpers.
#include "testing/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/error.h"

namespace tabulon::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tabulon-test-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = name.data();
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
  std::ostringstream data;
  data << file.rdbuf();
  return data.str();
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
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
  for (const std::string& line : lines) {
    if (line.starts_with(prefix)) return line;
  }
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

std::string SharedData(const std::string& relative) {
  std::string path = std::string(TABULON_SHARED_DATA) + "/" + relative;
  if (!std::filesystem::exists(path)) {
    ADD_FAILURE() << "the real test data is missing: " << path
                  << " (the shared data folder must lie beside the checkout, as ../shared/data)";
    return "";
  }
  return path;
}

std::string SharedDataAsCrLf(const std::string& relative) {
  std::string path = SharedData(relative);
  if (path.empty()) return "";
  std::string data = ReadFile(path);
  std::string out;
  out.reserve(data.size() + data.size() / 20);
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] == '\n' && (i == 0 || data[i - 1] != '\r')) out.push_back('\r');
    out.push_back(data[i]);
  }
  return out;
}

}  // namespace tabulon::testing
