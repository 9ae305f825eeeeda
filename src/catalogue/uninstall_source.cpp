#include "catalogue/uninstall_source.h"

#include "registry/unicode.h"

#include <algorithm>

namespace karnio {

namespace {
// A key name has at most 255 characters.
constexpr std::uint32_t kKeyNameRoom = 256;
}  // namespace

RegKey RootOf(UninstallSource source)
{
    return source == UninstallSource::User ? kHkeyCurrentUser : kHkeyLocalMachine;
}

RegView ViewOf(UninstallSource source)
{
    return source == UninstallSource::Machine32 ? RegView::Bits32 : RegView::Native;
}

std::string ShownKeyName(const std::string& subkey)
{
    const std::size_t readable = std::min(subkey.find('\0'), LoneSurrogateAt(subkey));
    return readable == std::string::npos ? subkey : subkey.substr(0, readable) + "\xE2\x80\xA6";  // "…"
}

std::string KeyPathText(UninstallSource source, const std::string& key, const std::string& userHive)
{
    const std::string subkey = ShownKeyName(key);
    switch (source) {
    case UninstallSource::Machine32:
        return "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + subkey;
    case UninstallSource::User:
        return (userHive.empty() ? std::string("HKEY_CURRENT_USER\\") : "HKEY_USERS\\" + userHive + "\\") + kUninstallPath + subkey;
    case UninstallSource::Machine:
        break;
    }
    return std::string("HKEY_LOCAL_MACHINE\\") + kUninstallPath + subkey;
}

std::string RegeditPath(UninstallSource source, const std::string& subkey, const std::string& userHive)
{
    const std::string below = std::string("Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + subkey;
    switch (source) {
    case UninstallSource::Machine32:
        return "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + below;
    case UninstallSource::User:
        return (userHive.empty() ? std::string("HKEY_CURRENT_USER") : "HKEY_USERS\\" + userHive) + "\\Software\\" + below;
    case UninstallSource::Machine:
        break;
    }
    return "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + below;
}

bool OnPoistettava(const std::string& aliavain)
{
    return !aliavain.empty() && aliavain.find('\\') == std::string::npos && aliavain.find('\0') == std::string::npos &&
           !HoldsLoneSurrogate(aliavain);
}

bool PoistaAvain(Registry& registry, UninstallSource source, const std::string& aliavain)
{
    if (!OnPoistettava(aliavain)) return false;
    DeleteEntry(registry, source, Utf16(aliavain), nullptr);
    return true;
}

RegStatus DeleteInSource(Registry& registry, UninstallSource source, const std::string& path)
{
    if (ViewOf(source) == RegView::Native) return registry.DeleteKey(RootOf(source), path.c_str());
    return registry.DeleteKeyEx(RootOf(source), path.c_str(), ViewOf(source));
}

std::string UninstallKeyPath() { return std::string(kUninstallPath, sizeof kUninstallPath - 2); }

RegStatus OpenEntryToRead(Registry& registry, UninstallSource source, const std::u16string& subkey, OwnedKey& entry)
{
    return registry.OpenKeyExW(RootOf(source), (Utf16(kUninstallPath) + subkey).c_str(), ViewOf(source), entry.Out());
}

RegStatus OpenEntry(Registry& registry, UninstallSource source, const std::u16string& subkey, KeyAccess access,
                    OwnedKey& uninstall, OwnedKey& entry)
{
    const RegStatus status =
        registry.OpenKeyExW(RootOf(source), Utf16(UninstallKeyPath()).c_str(), ViewOf(source), uninstall.Out());
    if (status != kErrorSuccess) return status;
    return registry.OpenLinkW(uninstall.get(), subkey, ViewOf(source), access, entry.Out());
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
    }
}

RegStatus DeleteOpenTree(Registry& registry, RegKey key, RegView view, bool* anyDeleted)
{
    std::vector<std::u16string> names;
    RegStatus status = ReadSubkeyNames(registry, key, names);
    for (std::size_t i = 0; status == kErrorSuccess && i < names.size(); ++i) {
        OwnedKey child(registry);
        status = registry.OpenLinkW(key, names[i], view, KeyAccess::Delete, child.Out());
        if (status == kErrorSuccess)
            status = DeleteOpenTree(registry, child.get(), view, anyDeleted);
        else if (status == kErrorFileNotFound)
            status = kErrorSuccess;  // gone meanwhile
    }
    if (status == kErrorSuccess) status = registry.DeleteOpenKey(key);
    if (status == kErrorSuccess) *anyDeleted = true;
    return status == kErrorKeyDeleted ? kErrorSuccess : status;  // gone meanwhile
}

RegStatus DeleteEntry(Registry& registry, UninstallSource source, const std::u16string& subkey, bool* anyDeleted)
{
    bool deleted = false;
    OwnedKey uninstall(registry), entry(registry);
    RegStatus status = OpenEntry(registry, source, subkey, KeyAccess::Delete, uninstall, entry);
    if (status == kErrorSuccess) status = DeleteOpenTree(registry, entry.get(), ViewOf(source), &deleted);
    if (anyDeleted) *anyDeleted = deleted;
    return status;
}

}  // namespace karnio
