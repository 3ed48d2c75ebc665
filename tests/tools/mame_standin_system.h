// What the stand-in MAME needs of its system.
#pragma once

namespace standin {

// Puts stdout and stderr in binary mode where the system has another.
void BinaryOutput();
long ProcessId();
// Ends the process at once, as a crash or a kill would.
[[noreturn]] void EndAbruptly();

}  // namespace standin
