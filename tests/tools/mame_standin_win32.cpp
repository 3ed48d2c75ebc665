#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "mame_standin_system.h"

namespace standin {

void BinaryOutput() {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

long ProcessId() { return static_cast<long>(GetCurrentProcessId()); }

// Ended as Task Manager ends a program, by TerminateProcess, here with a status of 9 that no step
// of a clean exit gives.
void EndAbruptly() {
  TerminateProcess(GetCurrentProcess(), 9);
  ExitProcess(9);
}

}  // namespace standin
