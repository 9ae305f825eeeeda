#include "catalogue/deleted_entry.h"

#include "catalogue/uninstall_source.h"

#include "registry/unicode.h"

#include <algorithm>
#include <memory>

namespace karnio {

namespace {

// SetValueExW and CreateKeyExW take zero-terminated names: such a name would come back as another.
bool HoldsZero(const std::u16string& name) { return name.find(u'\0') != std::u16string::npos; }

}  // namespace

bool ReadValues(Registry& registry, RegKey key, std::vector<RegistryValue>& values, KeyInfo* counted)
{
    KeyInfo info;
    if (registry.QueryInfoKeyW(key, &info) != kErrorSuccess) return false;
    if (counted) *counted = info;
    std::u16string name(info.maxNameLength + 1, u'\0');
    std::vector<unsigned char> data(std::max<std::uint32_t>(info.maxDataSize, 1));
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameLength = static_cast<std::uint32_t>(name.size()), type = 0;
        std::uint32_t size = static_cast<std::uint32_t>(data.size());
        const RegStatus status = registry.EnumValueW(key, index, name.data(), &nameLength, &type, data.data(), &size);
        if (status == kErrorNoMoreItems) break;
        // A value that grew or appeared since the sizes were asked for: not a whole copy.
        if (status != kErrorSuccess || nameLength >= name.size() || size > data.size()) return false;
        values.push_back({name.substr(0, nameLength), type, {data.begin(), data.begin() + size}});
    }
    return values.size() == info.values;
}

