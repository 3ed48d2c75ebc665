// A stand-in MAME for the tests, on every system. What it does is read from standin.txt in the
// folder it runs in (the MAME folder, where Tabulon runs MAME), one line per option:
//
//   -li print C:\data\mame078_li.txt
//   -listxml print-slowly listxml.xml; exit 0
//   * error Error: unknown option; exit 1
//
// The first line whose option is among MAME's arguments, or "*", runs its steps in order:
//   print FILE         the file's bytes on stdout
//   print-slowly FILE  its first 300 bytes, a pause of 0.2 s, the rest, as a real MAME writes on
//                      while its list is read
//   text TEXT          TEXT on stdout, and `error TEXT` on stderr, with \r, \n and \t as escapes
//   pid                its process id into the file "pid"
//   sleep SECONDS, touch FILE, exit STATUS
//   kill               ends it as a crash does, without a word or a clean exit
// A line "@log FILE" makes every run append its first argument to FILE, so a test can count the
// runs. Without a matching line it says "Error: unknown option" on stderr and exits with 6, as
// MAME 0.251 answers -li, -listdetails and -gamelist, options it no longer knows.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "mame_standin_system.h"

namespace {

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool escaped = text[i] == '\\' && i + 1 < text.size();
    const char c = escaped ? text[++i] : text[i];
    out += !escaped ? c : c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
  }
  return out;
}

// The file's bytes, with a pause after the first `first_part` of them.
bool Print(const std::string& path, size_t first_part) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "mame: cannot open %s\n", path.c_str());
    return false;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  const size_t first = std::min(first_part, bytes.size());
  std::fwrite(bytes.data(), 1, first, stdout);
  std::fflush(stdout);
  if (first < bytes.size()) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  std::fwrite(bytes.data() + first, 1, bytes.size() - first, stdout);
  return true;
}

// Runs "step; step; ..." and returns the exit status.
int Run(const std::string& steps) {
  for (size_t start = 0; start < steps.size();) {
    size_t end = steps.find("; ", start);
    if (end == std::string::npos) end = steps.size();
    const std::string step = steps.substr(start, end - start);
    start = end + 2;
    const size_t space = step.find(' ');
    const std::string verb = step.substr(0, space);
    const std::string arg = space == std::string::npos ? "" : step.substr(space + 1);
    if (verb == "print" || verb == "print-slowly") {
      if (!Print(arg, verb == "print" ? std::string::npos : 300)) return 2;
    } else if (verb == "text" || verb == "error") {
      std::fputs(Unescape(arg).c_str(), verb == "text" ? stdout : stderr);
    } else if (verb == "pid") {
      // Whole or not there: a test waiting for the file reads it as soon as it appears.
      std::ofstream("pid.tmp") << standin::ProcessId() << "\n" << std::flush;
      std::filesystem::rename("pid.tmp", "pid");
    } else if (verb == "sleep") {
      std::this_thread::sleep_for(std::chrono::seconds(std::atoi(arg.c_str())));
    } else if (verb == "touch") {
      std::ofstream{arg};
    } else if (verb == "exit") {
      return std::atoi(arg.c_str());
    } else if (verb == "kill") {
      std::fflush(stdout);
      standin::EndAbruptly();
    } else {
      std::fprintf(stderr, "mame: standin.txt: unknown step \"%s\"\n", step.c_str());
      return 2;
    }
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The lists and messages are bytes: no LF may become CR LF on the way out.
  standin::BinaryOutput();
  std::ifstream script("standin.txt", std::ios::binary);
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("@log ")) {
      std::ofstream(line.substr(5), std::ios::app | std::ios::binary)
          << (argc > 1 ? argv[1] : "") << "\n";
      continue;
    }
    const size_t space = line.find(' ');
    const std::string option = line.substr(0, space);
    bool asked = option == "*";
    for (int i = 1; i < argc && !asked; ++i) asked = option == argv[i];
    if (asked) return Run(space == std::string::npos ? "" : line.substr(space + 1));
  }
  // Named as MAME names it: the list option, after the options that only name files.
  const char* option = "";
  for (int i = 1; i < argc; ++i)
    if (argv[i][0] == '-') option = argv[i];
  std::fprintf(stderr, "Error: unknown option: %s\r\n", option);
  return 6;
}
