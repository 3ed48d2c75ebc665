// Entry point of tabulon-cli.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/interrupts.h"

int main(int argc, char** argv) {
  tabulon::CatchInterrupts();
  std::vector<std::string> args(argv + 1, argv + argc);
  return tabulon::RunCli(args, std::cout, std::cerr);
}
