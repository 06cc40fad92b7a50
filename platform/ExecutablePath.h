// The running program's own file: its folder holds the widget's data, and
// an autostart entry runs it. Any thread.
#pragma once

#include <string>

namespace varnika {

// The running executable's full path quoted as one argument of a Win32
// command line: the command line an autostart entry runs.
std::string QuotedExecutablePath();
// The running executable's full path ("" when it cannot be read).
std::string ExecutablePath();

}  // namespace varnika
