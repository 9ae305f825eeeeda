// Seeded random Uninstall trees: odd subkey names, empty and missing values,
// every value type, oversized data and now and then a subkey named "Not Found".
#pragma once

#include "registry/memory_registry.h"

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

Tree MakeRandomTree(std::uint32_t seed);

// A fixed tree with one subkey for each classification rule and non-ASCII text.
Tree MakeSampleTree();

// Writes the tree under HKEY_LOCAL_MACHINE\<kUninstallPath>.
void LoadTree(MemoryRegistry& registry, const Tree& tree);

std::vector<unsigned char> StringData(const std::string& text, bool terminated = true);

}  // namespace karnio::test
