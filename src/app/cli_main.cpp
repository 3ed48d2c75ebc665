// Entry point of tabulon-cli.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/interrupts.h"
#include "platform/program.h"

int main(int argc, char** argv) {
  tabulon::CatchInterrupts();
  tabulon::KeepRunningWithoutOutput();
  return tabulon::RunCli(tabulon::ProgramArguments(argc, argv), std::cout, std::cerr);
}
