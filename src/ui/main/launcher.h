// Starts an uninstall command line as a new process, without a shell.
#pragma once

#include "ui/main/command_line.h"

#include <string>

namespace karnio {

// What the run command came to.
struct Launch {
    int error = 0;                // 0 when it started the program, else the number the message shows
    wchar_t missingDrive = 0;     // instead of 53: the program's drive letter, which has no root for Karnio
    bool noDesktopShell = false;  // another user's program, and no desktop shell answered
};

// Expands %NAME% variables, finds the program and starts it with a normal,
// focused window, without waiting for it. Only what the line names is started:
// a bare name is looked for in the system folders and on the search path (never
// in the current folder or beside Karnio), an absolute or UNC path is taken as
// Windows reads it (trailing dots and blanks dropped), an unquoted path without
// ".exe" or ".com" is found as Windows finds it but never cut inside a folder's
// name, and a relative or device path, a folder or a batch file is refused. The
// error numbers: 53 when the program file is not found, 5 for an empty command,
// 70 when access is denied, 193 for a batch file, 206 for a line too long to
// start, and otherwise the Windows error code. In the context of another user's
// entry the program is started through the desktop's shell, as that user.
Launch KaynnistaKomento(const std::wstring& commandLine, const CommandContext& context = {});

}  // namespace karnio