namespace {

bool IsLink(const std::vector<RegistryValue>& values)
{
    constexpr char16_t kLinkValue[] = u"symboliclinkvalue";
    for (const RegistryValue& value : values) {
        if (value.type != kRegLink || value.name.size() != std::size(kLinkValue) - 1) continue;
        bool same = true;
        for (std::size_t i = 0; same && i < value.name.size(); ++i)
            same = (value.name[i] >= u'A' && value.name[i] <= u'Z' ? value.name[i] + 32 : value.name[i]) == kLinkValue[i];
        if (same) return true;
    }
    return false;
}

// The open key and everything below it, each key opened as itself; false when
// any of it cannot be read whole. Nothing is read below a link.
bool ReadTree(Registry& registry, RegKey key, RegView view, KeyContents& copy)
{
    KeyInfo info;
    if (!ReadValues(registry, key, copy.values, &info) || registry.GetKeySecurityW(key, copy.security) != kErrorSuccess)
        return false;
    copy.keyClass = info.keyClass;
    for (const RegistryValue& value : copy.values)
        if (HoldsZero(value.name)) return false;
    copy.link = IsLink(copy.values);
    std::vector<std::u16string> names;
    if (copy.link) return true;
    // Subkeys that changed since they were counted: not a whole copy.
    if (ReadSubkeyNames(registry, key, names) != kErrorSuccess || names.size() != info.subkeys) return false;
    for (std::u16string& name : names) {
        OwnedKey child(registry);
        RegistrySubkey subkey;
        subkey.name = std::move(name);
        if (registry.OpenLinkW(key, subkey.name.c_str(), view, child.Out()) != kErrorSuccess ||
            !ReadTree(registry, child.get(), view, subkey))
            return false;
        copy.subkeys.push_back(std::move(subkey));
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

// A restore in the making: the keys it made at the top of what it made, each
// as the names from the Uninstall key down, to be deleted again if it fails.
struct Restore {
    Registry& registry;
    RegView view;
    std::vector<std::vector<std::u16string>> made;
};

// Makes the key of name below parent with everything below it. Where it is
// there already, a whole copy gives way (kErrorAlreadyExists); a partial one
// leaves it as it is and goes on below it, but never below a link.
RegStatus RestoreKey(Restore& restore, RegKey parent, std::vector<std::u16string>& path, const KeyContents& contents,
                     bool partial, bool parentMade)
{
    Registry& registry = restore.registry;
    OwnedKey key(registry);
    RegStatus status = registry.OpenLinkW(parent, path.back().c_str(), restore.view, key.Out());
    bool made = false;
    if (status == kErrorSuccess) {
        if (!partial) return kErrorAlreadyExists;
        std::vector<RegistryValue> values;
        if (contents.link || !ReadValues(registry, key.get(), values) || IsLink(values)) return kErrorSuccess;
    } else if (status == kErrorFileNotFound) {
        bool created = true;
        status = contents.link ? registry.CreateLinkW(parent, path.back().c_str(), restore.view, key.Out())
                               : registry.CreateKeyExW(parent, path.back().c_str(), restore.view, key.Out(), &created,
                                                       contents.keyClass.empty() ? nullptr : contents.keyClass.c_str());
        if (status != kErrorSuccess) return status;
        if (!created) return kErrorAlreadyExists;  // made meanwhile: not ours
        made = true;
        if (!parentMade) restore.made.push_back(path);
        status = WriteValues(registry, key.get(), contents.values);
    }
    for (std::size_t i = 0; status == kErrorSuccess && i < contents.subkeys.size(); ++i) {
        path.push_back(contents.subkeys[i].name);
        status = RestoreKey(restore, key.get(), path, contents.subkeys[i], partial && !made, made);
        path.pop_back();
    }
    return status;
}

// Gives each key of the tree that this restore made its security back, deepest
// first, so that no key shuts the restore out of what is below it.
bool RestoreSecurity(Restore& restore, RegKey parent, std::vector<std::u16string>& path, const KeyContents& contents,
                     bool made)
{
    Registry& registry = restore.registry;
    made = made || std::find(restore.made.begin(), restore.made.end(), path) != restore.made.end();
    bool kept = true;
    if (!contents.link && !contents.subkeys.empty()) {
        OwnedKey key(registry);
        kept = registry.OpenLinkW(parent, path.back().c_str(), restore.view, key.Out()) == kErrorSuccess;
        for (std::size_t i = 0; kept && i < contents.subkeys.size(); ++i) {
            path.push_back(contents.subkeys[i].name);
            kept = RestoreSecurity(restore, key.get(), path, contents.subkeys[i], made);
            path.pop_back();
        }
    }
    if (kept && made && !contents.security.empty())
        kept = registry.SetKeySecurityW(parent, path.back().c_str(), restore.view, contents.security) == kErrorSuccess;
    return kept;
}

// Deletes what a failed restore made, and nothing else: each key found again
// name by name below the Uninstall key, none of them through a link.
void Unmake(Restore& restore, RegKey uninstall)
{
    Registry& registry = restore.registry;
    for (auto made = restore.made.rbegin(); made != restore.made.rend(); ++made) {
        std::vector<std::unique_ptr<OwnedKey>> keys;
        RegKey at = uninstall;
        for (const std::u16string& name : *made) {
            keys.push_back(std::make_unique<OwnedKey>(registry));
            if (registry.OpenLinkW(at, name.c_str(), restore.view, keys.back()->Out()) != kErrorSuccess) break;
            at = keys.back()->get();
        }
        bool ignored = false;
        if (keys.size() == made->size() && keys.back()->get()) DeleteOpenTree(registry, at, restore.view, &ignored);
    }
}

// Whether the key is there now; a key that cannot be asked about counts as there.
bool Exists(Registry& registry, UninstallSource source, const std::string& subkey)
{
    OwnedKey key(registry);
    return OpenEntry(registry, source, Utf16(subkey), key) != kErrorFileNotFound;
}

bool UninstallKeyExists(Registry& registry, UninstallSource source)
{
    OwnedKey key(registry);
    return registry.OpenKeyExW(RootOf(source), Utf16(UninstallKeyPath()).c_str(), ViewOf(source), key.Out()) !=
           kErrorFileNotFound;
}

}  // namespace

std::optional<PoistettuMerkinta> LueMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain)
{
    if (!OnPoistettava(aliavain)) return std::nullopt;
    PoistettuMerkinta copy;
    copy.source = source;
    copy.aliavain = aliavain;
    OwnedKey entry(registry);
    if (OpenEntry(registry, source, Utf16(aliavain), entry) != kErrorSuccess ||
        !ReadTree(registry, entry.get(), ViewOf(source), copy))
        return std::nullopt;
    return copy;
}

std::optional<PoistettuMerkinta> PoistaMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain,
                                                RegStatus* refused)
{
    if (refused) *refused = kErrorSuccess;
    if (!OnPoistettava(aliavain)) return std::nullopt;
    std::optional<PoistettuMerkinta> copy = LueMerkinta(registry, source, aliavain);
    bool anyDeleted = false;
    const RegStatus status = DeleteEntry(registry, source, Utf16(aliavain), &anyDeleted);
    if (!Exists(registry, source, aliavain)) return copy;
    if (refused) *refused = status;
    // Failed part way: what is left stays, and what went can come back.
    if (status == kErrorSuccess || !anyDeleted) return std::nullopt;
    if (copy) copy->partial = true;
    return copy;
}

