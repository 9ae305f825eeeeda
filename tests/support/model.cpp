#include "support/model.h"

#include "registry/mdlKarnio.h"

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
        std::string hex;
        for (unsigned char byte : d) {
            std::snprintf(digits, sizeof digits, "%02X", byte);
            hex += digits;
        }
        return hex;
    }
    default:
        return std::string(d.begin(), d.end() - (!d.empty() && d.back() == 0 ? 1 : 0));
    }
}

void ModelSource(const Tree& tree, UninstallSource source, ModelLists& lists)
{
    std::vector<TreeKey> keys = tree.keys;
    std::sort(keys.begin(), keys.end(), [](const TreeKey& a, const TreeKey& b) { return CompareRegistryNames(a.name, b.name) < 0; });
    for (const TreeKey& key : keys) {
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

}  // namespace karnio::test
