#include <signal.h>
#include <unistd.h>

#include "mame_standin_system.h"

namespace standin {

void BinaryOutput() {}

long ProcessId() { return static_cast<long>(getpid()); }

void EndAbruptly() {
  raise(SIGKILL);
  _exit(137);
}

}  // namespace standin
