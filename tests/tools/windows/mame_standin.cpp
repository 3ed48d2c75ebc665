// A stand-in MAME for the end-to-end runs of tabulon-cli.exe under Wine (scripts/test-windows.sh),
// built twice. As an old MAME (TABULON_OLD_MAME 1) it knows -li, -listdetails and -gamelist and
// refuses any other option on stdout with exit status 1, as tests/tools/oldmame/mame.in does; as
// today's MAME (0) it knows only -listxml and refuses the old options on stderr, as MAME does now.
// What it prints is MAME 0.78's recorded output (tests/data/oldmame, tests/data/mame_dats), read
// from the folder it runs in: the MAME folder, where the test puts the files.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace {

int Refuse(const std::string& option) {
  std::fprintf(TABULON_OLD_MAME ? stdout : stderr, "Error: unknown option: %s\r\n", option.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // The lists and messages are bytes: no LF may become CR LF on the way out.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::string file;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-history_file" || arg == "-mameinfo_file") {
      ++i;  // dat names only a real MAME reads
    } else if (TABULON_OLD_MAME && (arg == "-li" || arg == "-listinfo")) {
      file = "mame078_li.txt";
    } else if (TABULON_OLD_MAME && (arg == "-listdetails" || arg == "-gamelist")) {
      file = "mame078_" + arg.substr(1) + ".txt";
    } else if (!TABULON_OLD_MAME && arg == "-listxml") {
      file = "mame078_listxml.xml";
    } else if (arg[0] == '-') {
      return Refuse(arg);
    }
  }
  if (file.empty()) {
    std::fprintf(stdout, "Usage: mame [options]\r\n");
    return 1;
  }
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (in == nullptr) {
    std::fprintf(stderr, "mame: cannot open %s\r\n", file.c_str());
    return 2;
  }
  char block[1 << 16];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, in)) > 0) std::fwrite(block, 1, n, stdout);
  std::fclose(in);
  return 0;
}
