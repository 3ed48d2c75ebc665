// The Windows command line as tabulon-cli.exe splits it.
#include "platform/program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tabulon {
namespace {

TEST(ProgramTest, WindowsCommandLines) {
  using Args = std::vector<std::string>;
  const std::pair<const char*, Args> cases[] = {
      {"tabulon-cli.exe", {}},
      {R"("C:\Front End\tabulon-cli.exe"  --quintara	-x )", {"--quintara", "-x"}},
      // Explorer's "Copy as path" of a folder, and tab completion: the quote closes.
      {R"(t --app-dir "C:\Front End\Tabulon\" --quintara)",
       {"--app-dir", R"(C:\Front End\Tabulon\)", "--quintara"}},
      // Quoted by the C runtime's rules, as another program passes a folder.
      {R"(t --app-dir "C:\Front End\Tabulon\\" "")", {"--app-dir", R"(C:\Front End\Tabulon\)", ""}},
      {R"(t \\server\share\Tabulon --app-dir="D:\My "Games\)",
       {R"(\\server\share\Tabulon)", R"(--app-dir=D:\My Games\)"}},
  };
  for (const auto& [line, args] : cases) EXPECT_EQ(SplitWindowsCommandLine(line), args) << line;
}

}  // namespace
}  // namespace tabulon
