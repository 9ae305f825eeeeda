#include "catalogue/deleted_entry.h"

#include "registry/unicode.h"

#include <algorithm>

namespace karnio {

namespace {

// The Uninstall key itself, without the trailing separator.
const std::string kUninstallKey(kUninstallPath, sizeof kUninstallPath - 2);
// A key name has at most 255 characters.
constexpr std::uint32_t kKeyNameRoom = 256;

// SetValueExW and CreateKeyExW take zero-terminated names: such a name would come back as another.
bool HoldsZero(const std::u16string& name) { return name.find(u'\0') != std::u16string::npos; }

}  // namespace

bool ReadValues(Registry& registry, RegKey key, std::vector<RegistryValue>& values)
{
    std::uint32_t count = 0, longestName = 0, largestData = 0;
    if (registry.QueryInfoKeyW(key, &count, &longestName, &largestData) != kErrorSuccess) return false;
    std::u16string name(longestName + 1, u'\0');
    std::vector<unsigned char> data(std::max<std::uint32_t>(largestData, 1));
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameLength = static_cast<std::uint32_t>(name.size()), type = 0;
        std::uint32_t size = static_cast<std::uint32_t>(data.size());
        const RegStatus status = registry.EnumValueW(key, index, name.data(), &nameLength, &type, data.data(), &size);
        if (status == kErrorNoMoreItems) break;
        // A value that grew or appeared since the sizes were asked for: not a whole copy.
        if (status != kErrorSuccess || nameLength >= name.size() || size > data.size()) return false;
        values.push_back({name.substr(0, nameLength), type, {data.begin(), data.begin() + size}});
    }
    return values.size() == count;
}

namespace {

bool ReadSubkeyNames(Registry& registry, RegKey key, std::vector<std::u16string>& names)
{
    std::u16string name(kKeyNameRoom, u'\0');
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t length = kKeyNameRoom;
        const RegStatus status = registry.EnumKeyExW(key, index, name.data(), &length);
        if (status == kErrorNoMoreItems) return true;
        if (status != kErrorSuccess || length >= kKeyNameRoom) return false;
        names.push_back(name.substr(0, length));
        if (HoldsZero(names.back())) return false;
    }
}

// The key at path and everything below it; false when any of it cannot be read whole.
bool ReadTree(Registry& registry, RegKey root, RegView view, const std::u16string& path,
              std::vector<RegistryValue>& values, std::vector<RegistrySubkey>& subkeys)
{
    RegKey key = 0;
    if (registry.OpenKeyExW(root, path.c_str(), view, &key) != kErrorSuccess) return false;
    std::vector<std::u16string> names;
    const bool whole = ReadValues(registry, key, values) && ReadSubkeyNames(registry, key, names);
    registry.CloseKey(key);
    if (!whole) return false;
    for (const RegistryValue& value : values)
        if (HoldsZero(value.name)) return false;
    for (std::u16string& name : names) {
        RegistrySubkey subkey = {std::move(name), {}, {}};
        if (!ReadTree(registry, root, view, path + u"\\" + subkey.name, subkey.values, subkey.subkeys)) return false;
        subkeys.push_back(std::move(subkey));
    }
    return true;
}

RegStatus WriteValues(Registry& registry, RegKey key, const std::vector<RegistryValue>& values)
{
    std::vector<unsigned char> buffer;
    for (const RegistryValue& value : values) {
        // Windows would count a zero character right after string data as its
        // terminator; what follows the data here is never zero.
        buffer.assign(value.data.begin(), value.data.end());
        buffer.insert(buffer.end(), 4, 0xFF);
        const RegStatus status = registry.SetValueExW(key, value.name.c_str(), value.type, buffer.data(),
                                                      static_cast<std::uint32_t>(value.data.size()));
        if (status != kErrorSuccess) return status;
    }
    return kErrorSuccess;
}

