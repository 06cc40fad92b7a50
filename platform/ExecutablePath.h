// Starting the widget with the user's session. A set box installs the
// autostart entry (named after value_name, running data), a cleared box
// removes it; the result is the system's error code, which the widget
// ignores (0 success, 2 when removing an entry that was not there).
#pragma once

#include <string>
#include <string_view>

#include "platform/Messages.h"

namespace varnika {

LONG SetAutoStart(std::string_view value_name, std::string_view data, bool enable);

// The running executable's full path in double quotes, a double quote in
// the path doubled: the command line an autostart entry runs.
std::string QuotedExecutablePath();
// The running executable's full path ("" when it cannot be read).
std::string ExecutablePath();

}  // namespace varnika
