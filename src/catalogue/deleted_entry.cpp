#include "catalogue/deleted_entry.h"

#include "registry/unicode.h"

#include <algorithm>
#include <memory>

namespace karnio {

namespace {

// SetValueExW and CreateKeyExW take zero-terminated names: such a name would come back as another.
bool HoldsZero(const std::u16string& name) { return name.find(u'\0') != std::u16string::npos; }

// What stands in the way of a whole copy: the first obstacle met, and whether
// some name holds a zero character.
struct Obstacle {
    std::optional<Refusal::Reason> reason;
    RegStatus status = kErrorSuccess;
    bool zero = false;

    void Set(Refusal::Reason why, RegStatus error)
    {
        if (reason) return;
        reason = why;
        status = error;
    }
    // A call failed while the tree was read: a key or value that went or grew
    // meanwhile is a change under the reader, anything else a key it cannot read.
    void Failed(RegStatus error)
    {
        const bool changed = error == kErrorFileNotFound || error == kErrorKeyDeleted || error == kErrorMoreData;
        Set(changed ? Refusal::Changed : Refusal::Unreadable, error);
    }
};

// The keys of a tree being copied, each opened as itself, parents before children.
using HeldKeys = std::vector<std::unique_ptr<OwnedKey>>;

// Opens the key of name below parent as itself, for reading and for access.
// Where deleting is refused, a second look tells a key that may be read but not
// deleted from one that may not even be read.
RegStatus OpenKey(Registry& registry, RegKey parent, const std::u16string& name, RegView view, KeyAccess access,
                  OwnedKey& key, Obstacle& obstacle)
{
    const RegStatus status = registry.OpenLinkW(parent, name, view, access, key.Out());
    if (status == kErrorSuccess) return status;
    if (access == KeyAccess::Read || status == kErrorFileNotFound || status == kErrorKeyDeleted) {
        obstacle.Failed(status);
        return status;
    }
    OwnedKey reading(registry);
    const RegStatus read = registry.OpenLinkW(parent, name, view, KeyAccess::Read, reading.Out());
    if (read == kErrorSuccess)
        obstacle.Set(Refusal::Undeletable, status);
    else
        obstacle.Failed(read);
    return status;
}

// Reads the open key, name below parent, and everything below it into copy,
// opening each key below as itself for access and holding it open. Nothing is
// read below a link.
void ReadTree(Registry& registry, RegKey parent, const std::u16string& name, RegKey key, RegView view, KeyAccess access,
              KeyContents& copy, HeldKeys& held, Obstacle& obstacle)
{
    KeyInfo info;
    RegStatus status = ReadValues(registry, key, copy.values, &info);
    if (status == kErrorSuccess) status = registry.GetKeySecurityW(key, copy.security);
    if (status == kErrorSuccess) status = registry.IsLinkW(key, parent, name, view, &copy.link);
    if (status != kErrorSuccess) return obstacle.Failed(status);
    copy.keyClass = info.keyClass;
    for (const RegistryValue& value : copy.values) obstacle.zero = obstacle.zero || HoldsZero(value.name);
    if (copy.link) return;
    std::vector<std::u16string> names;
    status = ReadSubkeyNames(registry, key, names);
    // Subkeys that came or went since they were counted: not a whole copy.
    if (status == kErrorSuccess && names.size() != info.subkeys) status = kErrorMoreData;
    if (status != kErrorSuccess) return obstacle.Failed(status);
    for (std::u16string& childName : names) {
        RegistrySubkey subkey;
        subkey.name = std::move(childName);
        obstacle.zero = obstacle.zero || HoldsZero(subkey.name);
        held.push_back(std::make_unique<OwnedKey>(registry));
        OwnedKey& child = *held.back();
        if (OpenKey(registry, key, subkey.name, view, access, child, obstacle) != kErrorSuccess) return;
        ReadTree(registry, key, subkey.name, child.get(), view, access, subkey, held, obstacle);
        if (obstacle.reason) return;
        copy.subkeys.push_back(std::move(subkey));
    }
}

// Opens the entry's key and everything below it as itself, for access, and
// copies it; held[0] is the entry's own key. expected, when given, is checked
// once the entry's key is open, so that the copy is of the key that showed it.
PoistettuMerkinta CopyEntry(Registry& registry, UninstallSource source, const std::string& aliavain, KeyAccess access,
                            const ListedRow* expected, HeldKeys& held, Obstacle& obstacle, bool* gone)
{
    PoistettuMerkinta copy;
    copy.source = source;
    copy.aliavain = aliavain;
    *gone = false;
    const std::u16string name = Utf16(aliavain);
    OwnedKey uninstall(registry);
    held.push_back(std::make_unique<OwnedKey>(registry));
    RegStatus status = registry.OpenKeyExW(RootOf(source), Utf16(UninstallKeyPath()).c_str(), ViewOf(source), uninstall.Out());
    if (status == kErrorFileNotFound) {
        *gone = true;
    } else if (status != kErrorSuccess) {
        obstacle.Failed(status);
    } else if (OpenKey(registry, uninstall.get(), name, ViewOf(source), access, *held[0], obstacle) == kErrorFileNotFound) {
        *gone = true;
        obstacle = {};
    } else if (!obstacle.reason && expected && LueRivi(registry, source, aliavain) != *expected) {
        obstacle.Set(Refusal::Changed, kErrorSuccess);
    } else if (!obstacle.reason) {
        ReadTree(registry, uninstall.get(), name, held[0]->get(), ViewOf(source), access, copy, held, obstacle);
    }
    return copy;
}

// Deletes the held keys through their handles, the deepest first; a key gone
// meanwhile counts as deleted. *anyDeleted tells whether any went.
RegStatus DeleteHeld(Registry& registry, const HeldKeys& held, bool* anyDeleted)
{
    for (auto key = held.rbegin(); key != held.rend(); ++key) {
        const RegStatus status = registry.DeleteOpenKey((*key)->get());
        if (status == kErrorSuccess) *anyDeleted = true;
        if (status != kErrorSuccess && status != kErrorKeyDeleted) return status;
    }
    return kErrorSuccess;
}

}  // namespace

RegStatus ReadValues(Registry& registry, RegKey key, std::vector<RegistryValue>& values, KeyInfo* counted)
{
    KeyInfo info;
    const RegStatus asked = registry.QueryInfoKeyW(key, &info);
    if (asked != kErrorSuccess) return asked;
    if (counted) *counted = info;
    std::u16string name(info.maxNameLength + 1, u'\0');
    std::vector<unsigned char> data(std::max<std::uint32_t>(info.maxDataSize, 1));
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameLength = static_cast<std::uint32_t>(name.size()), type = 0;
        std::uint32_t size = static_cast<std::uint32_t>(data.size());
        const RegStatus status = registry.EnumValueW(key, index, name.data(), &nameLength, &type, data.data(), &size);
        if (status == kErrorNoMoreItems) break;
        if (status != kErrorSuccess) return status;
        // A value that grew or appeared since the sizes were asked for: not a whole copy.
        if (nameLength >= name.size() || size > data.size()) return kErrorMoreData;
        values.push_back({name.substr(0, nameLength), type, {data.begin(), data.begin() + size}});
    }
    return values.size() == info.values ? kErrorSuccess : kErrorMoreData;
}

