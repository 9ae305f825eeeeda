// HostSystem answered by Windows itself: the environment, the file system, the
// drives and Windows Installer.
#pragma once

#include "ui/main/command_line.h"

#include <windows.h>

#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace karnio {

// Keeps its answers (the search folders, the drive types and which files are
// there), so one object serves one start or one rebuild's checks: many rows
// name the same program, and Wine's file lookups are slow.
class WindowsHostSystem final : public HostSystem {
public:
    bool ExpandVariables(const std::wstring& text, std::wstring& expanded) override;
    std::wstring FullPath(const std::wstring& path) override;
    PathState Probe(const std::wstring& path) override;
    const std::vector<std::wstring>& SearchFolders() override;
    bool IsLocalFixedDrive(wchar_t letter) override;
    Known KnowsProduct(const std::wstring& productCode) override;
    Known KnowsPatch(const std::wstring& productCode, const std::wstring& patchCode) override;
    Wow64Folders Wow64() override;
    bool DriveHasRoot(wchar_t letter) override;

private:
    std::optional<std::vector<std::wstring>> searchFolders_;
    std::optional<Wow64Folders> wow64_;
    std::unordered_map<std::wstring, PathState> paths_;  // by the path in lower case
    std::optional<std::unordered_set<std::wstring>> products_;  // every user's, in upper case
    std::optional<std::unordered_set<std::wstring>> patches_;   // every product's, as "product patch" in upper case
    bool productsListed_ = false, patchesListed_ = false;
    signed char fixedDrives_[26] = {};  // 0 not asked yet, 1 local fixed disk, -1 anything else
};

// The shared Windows folder, where regedit.exe and explorer.exe are (not a
// terminal-server user's own); empty if Windows cannot say.
std::wstring SystemWindowsFolder();

// While it lives, a drive without its disk fails at once instead of asking the
// user to insert one.
class NoDiskPrompts {
public:
    NoDiskPrompts() : previous_(GetErrorMode()) { SetErrorMode(previous_ | SEM_FAILCRITICALERRORS); }
    ~NoDiskPrompts() { SetErrorMode(previous_); }
    NoDiskPrompts(const NoDiskPrompts&) = delete;
    NoDiskPrompts& operator=(const NoDiskPrompts&) = delete;

private:
    UINT previous_;
};

}  // namespace karnio
