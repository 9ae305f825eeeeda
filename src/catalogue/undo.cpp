#include "catalogue/undo.h"

#include "registry/unicode.h"

#include <algorithm>
#include <memory>

namespace karnio {

namespace {

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
    const std::u16string& name = path.back();
    OwnedKey key(registry);
    RegStatus status = registry.OpenLinkW(parent, name, restore.view, KeyAccess::Read, key.Out());
    bool made = false;
    if (status == kErrorSuccess) {
        if (!partial) return kErrorAlreadyExists;
        bool link = false;
        if (contents.link || registry.IsLinkW(key.get(), parent, name, restore.view, &link) != kErrorSuccess || link)
            return kErrorSuccess;
        // Below a key that stayed, the missing ones are made.
        OwnedKey writing(registry);
        status = registry.OpenLinkW(parent, name, restore.view, KeyAccess::Write, writing.Out());
        if (status != kErrorSuccess) return status;
        std::swap(*key.Out(), *writing.Out());
    } else if (status == kErrorFileNotFound) {
        bool created = true;
        status = contents.link ? registry.CreateLinkW(parent, name.c_str(), restore.view, key.Out())
                               : registry.CreateKeyExW(parent, name.c_str(), restore.view, key.Out(), &created,
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
        kept = registry.OpenLinkW(parent, path.back(), restore.view, KeyAccess::Read, key.Out()) == kErrorSuccess;
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
            const KeyAccess access = keys.size() == made->size() ? KeyAccess::Delete : KeyAccess::Read;
            if (registry.OpenLinkW(at, name, restore.view, access, keys.back()->Out()) != kErrorSuccess) break;
            at = keys.back()->get();
        }
        bool ignored = false;
        if (keys.size() == made->size() && keys.back()->get()) DeleteOpenTree(registry, at, restore.view, &ignored);
    }
}

bool UninstallKeyExists(Registry& registry, UninstallSource source)
{
    OwnedKey key(registry);
    return registry.OpenKeyExW(RootOf(source), Utf16(UninstallKeyPath()).c_str(), ViewOf(source), key.Out()) !=
           kErrorFileNotFound;
}

}  // namespace

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

Restoration PalautaMerkinnat(Registry& registry, const UndoStep& step)
{
    Restoration restoration;
    for (std::size_t i = step.copies.size(); i-- > 0;) {
        const PoistettuMerkinta& copy = step.copies[i];
        const EntryId entry = {copy.source, copy.aliavain};
        bool securityKept = true;
        const RegStatus status = PalautaMerkinta(registry, copy, &securityKept);
        if (status == kErrorSuccess) restoration.restored.push_back(entry);
        if (status != kErrorSuccess || !securityKept) restoration.problems.push_back({entry, step.names[i], status});
        if (status != kErrorSuccess && status != kErrorAlreadyExists) {
            restoration.failed.copies.insert(restoration.failed.copies.begin(), copy);
            restoration.failed.names.insert(restoration.failed.names.begin(), step.names[i]);
        }
    }
    return restoration;
}

Restoration PalautaUusin(Registry& registry, std::vector<UndoStep>& stack)
{
    if (stack.empty()) return {};
    UndoStep step = std::move(stack.back());
    stack.pop_back();
    Restoration restoration = PalautaMerkinnat(registry, step);
    if (!restoration.failed.copies.empty()) stack.insert(stack.begin(), restoration.failed);
    return restoration;
}

}  // namespace karnio