std::optional<PoistettuMerkinta> LueMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain)
{
    if (!OnPoistettava(aliavain)) return std::nullopt;
    HeldKeys held;
    Obstacle obstacle;
    bool gone = false;
    PoistettuMerkinta copy = CopyEntry(registry, source, aliavain, KeyAccess::Read, nullptr, held, obstacle, &gone);
    if (gone || obstacle.reason || obstacle.zero) return std::nullopt;
    return copy;
}

EntryDeletion PoistaMerkinta(Registry& registry, UninstallSource source, const std::string& aliavain,
                             const ListedRow* expected, bool withoutCopy)
{
    EntryDeletion result;
    const auto refuse = [&](Refusal::Reason reason, RegStatus status) { result.refusal = Refusal{{source, aliavain}, reason, status}; };
    if (!OnPoistettava(aliavain)) {
        refuse(aliavain.find('\0') != std::string::npos ? Refusal::ZeroCharacter : Refusal::NotUnicode, kErrorSuccess);
        return result;
    }
    HeldKeys held;
    Obstacle obstacle;
    bool gone = false;
    PoistettuMerkinta copy = CopyEntry(registry, source, aliavain, KeyAccess::Delete, expected, held, obstacle, &gone);
    if (gone) return result;
    if (obstacle.reason || (obstacle.zero && !withoutCopy)) {
        refuse(obstacle.reason.value_or(Refusal::ZeroInside), obstacle.status);
        return result;
    }
    bool anyDeleted = false;
    const RegStatus status = DeleteHeld(registry, held, &anyDeleted);
    // A copy with a zero character in a name could only come back as another key.
    const bool keep = !obstacle.zero && (status == kErrorSuccess || anyDeleted);
    if (keep) {
        copy.partial = status != kErrorSuccess;  // what is left stays, and what went can come back
        result.copy = std::move(copy);
    }
    if (status != kErrorSuccess) refuse(Refusal::Refused, status);
    return result;
}

Deletion PoistaMerkinnat(Registry& registry, const std::vector<ChosenRow>& chosen, bool withoutCopy)
{
    Deletion deletion;
    for (const ChosenRow& row : chosen) {
        EntryDeletion one = PoistaMerkinta(registry, row.entry.source, row.entry.key, &row.row, withoutCopy);
        if (one.copy) deletion.copies.push_back(std::move(*one.copy));
        if (one.refusal)
            deletion.refused.push_back(std::move(*one.refusal));
        else
            deletion.gone.push_back(row.entry);
    }
    return deletion;
}

}  // namespace karnio
