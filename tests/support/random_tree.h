// Seeded random Uninstall trees: odd subkey names, empty and missing values,
// every value type, oversized data and now and then a subkey named "Not Found".
#pragma once

#include "catalogue/uninstall_list.h"
#include "registry/memory_registry.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace karnio::test {

struct TreeValue {
    std::string name;
    std::uint32_t type;
    std::vector<unsigned char> data;  // narrow (UTF-8) form, as the A calls return it
};

struct TreeKey {
    std::string name;
    std::vector<TreeValue> values;
};

struct Tree {
    std::vector<TreeKey> keys;  // names unique as the registry compares them
};

// One tree for each source, indexed by UninstallSource.
using Forest = std::array<Tree, 3>;

Tree MakeRandomTree(std::uint32_t seed);
// Three random trees that now and then share subkey names.
Forest MakeRandomForest(std::uint32_t seed);

// A fixed tree with one subkey for each classification rule and non-ASCII text.
Tree MakeSampleTree();

// Writes the tree into the Uninstall key of one source.
void LoadTree(MemoryRegistry& registry, const Tree& tree, UninstallSource source = UninstallSource::Machine);
void LoadForest(MemoryRegistry& registry, const Forest& forest);

std::vector<unsigned char> StringData(const std::string& text, bool terminated = true);

}  // namespace karnio::test