RegStatus PalautaMerkinta(Registry& registry, const PoistettuMerkinta& merkinta, bool* securityKept)
{
    if (securityKept) *securityKept = true;
    const RegKey root = RootOf(merkinta.source);
    const RegView view = ViewOf(merkinta.source);
    // If the Uninstall key itself is gone, this restore makes it, and takes it away again on failure.
    const bool uninstallKeyMade = !UninstallKeyExists(registry, merkinta.source);

    Restore restore{registry, view, {}};
    OwnedKey uninstall(registry);
    bool created = false;
    RegStatus status = registry.CreateKeyExW(root, Utf16(UninstallKeyPath()).c_str(), view, uninstall.Out(), &created, nullptr);
    if (status == kErrorSuccess) {
        std::vector<std::u16string> path = {Utf16(merkinta.aliavain)};
        status = RestoreKey(restore, uninstall.get(), path, merkinta, merkinta.partial, false);
        if (status != kErrorSuccess)
            Unmake(restore, uninstall.get());
        else if (!RestoreSecurity(restore, uninstall.get(), path, merkinta, false) && securityKept)
            *securityKept = false;
    }
    if (status != kErrorSuccess && uninstallKeyMade) DeleteInSource(registry, merkinta.source, UninstallKeyPath());
    return status;
}

Deletion PoistaMerkinnat(Registry& registry, const std::vector<EntryId>& entries)
{
    Deletion deletion;
    for (const EntryId& entry : entries) {
        if (!OnPoistettava(entry.key)) {
            const bool zero = entry.key.find('\0') != std::string::npos;
            deletion.refused.push_back({entry, zero ? Deletion::Refusal::ZeroCharacter : Deletion::Refusal::NotUnicode, 0});
            continue;
        }
        RegStatus refused = kErrorSuccess;
        std::optional<PoistettuMerkinta> copy = PoistaMerkinta(registry, entry.source, entry.key, &refused);
        if (copy) deletion.copies.push_back(std::move(*copy));
        if (refused == kErrorSuccess)
            deletion.gone.push_back(entry);
        else
            deletion.refused.push_back({entry, Deletion::Refusal::Refused, refused});
    }
    return deletion;
}

Restoration PalautaMerkinnat(Registry& registry, const std::vector<PoistettuMerkinta>& step)
{
    Restoration restoration;
    for (auto copy = step.rbegin(); copy != step.rend(); ++copy) {
        const EntryId entry = {copy->source, copy->aliavain};
        bool securityKept = true;
        const RegStatus status = PalautaMerkinta(registry, *copy, &securityKept);
        if (status == kErrorSuccess) restoration.restored.push_back(entry);
        if (status != kErrorSuccess || !securityKept) restoration.problems.push_back({entry, status});
        if (status != kErrorSuccess && status != kErrorAlreadyExists) restoration.failed.insert(restoration.failed.begin(), *copy);
    }
    return restoration;
}

}  // namespace karnio
