// Sorts the subkeys of the Uninstall keys into the programs list and the hidden
// list. No window code: the lists are reached through ListSink, so the rules
// can run against any registry and any list. Where the keys are, and how an
// entry goes, is uninstall_source.h's.
#pragma once

#include "catalogue/uninstall_source.h"

#include <cstddef>
#include <optional>
#include <string>

namespace karnio {

// One list of rows; each row has a source, a key, a text and a sub-item 1.
class ListSink {
public:
    virtual ~ListSink() = default;
    virtual void RemoveAll() = 0;
    // Adds a row with an empty sub-item 1 and returns a handle for SetSubItem1.
    virtual std::size_t AddRow(UninstallSource source, const std::string& key, const std::string& text) = 0;
    virtual void SetSubItem1(std::size_t row, const std::string& text) = 0;
};

// Empties both lists and refills them from the three Uninstall keys.
void ListaaOhjelmat(Registry& registry, ListSink& ohjelmat, ListSink& piilotetut);

// One entry's row as the lists show it: which list, its shown name and its command.
struct ListedRow {
    bool hidden = false;  // in the hidden list
    std::string text;
    std::string command;
    bool operator==(const ListedRow& other) const
    {
        return hidden == other.hidden && text == other.text && command == other.command;
    }
    bool operator!=(const ListedRow& other) const { return !(*this == other); }
};

// The row of one subkey, read exactly as ListaaOhjelmat reads it (the same reads,
// in the same order, by the same rules); nothing for a subkey called "Not Found"
// without a name, where the walk ends.
std::optional<ListedRow> LueRivi(Registry& registry, UninstallSource lahde, const std::string& aliavain);

}  // namespace karnio
