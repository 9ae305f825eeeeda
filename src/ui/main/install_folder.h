// "Avaa kansio": where an entry's InstallLocation leads, decided as the row's
// command is read, and looked at only where nothing can ask for a disk.
// Portable: the file system is asked through HostSystem.
#pragma once

#include "ui/main/command_line.h"

#include <string>

namespace karnio {

struct FolderPlan {
    enum Kind {
        Nothing,    // no InstallLocation, or only blanks
        Explore,    // a folder, or a path not looked at (network, removable): opened with the "explore" verb
        SelectFile, // a file: its folder opened with it selected (explorer.exe /select,"<path>")
        Missing,    // nothing there on a local fixed disk
    } kind = Nothing;
    std::wstring path;
};

// The InstallLocation up to a zero character, without blanks around it,
// enclosing quotes or trailing backslashes; empty where nothing else is left.
std::wstring FolderText(const std::wstring& installLocation);

// The FolderText, %NAME% expanded
// as the row's command is (a 32-bit row's "(x86)" forms and system folder first),
// looked for only on a local fixed disk.
FolderPlan PlanFolder(const std::wstring& installLocation, HostSystem& system, const CommandContext& context = {});

}  // namespace karnio
