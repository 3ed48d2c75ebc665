// Interrupts of a run from outside: Ctrl+C, a service stop, a closed terminal. They are recorded,
// not acted on at once, so that the run can end its children and leave every file as it was.
// POSIX implementation in interrupts_posix.cpp.
#pragma once

#include <string>

namespace tabulon {

// Makes SIGINT, SIGTERM and SIGHUP record themselves instead of ending the program. A second
// signal of the same kind while the first is handled ends the program as usual. Called once by
// each shell's main before anything else.
void CatchInterrupts();

// A standard output or error that is closed (`2>&-`), or whose reader goes away (`| head -1`, a
// cron job's log that closed), costs the program its messages, never its run: writing to it no
// longer ends the program (SIGPIPE is ignored; a child gets it back), and a descriptor 0 to 2
// that is closed at start is opened on the null device, so that no file the run opens takes its
// number and receives what was meant for the terminal. Called once by the CLI's main.
void KeepRunningWithoutOutput();

// The signal that asked the program to stop, or 0 while none has.
int InterruptSignal();

// "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
std::string SignalName(int signal);

}  // namespace tabulon
