// The user of the desktop that Karnio's windows show on, when that is not the
// user Karnio runs as: a standard user who elevated with another person's
// administrator password. Their per-user entries are theirs, not the
// administrator's, and so are the variables and the programs of those entries.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace karnio {

struct DesktopUser {
    std::string sid;                                   // their hive is HKEY_USERS\<sid>
    std::map<std::wstring, std::wstring> environment;  // their variables, names in upper case
};

// Asks Windows: the shell's process and token (GetShellWindow), Karnio's own
// token, the hive and CreateEnvironmentBlock; nothing when the two users are
// one, or when any of it cannot be had.
std::optional<DesktopUser> FindDesktopUser();

}  // namespace karnio
