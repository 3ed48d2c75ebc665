// Entry point of tabulon-cli.
#include <string>
#include <vector>

#include "app/cli.h"
#include "platform/console.h"
#include "platform/interrupts.h"
#include "platform/program.h"

int main(int argc, char** argv) {
  tabulon::CatchInterrupts();
  tabulon::KeepRunningWithoutOutput();
  return tabulon::RunCli(tabulon::ProgramArguments(argc, argv), tabulon::StandardOutput(),
                         tabulon::StandardError());
}
