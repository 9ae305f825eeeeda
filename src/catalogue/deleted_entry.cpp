#include "catalogue/deleted_entry.h"

#include "registry/unicode.h"

#include <algorithm>

namespace karnio {

namespace {

// The Uninstall key itself, without the trailing separator.
const std::string kUninstallKey(kUninstallPath, sizeof kUninstallPath - 2);

std::optional<PoistettuMerkinta> ReadValues(Registry& registry, RegKey key, PoistettuMerkinta copy)
{
    std::uint32_t count = 0, longestName = 0, largestData = 0;
    if (registry.QueryInfoKeyW(key, &count, &longestName, &largestData) != kErrorSuccess) return std::nullopt;
    std::u16string name(longestName + 1, u'\0');
    std::vector<unsigned char> data(std::max<std::uint32_t>(largestData, 1));
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameLength = static_cast<std::uint32_t>(name.size()), type = 0;
        std::uint32_t size = static_cast<std::uint32_t>(data.size());
        const RegStatus status = registry.EnumValueW(key, index, name.data(), &nameLength, &type, data.data(), &size);
        if (status == kErrorNoMoreItems) break;
        // A value that grew or appeared since the sizes were asked for: not a whole copy.
        if (status != kErrorSuccess || nameLength >= name.size() || size > data.size()) return std::nullopt;
        copy.values.push_back({name.substr(0, nameLength), type, {data.begin(), data.begin() + size}});
    }
    if (copy.values.size() != count) return std::nullopt;
    return copy;
}

// Whether a key of that name is there now; a key that cannot be asked about counts as there.
bool Exists(Registry& registry, UninstallSource source, const std::string& path)
{
    RegKey key = 0;
    const RegStatus status = registry.OpenKeyExW(RootOf(source), Utf16(path).c_str(), ViewOf(source), &key);
    if (status == kErrorSuccess) registry.CloseKey(key);
    return status != kErrorFileNotFound;
}

}  // namespace

std::optional<PoistettuMerkinta> LueMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain)
{
    if (!OnPoistettava(aliavain)) return std::nullopt;
    RegKey key = 0;
    const std::u16string path = Utf16(kUninstallPath + aliavain);
    if (registry.OpenKeyExW(RootOf(source), path.c_str(), ViewOf(source), &key) != kErrorSuccess) return std::nullopt;
    std::optional<PoistettuMerkinta> copy = ReadValues(registry, key, {source, aliavain, {}});
    registry.CloseKey(key);
    return copy;
}

std::optional<PoistettuMerkinta> PoistaMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain)
{
    std::optional<PoistettuMerkinta> copy = LueMerkinta(registry, source, aliavain);
    if (!PoistaAvain(registry, source, aliavain)) return std::nullopt;
    if (!copy || Exists(registry, source, kUninstallPath + aliavain)) return std::nullopt;
    return copy;
}

RegStatus PalautaMerkinta(Registry& registry, const PoistettuMerkinta& merkinta)
{
    const RegKey root = RootOf(merkinta.source);
    const RegView view = ViewOf(merkinta.source);
    // If the Uninstall key itself is gone, this restore makes it, and takes it away again on failure.
    const bool uninstallKeyMade = !Exists(registry, merkinta.source, kUninstallKey);

    RegKey key = 0;
    bool created = false;
    RegStatus status =
        registry.CreateKeyExW(root, Utf16(kUninstallPath + merkinta.aliavain).c_str(), view, &key, &created);
    if (status == kErrorSuccess && !created) {
        registry.CloseKey(key);
        return kErrorAlreadyExists;
    }
    if (status == kErrorSuccess) {
        std::vector<unsigned char> buffer;
        for (const RegistryValue& value : merkinta.values) {
            // Windows would count a zero character right after string data as its
            // terminator; what follows the data here is never zero.
            buffer.assign(value.data.begin(), value.data.end());
            buffer.insert(buffer.end(), 4, 0xFF);
            status = registry.SetValueExW(key, value.name.c_str(), value.type, buffer.data(),
                                          static_cast<std::uint32_t>(value.data.size()));
            if (status != kErrorSuccess) break;
        }
        registry.CloseKey(key);
        if (status != kErrorSuccess) PoistaAvain(registry, merkinta.source, merkinta.aliavain);
    }
    if (status != kErrorSuccess && uninstallKeyMade) DeleteInSource(registry, merkinta.source, kUninstallKey);
    return status;
}

}  // namespace karnio
