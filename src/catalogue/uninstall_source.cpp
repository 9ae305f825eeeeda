#include "catalogue/uninstall_source.h"

#include "registry/unicode.h"

namespace karnio {

namespace {
// A key name has at most 255 characters.
constexpr std::uint32_t kKeyNameRoom = 256;
}  // namespace

std::string PerUserHive(Identities& identities)
{
    const std::optional<std::string> karnio = identities.KarnioUser(), desktop = identities.DesktopUser();
    if (!karnio || !desktop || *karnio == *desktop || !identities.CanActFor(*desktop)) return {};
    return *desktop;
}

std::string UninstallKeyPath() { return std::string(kUninstallPath, sizeof kUninstallPath - 2); }

RegStatus OpenEntry(Registry& registry, UninstallSource source, const std::u16string& subkey, OwnedKey& entry)
{
    OwnedKey uninstall(registry);
    const RegStatus status =
        registry.OpenKeyExW(RootOf(source), Utf16(UninstallKeyPath()).c_str(), ViewOf(source), uninstall.Out());
    if (status != kErrorSuccess) return status;
    return registry.OpenLinkW(uninstall.get(), subkey.c_str(), ViewOf(source), entry.Out());
}

RegStatus ReadSubkeyNames(Registry& registry, RegKey key, std::vector<std::u16string>& names)
{
    std::u16string name(kKeyNameRoom, u'\0');
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t length = kKeyNameRoom;
        const RegStatus status = registry.EnumKeyExW(key, index, name.data(), &length);
        if (status == kErrorNoMoreItems) return kErrorSuccess;
        if (status != kErrorSuccess) return status;
        if (length >= kKeyNameRoom) return kErrorMoreData;
        names.push_back(name.substr(0, length));
        if (names.back().find(u'\0') != std::u16string::npos) return kErrorInvalidParameter;
    }
}

RegStatus DeleteOpenTree(Registry& registry, RegKey key, RegView view, bool* anyDeleted)
{
    std::vector<std::u16string> names;
    RegStatus status = ReadSubkeyNames(registry, key, names);
    for (std::size_t i = 0; status == kErrorSuccess && i < names.size(); ++i) {
        OwnedKey child(registry);
        status = registry.OpenLinkW(key, names[i].c_str(), view, child.Out());
        if (status == kErrorSuccess)
            status = DeleteOpenTree(registry, child.get(), view, anyDeleted);
        else if (status == kErrorFileNotFound)
            status = kErrorSuccess;  // gone meanwhile
    }
    if (status == kErrorSuccess) status = registry.DeleteOpenKey(key);
    if (status == kErrorSuccess) *anyDeleted = true;
    return status;
}

RegStatus DeleteEntry(Registry& registry, UninstallSource source, const std::u16string& subkey, bool* anyDeleted)
{
    bool deleted = false;
    OwnedKey entry(registry);
    RegStatus status = OpenEntry(registry, source, subkey, entry);
    if (status == kErrorSuccess) status = DeleteOpenTree(registry, entry.get(), ViewOf(source), &deleted);
    if (anyDeleted) *anyDeleted = deleted;
    return status;
}

}  // namespace karnio
