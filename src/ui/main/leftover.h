// Tells an entry whose uninstaller is gone from one that still works, from its
// command alone, and only where the answer is certain: nothing on a network,
// removable or unmapped drive is asked about, nor a relative or device path.
#pragma once

#include "ui/main/command_line.h"

#include <string>

namespace karnio {

struct Leftover {
    enum Kind {
        None,
        MissingProgram,  // "&Aja karnio-ohjelma..." would report error 53
        UnknownProduct,  // msiexec /X or /I of a product Windows Installer does not know
        MissingLibrary,  // rundll32 of a library that is not there
    } kind = None;
    std::wstring subject;  // the program as read (after %NAME% expansion), the product code or the library
};

// Reads the command as the launcher does (ResolveCommand), in the row's context,
// so a row is marked exactly when running it would not find its program.
Leftover FindLeftover(const std::wstring& command, HostSystem& system, const CommandContext& context = {});

}  // namespace karnio
