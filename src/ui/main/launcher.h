// Starts an uninstall command line as a new process, without a shell.
#pragma once

#include <string>

namespace karnio {

inline constexpr int kErrorNumberInvalidCall = 5;   // empty command
inline constexpr int kErrorNumberFileNotFound = 53;
inline constexpr int kErrorNumberPermissionDenied = 70;

struct CommandLineParts {
    std::wstring program;    // as written, without quotes
    std::wstring arguments;  // everything after the program, leading blank included
};

// Splits an expanded command line into its program and arguments. An unquoted
// program ends at the first blank after which the text so far names an .exe or
// a .com file, so "C:\Program Files\Foo\uninst.exe /S" never means C:\Program.exe.
CommandLineParts SplitCommandLine(const std::wstring& commandLine);

// Expands %NAME% variables, finds the program and starts it with a normal,
// focused window, without waiting for it. Returns 0, or an error number:
// 53 when the program file is not found, 5 for an empty command, 70 when access
// is denied, and otherwise the Windows error code.
int KaynnistaKomento(const std::wstring& commandLine);

}  // namespace karnio
