// Text written into the scripts that run MAME, as the platform's command interpreter reads it.
#pragma once

#include <string>

namespace tabulon {

// `text` in double quotes, escaped so that the interpreter that runs the scripts takes it as it
// stands: no name can end the quotes, expand a variable or run a command. For /bin/sh, a
// backslash goes before each of $ ` " and \; for cmd.exe, % is doubled (& ^ ( ) ! are plain text
// inside double quotes, and " cannot occur in a Windows name).
std::string QuoteForScript(const std::string& text);

// A script's line as the interpreter reads it: UTF-8 as it is on POSIX systems; on Windows in
// the OEM code page, in which cmd.exe reads a script.
std::string InScriptEncoding(const std::string& line);

}  // namespace tabulon
