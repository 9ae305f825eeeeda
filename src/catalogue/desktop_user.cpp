#include "catalogue/desktop_user.h"

#include "catalogue/deleted_entry.h"
#include "registry/registry_names.h"
#include "registry/unicode.h"

namespace karnio {

namespace {

std::wstring UpperCase(const std::wstring& text)
{
    std::wstring upper = text;
    for (wchar_t& c : upper) c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c;
    return upper;
}

// The text and expandable-text values of one key into environment, in their order.
bool AddVariables(Registry& registry, RegKey root, const char16_t* path, Environment& environment)
{
    OwnedKey key(registry);
    std::vector<RegistryValue> values;
    const RegStatus status = registry.OpenKeyExW(root, path, RegView::Native, key.Out());
    if (status == kErrorFileNotFound) return true;
    if (status != kErrorSuccess || ReadValues(registry, key.get(), values) != kErrorSuccess) return false;
    for (const RegistryValue& value : values) {
        if ((value.type != kRegSz && value.type != kRegExpandSz) || value.name.empty()) continue;
        std::wstring text;
        for (std::size_t at = 0; at + 1 < value.data.size(); at += 2) {
            const wchar_t unit = static_cast<wchar_t>(value.data[at] | (value.data[at + 1] << 8));
            if (unit == 0) break;
            text.push_back(unit);
        }
        environment[UpperCase(std::wstring(value.name.begin(), value.name.end()))] =
            value.type == kRegExpandSz ? ExpandWith(text, environment) : text;
    }
    return true;
}

}  // namespace

std::wstring ExpandWith(const std::wstring& text, const Environment& environment)
{
    std::wstring expanded;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t close = text[at] == L'%' ? text.find(L'%', at + 1) : std::wstring::npos;
        const std::wstring name = close == std::wstring::npos ? std::wstring() : UpperCase(text.substr(at + 1, close - at - 1));
        const auto value = name.empty() ? environment.end() : environment.find(name);
        if (value == environment.end()) {
            expanded += text[at++];
        } else {
            expanded += value->second;
            at = close + 1;
        }
    }
    return expanded;
}

std::optional<Environment> ReadEnvironment(Registry& hive)
{
    Environment environment;
    if (!AddVariables(hive, kHkeyLocalMachine, u"System\\CurrentControlSet\\Control\\Session Manager\\Environment", environment) ||
        !AddVariables(hive, kHkeyCurrentUser, u"Volatile Environment", environment) ||
        !AddVariables(hive, kHkeyCurrentUser, u"Environment", environment))
        return std::nullopt;
    return environment;
}

PerUser FindPerUser(Identities& identities)
{
    const std::optional<std::string> karnio = identities.KarnioUser(), session = identities.SessionAccount();
    if (!karnio || !session) return {};  // nobody can say whose the desktop is: Karnio's own, as before
    const std::optional<std::string> desktop = identities.SidOf(*session);
    if (desktop && *desktop == *karnio) return {};
    if (!desktop && CompareRegistryNames(*session, identities.KarnioAccount().value_or("")) == 0) return {};
    Registry* hive = desktop ? identities.HiveOf(*desktop) : nullptr;
    if (std::optional<Environment> environment = hive ? ReadEnvironment(*hive) : std::nullopt)
        return {DesktopUser{*desktop, std::move(*environment)}, {}};
    // Another user's desktop whose entries cannot be reached: the rows are Karnio's own, and say so.
    return {std::nullopt, identities.KarnioAccount().value_or(*karnio)};
}

}  // namespace karnio
