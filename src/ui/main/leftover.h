// Tells an entry whose uninstaller is gone from one that still works, and only
// where the answer is certain: nothing on a network, removable or unmapped
// drive is asked about, nor a relative or device path, and any doubt of Windows
// Installer's leaves a row as it is. A grey row must be safe to delete: one whose
// program may still be installed says so, and "Valitse jäänteet" leaves it.
#pragma once

#include "catalogue/uninstall_source.h"
#include "registry/registry.h"
#include "ui/main/command_line.h"

#include <optional>
#include <string>
#include <vector>

namespace karnio {

struct Leftover {
    enum Kind {
        None,
        MissingProgram,  // "&Aja karnio-ohjelma..." would report error 53
        UnknownProduct,  // msiexec, or the entry's own name, names a product Windows Installer does not know
        UnknownPatch,    // msiexec removes a patch Windows Installer does not know for its product
        MissingLibrary,  // rundll32 of a library that is not there
    } kind = None;
    std::wstring subject;       // the program as read (after %NAME% expansion), the product or patch code, or the library
    std::wstring product;       // of an unknown patch: the product it is for
    bool stillInstalled = false;  // its program may still be installed: deleting the entry would only hide it
};

// Reads the command as the launcher does (ResolveCommand), in the row's context,
// so a row is marked exactly when running it would not find its program; and
// msiexec's /x, /i, /uninstall and /package (with / or -, in any case) as
// Windows Installer would be asked about the product or patch they name.
Leftover FindLeftover(const std::wstring& command, HostSystem& system, const CommandContext& context = {});

// Whether the text is exactly a product code, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, in either case.
bool IsProductCode(const std::string& text);

// What one rebuild's checks share: the registry, the system, and the names below
// Software\Classes\Installer\Dependencies of each root (HKEY_LOCAL_MACHINE, then
// HKEY_CURRENT_USER), read once: while a bundle is installed its BundleProviderKey
// names one of them. Nothing where they could not be read.
struct EntryChecks {
    Registry& registry;
    HostSystem& system;
    std::optional<std::vector<std::string>> providers[2];
};
EntryChecks StartChecks(Registry& registry, HostSystem& system);

// A row's mark. An entry named by a product code whose WindowsInstaller value is
// the DWORD 1 is an unknown product's when Windows Installer knows no product of
// that code (its command is then not looked at); otherwise its command tells
// (FindLeftover). A grey row whose key name holds a product code Windows
// Installer may still know, or whose BundleProviderKey names a dependency
// provider, is marked still installed. Reads the registry only for rows named by
// a product code and for grey ones.
Leftover MarkEntry(EntryChecks& checks, UninstallSource source, const std::string& key, const std::wstring& command,
                   const CommandContext& context = {});

}  // namespace karnio
