// Sorts the subkeys of the Uninstall keys into the programs list and the hidden
// list. No window code: the lists are reached through ListSink, so the rules
// can run against any registry and any list. Where the keys are, and how an
// entry goes, is uninstall_source.h's.
#pragma once

#include "catalogue/uninstall_source.h"

#include <cstddef>
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

}  // namespace karnio
