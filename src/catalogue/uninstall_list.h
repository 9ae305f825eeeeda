// Sorts the subkeys of the Uninstall key into the programs list and the hidden
// list. No window code: the lists are reached through ListSink, so the rules
// can run against any registry and any list.
#pragma once

#include "registry/registry.h"

#include <cstddef>
#include <string>

namespace karnio {

inline constexpr char kUninstallPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// One list of rows; each row has a key, a text and a sub-item 1.
class ListSink {
public:
    virtual ~ListSink() = default;
    virtual void RemoveAll() = 0;
    // Adds a row with an empty sub-item 1 and returns a handle for SetSubItem1.
    virtual std::size_t AddRow(const std::string& key, const std::string& text) = 0;
    virtual void SetSubItem1(std::size_t row, const std::string& text) = 0;
};

// Empties both lists and refills them from HKEY_LOCAL_MACHINE\<kUninstallPath>.
void ListaaOhjelmat(Registry& registry, ListSink& ohjelmat, ListSink& piilotetut);

}  // namespace karnio
