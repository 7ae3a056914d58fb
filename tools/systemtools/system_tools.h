// The system programs that the emulated machine runs through this host
// program. Each takes its Windows command line without the program item and
// returns its exit code.
#pragma once

#include <string>
#include <string_view>

namespace qzsystemtools {

// cmd.exe: "/c command" runs the command's program and waits for it.
int RunCommandProcessor(std::u16string_view arguments);

// regsvr32.exe: [/s] [/u] [/n] [/i[:text]] dll...: 0 when every DLL file
// exists, 3 (the module could not be loaded) otherwise, 1 for bad usage.
int RunRegisterServer(std::u16string_view arguments);

// runas.exe: /trustlevel:0x20000 "program [arguments]" starts the program
// without elevation and returns at once; /showtrustlevels lists the level.
int RunAs(std::u16string_view arguments);

// A line on standard error.
void Complain(std::u16string_view text);

}  // namespace qzsystemtools
