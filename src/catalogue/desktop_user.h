// Whose per-user entries the lists show. When a standard user elevates Karnio
// with another person's administrator password, the desktop is theirs: so are
// their per-user entries (HKEY_USERS\<SID>), and the variables and programs of
// those entries. Found without any privilege: the user of Karnio's own session,
// their SID from the account name, their hive, and their variables from the
// registry as Windows builds them at logon.
#pragma once

#include "registry/registry.h"

#include <map>
#include <optional>
#include <string>

namespace karnio {

// Variables by name in upper case.
using Environment = std::map<std::wstring, std::wstring>;

// %NAME% replaced from environment; an undefined name stays as written.
std::wstring ExpandWith(const std::wstring& text, const Environment& environment);

struct DesktopUser {
    std::string sid;          // their hive is HKEY_USERS\<sid>
    Environment environment;  // their variables
};

// What finding the desktop user asks of Windows.
class Identities {
public:
    virtual ~Identities() = default;
    // The account Karnio runs as: its SID, and its DOMAIN\name.
    virtual std::optional<std::string> KarnioUser() = 0;
    virtual std::optional<std::string> KarnioAccount() = 0;
    // The user of Karnio's own session, DOMAIN\name.
    virtual std::optional<std::string> SessionAccount() = 0;
    // The SID of an account.
    virtual std::optional<std::string> SidOf(const std::string& account) = 0;
    // A registry in which HKEY_CURRENT_USER is that user's hive (HKEY_LOCAL_MACHINE
    // the machine's); null where the hive is not loaded or cannot be opened.
    virtual Registry* HiveOf(const std::string& sid) = 0;
};

// Whose per-user entries the lists show.
struct PerUser {
    // The user of the desktop where it is not Karnio's and their hive and variables can be had.
    std::optional<DesktopUser> desktopUser;
    // Where the desktop is another user's whose hive cannot be used: the account Karnio
    // runs as, whose own entries the per-user rows then are (DOMAIN\name).
    std::string karnioAccount;
};

// The desktop user's variables: the machine's (Session Manager\Environment), then
// their Volatile Environment and Environment keys, in that order, each value's
// %NAME% expanded with what came before it; nothing where the machine's cannot be read.
std::optional<Environment> ReadEnvironment(Registry& hive);

PerUser FindPerUser(Identities& identities);

}  // namespace karnio
