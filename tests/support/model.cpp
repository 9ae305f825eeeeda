#include "support/model.h"

#include "registry/mdlKarnio.h"
#include "registry/unicode.h"
#include "support/scripted_registry.h"

#include <algorithm>
#include <cstdio>

namespace karnio::test {

std::string ModelRead(const TreeKey& key, const std::string& name)
{
    const auto value = std::find_if(key.values.begin(), key.values.end(), [&](const TreeValue& v) { return v.name == name; });
    if (value == key.values.end() || value->data.size() > kReadBufferSize) return kNotFound;
    const std::vector<unsigned char>& d = value->data;
    char digits[16];
    switch (value->type) {
    case kRegDword: {
        unsigned long number = 0;
        for (std::size_t i = 0; i < 4; ++i) number += (i < d.size() ? d[i] : 0ul) << (8 * i);
        std::snprintf(digits, sizeof digits, "%03lu", number);
        return digits;
    }
    case kRegBinary: {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        std::string hex;
        for (unsigned char byte : d) hex += {kDigits[byte / 16], kDigits[byte % 16]};
        return hex;
    }
    default:
        return std::string(d.begin(), d.end() - (!d.empty() && d.back() == 0 ? 1 : 0));
    }
}

namespace {

// A name as Windows stores it (the wide calls give it so); the row of one that is no Unicode.
std::string AsStored(const std::string& name) { return Utf8KeepingSurrogates(Utf16(name)); }
Row NotUnicode(const std::string& stored, UninstallSource source)
{
    return {stored, stored.substr(0, LoneSurrogateAt(stored)) + "\xE2\x80\xA6", "", source};
}

}  // namespace

void ModelSource(const Tree& tree, UninstallSource source, ModelLists& lists)
{
    std::vector<const TreeKey*> sorted;
    for (const TreeKey& key : tree.keys) sorted.push_back(&key);
    std::sort(sorted.begin(), sorted.end(), [](const TreeKey* a, const TreeKey* b) { return CompareRegistryNames(a->name, b->name) < 0; });
    for (const TreeKey* entry : sorted) {
        const TreeKey& key = *entry;
        if (HoldsLoneSurrogate(AsStored(key.name))) {
            lists.hidden.push_back(NotUnicode(AsStored(key.name), source));
            continue;
        }
        const auto read = [&](const char* name) { return ModelRead(key, name); };
        const bool named = read("DisplayName") != kNotFound;
        const bool quietNamed = read("QuietDisplayName") != kNotFound;
        const std::string uninstall = read("UninstallString");
        const std::string quiet = read("QuietUninstallString");
        const std::string command = uninstall != kNotFound ? uninstall : quiet != kNotFound ? quiet : "";
        if (named && (uninstall == kNotFound ? quiet != kNotFound : !uninstall.empty()))
            lists.programs.push_back({key.name, read("DisplayName"), command, source});
        else if (named)
            lists.hidden.push_back({key.name, read("DisplayName"), "", source});
        else if (quietNamed || key.name != kNotFound)
            lists.hidden.push_back({key.name, quietNamed ? read("QuietDisplayName") : key.name, command, source});
        if (key.name == kNotFound) break;
    }
}

ModelLists Model(const Forest& forest)
{
    ModelLists lists;
    for (const UninstallSource source : kUninstallSources) ModelSource(forest[static_cast<int>(source)], source, lists);
    std::sort(lists.programs.begin(), lists.programs.end());
    std::sort(lists.hidden.begin(), lists.hidden.end());
    return lists;
}

namespace {

// Numbers the reads of a walk; the failing one reads "Not Found".
class Reads {
public:
    explicit Reads(int failed) : failed_(failed) {}
    std::string Next(const std::string& real) { return next_++ == failed_ ? std::string(kNotFound) : real; }
    int Count() const { return next_; }

private:
    int failed_;
    int next_ = 0;
};

void WalkSource(const Tree& tree, UninstallSource source, Reads& reads, ModelLists& lists)
{
    std::vector<const TreeKey*> keys;
    for (const TreeKey& key : tree.keys) keys.push_back(&key);
    std::sort(keys.begin(), keys.end(), [](const TreeKey* a, const TreeKey* b) { return CompareRegistryNames(a->name, b->name) < 0; });
    for (std::size_t index = 0;; ++index) {
        // Windows gives an unpaired surrogate to the narrow calls as U+FFFD; where a name
        // holds U+FFFD, the wide name is read too, and a name that is not Unicode reads nothing.
        const std::string raw = index < keys.size() ? keys[index]->name : std::string(kNotFound);
        const std::string stored = AsStored(raw);
        std::string subkey = reads.Next(HoldsLoneSurrogate(raw) ? Utf8(Utf16(raw)) : raw);
        if (subkey.find("\xEF\xBF\xBD") != std::string::npos && reads.Next(stored) == stored &&
            Utf8(Utf16(stored)) == subkey && HoldsLoneSurrogate(stored)) {
            lists.hidden.push_back(NotUnicode(stored, source));
            continue;
        }
        // The key the path names, whatever the enumeration said.
        const TreeKey* key = nullptr;
        for (const TreeKey* candidate : keys)
            if (CompareRegistryNames(candidate->name, subkey) == 0) key = candidate;
        const auto value = [&](const char* name) { return reads.Next(key ? ModelRead(*key, name) : std::string(kNotFound)); };

        std::string name = value("DisplayName");
        if (name != kNotFound) {
            const std::string command = value("UninstallString");
            if (command.empty()) {
                lists.hidden.push_back({subkey, name, "", source});
            } else if (command == kNotFound) {
                const std::string quiet = value("QuietUninstallString");
                if (quiet != kNotFound)
                    lists.programs.push_back({subkey, name, quiet, source});
                else
                    lists.hidden.push_back({subkey, name, "", source});
            } else {
                lists.programs.push_back({subkey, name, command, source});
            }
        } else {
            name = value("QuietDisplayName");
            if (name == kNotFound) {
                if (subkey == kNotFound) return;
                name = subkey;
            }
            std::string command = value("UninstallString");
            if (command == kNotFound) command = value("QuietUninstallString");
            lists.hidden.push_back({subkey, name, command == kNotFound ? "" : command, source});
        }
        if (subkey == kNotFound) return;
    }
}

}  // namespace

ModelLists ModelWithFailedRead(const Forest& forest, int failedRead, int* readCount)
{
    Reads reads(failedRead);
    ModelLists lists;
    for (const UninstallSource source : kUninstallSources) WalkSource(forest[static_cast<int>(source)], source, reads, lists);
    std::sort(lists.programs.begin(), lists.programs.end());
    std::sort(lists.hidden.begin(), lists.hidden.end());
    if (readCount) *readCount = reads.Count();
    return lists;
}

std::string CheckFaultedWalk(const Forest& forest, int failAt, RegStatus error, int* calls)
{
    MemoryRegistry registry;
    LoadForest(registry, forest);
    ScriptedRegistry scripted(registry);
    scripted.failAt = failAt;
    scripted.failWith = error;
    VectorSink programs, hidden;
    ListaaOhjelmat(scripted, programs, hidden);
    if (calls) *calls = scripted.calls;

    const bool failed = failAt >= 0 && failAt < scripted.calls;
    const bool close = failed && failAt % 3 == 2;
    int reads = 0;
    const ModelLists model = ModelWithFailedRead(forest, failed && !close ? failAt / 3 : -1, &reads);
    if (scripted.calls != 3 * reads) return "the walk made other calls than the model's reads";
    if (programs.Sorted() != model.programs) return "the programs list differs from the model";
    if (hidden.Sorted() != model.hidden) return "the hidden list differs from the model";
    if (!scripted.open.empty() || scripted.doubleCloses != 0) return "a key was not closed exactly once";
    // Only a close that failed leaves a key open, and only in the registry itself.
    if (registry.OpenHandleCount() > (close ? 1u : 0u)) return "a key was left open";
    if (!failed) {
        const ModelLists declarative = Model(forest);
        if (declarative.programs != model.programs || declarative.hidden != model.hidden) return "the two models disagree";
    }
    return {};
}

}  // namespace karnio::test
