// How many GDI objects, USER objects and kernel handles this process holds.
// Windows answers GetGuiResources and GetProcessHandleCount; Wine 8 has them as
// stubs that answer 0, so there the counts are taken by looking: the GDI handle
// table Wine publishes in the PEB as Windows does, each USER handle slot asked
// whether it holds a window, menu, icon or accelerator table of ours, each
// kernel handle value asked for its flags.
#pragma once

#include <string>

namespace karnio::test {

struct ProcessResources {
    long gdi = 0, user = 0, kernel = 0;
    std::string how;  // "system" or "probed", for the printed figures
};

ProcessResources CountProcessResources();

}  // namespace karnio::test