RegStatus WriteSubkeys(Registry& registry, RegKey root, RegView view, const std::u16string& path,
                       const std::vector<RegistrySubkey>& subkeys)
{
    for (const RegistrySubkey& subkey : subkeys) {
        const std::u16string subpath = path + u"\\" + subkey.name;
        RegKey key = 0;
        bool created = false;
        RegStatus status = registry.CreateKeyExW(root, subpath.c_str(), view, &key, &created);
        if (status != kErrorSuccess) return status;
        status = WriteValues(registry, key, subkey.values);
        registry.CloseKey(key);
        if (status == kErrorSuccess) status = WriteSubkeys(registry, root, view, subpath, subkey.subkeys);
        if (status != kErrorSuccess) return status;
    }
    return kErrorSuccess;
}

// Whether a key of that name is there now; a key that cannot be asked about counts as there.
bool Exists(Registry& registry, UninstallSource source, const std::string& path)
{
    RegKey key = 0;
    const RegStatus status = registry.OpenKeyExW(RootOf(source), Utf16(path).c_str(), ViewOf(source), &key);
    if (status == kErrorSuccess) registry.CloseKey(key);
    return status != kErrorFileNotFound;
}

bool HasSubkeys(Registry& registry, UninstallSource source, const std::string& path)
{
    RegKey key = 0;
    if (registry.OpenKeyExW(RootOf(source), Utf16(path).c_str(), ViewOf(source), &key) != kErrorSuccess) return false;
    std::u16string name(kKeyNameRoom, u'\0');
    std::uint32_t length = kKeyNameRoom;
    const RegStatus status = registry.EnumKeyExW(key, 0, name.data(), &length);
    registry.CloseKey(key);
    return status == kErrorSuccess || status == kErrorMoreData;
}

}  // namespace

std::optional<PoistettuMerkinta> LueMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain)
{
    if (!OnPoistettava(aliavain)) return std::nullopt;
    PoistettuMerkinta copy = {source, aliavain, {}, {}};
    if (!ReadTree(registry, RootOf(source), ViewOf(source), Utf16(kUninstallPath + aliavain), copy.values, copy.subkeys))
        return std::nullopt;
    return copy;
}

std::optional<PoistettuMerkinta> PoistaMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain,
                                                RegStatus* refused)
{
    if (refused) *refused = kErrorSuccess;
    if (!OnPoistettava(aliavain)) return std::nullopt;
    std::optional<PoistettuMerkinta> copy = LueMerkinta(registry, source, aliavain);
    const std::string path = kUninstallPath + aliavain;
    RegStatus status = DeleteInSource(registry, source, path);
    // Windows deletes no key that has subkeys; an entry goes with everything under it.
    if (status != kErrorSuccess && HasSubkeys(registry, source, path))
        status = registry.DeleteTreeW(RootOf(source), Utf16(path).c_str(), ViewOf(source));
    const bool gone = !Exists(registry, source, path);
    if (!gone && refused) *refused = status;
    if (!copy || !gone) return std::nullopt;
    return copy;
}

RegStatus PalautaMerkinta(Registry& registry, const PoistettuMerkinta& merkinta)
{
    const RegKey root = RootOf(merkinta.source);
    const RegView view = ViewOf(merkinta.source);
    // If the Uninstall key itself is gone, this restore makes it, and takes it away again on failure.
    const bool uninstallKeyMade = !Exists(registry, merkinta.source, kUninstallKey);

    const std::u16string path = Utf16(kUninstallPath + merkinta.aliavain);
    RegKey key = 0;
    bool created = false;
    RegStatus status = registry.CreateKeyExW(root, path.c_str(), view, &key, &created);
    if (status == kErrorSuccess && !created) {
        registry.CloseKey(key);
        return kErrorAlreadyExists;
    }
    if (status == kErrorSuccess) {
        status = WriteValues(registry, key, merkinta.values);
        registry.CloseKey(key);
        if (status == kErrorSuccess) status = WriteSubkeys(registry, root, view, path, merkinta.subkeys);
        if (status != kErrorSuccess) registry.DeleteTreeW(root, path.c_str(), view);
    }
    if (status != kErrorSuccess && uninstallKeyMade) DeleteInSource(registry, merkinta.source, kUninstallKey);
    return status;
}

}  // namespace karnio
