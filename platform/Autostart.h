// Starting the program with the user's session: an XDG autostart entry,
// <config folder>/autostart/<name>.desktop (the config folder as
// SHGetFolderPathW gives it), whose Exec= line runs a command line given the
// way Win32 writes one (the executable's path in double quotes, then any
// arguments). Results are Win32 error codes: 0 on success,
// ERROR_FILE_NOT_FOUND (2) when deleting an entry that does not exist,
// ERROR_INVALID_NAME / ERROR_INVALID_PARAMETER for a name or command line
// that cannot be written, else the code of the errno that stopped the write
// (ErrnoCodes.h). Any thread may call these.
#pragma once

#include <string>
#include <string_view>

#include "platform/Messages.h"

namespace varnika {

// Writes the entry (replacing an existing one atomically), creating the
// autostart folder when needed. name is UTF-8 and becomes both the file's
// name and the entry's Name=; it may not contain "/" or control characters.
LONG WriteAutostartEntry(std::string_view name, std::string_view command_line);
// Deletes the entry; ERROR_FILE_NOT_FOUND when there is none.
LONG DeleteAutostartEntry(std::string_view name);
// The option box's effect: a set box writes the entry named name, running
// command_line, a cleared box deletes it. The widget ignores the result.
LONG SetAutoStart(std::string_view name, std::string_view command_line, bool enable);
// The entry's file; empty for an unusable name or when no config folder is
// known.
std::string AutostartEntryPath(std::string_view name);

// Whether the entry's file is there.
bool AutostartEntryExists(std::string_view name);

// One argument in double quotes as a Win32 command line writes it, so that
// the Exec= value's splitting gives it back unchanged: a quote becomes \",
// and backslashes before a quote or the closing quote are doubled.
std::string QuoteCommandLineArgument(std::string_view arg);

// The Exec= value (before the file's own backslash escaping) for a Win32
// command line: arguments split as Win32 splits them, each quoted and
// escaped where the Desktop Entry rules require it, "%" doubled. false for
// an empty command line or one with control characters or invalid UTF-8.
bool DesktopExecValue(std::string_view command_line, std::string* exec);

}  // namespace varnika
