// What the fuzz targets share: the input as text, a temporary front-end folder per process, a
// view that shows nothing, and the check that ends a run when two answers that must agree differ.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "records/view.h"

namespace tabulon::fuzz {

inline std::string_view Text(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

inline void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// <temp>/tabulon-fuzz-XXXXXX/Tabulon with its dats/, made once and removed at exit. On a memory
// file system where there is one: the readers and writers touch files thousands of times a second.
inline const std::string& AppDir() {
  struct FrontEnd {
    FrontEnd() {
      path =
          std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/tabulon-fuzz-XXXXXX";
      if (mkdtemp(path.data()) == nullptr) std::abort();
      app = path + "/Tabulon";
      std::filesystem::create_directories(app + "/dats");
    }
    ~FrontEnd() { std::filesystem::remove_all(path); }
    std::string path, app;
  };
  static const FrontEnd front_end;
  return front_end.app;
}

class QuietView : public View {
 public:
  void ShowStatus(const std::string&) override {}
  void Warning(const std::string&) override {}
  void ShowMessage(const std::string&, const std::string&) override {}
};

inline void ExpectSame(const char* what, const std::string& a, const std::string& b) {
  if (a == b) return;
  std::fprintf(stderr, "%s differ:\n%s\n---\n%s\n", what, a.c_str(), b.c_str());
  std::abort();
}

}  // namespace tabulon::fuzz
