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

// How many rounds a long property sweep runs: all of them, or a third under the sanitizers.
constexpr std::uint32_t SweepRounds(std::uint32_t rounds)
{
#ifdef KARNIO_SANITIZED
    return rounds / 3;
#else
    return rounds;
#endif
}

Tree MakeRandomTree(std::uint32_t seed);
// Three random trees that now and then share subkey names.
Forest MakeRandomForest(std::uint32_t seed);

// A fixed tree with one subkey for each classification rule and non-ASCII text.
Tree MakeSampleTree();

// A fixed tree of hostile data: key names of 255 characters, zero characters,
// bytes that are no UTF-8, multi-strings, QWORDs, REG_NONE with data, and names
// and commands of 2,047 bytes.
Tree MakeHostileTree();

// Entries for the delete and undo property, made in the registry, in all three
// sources: subkeys two deep with values of every type, classes and security;
// now and then a zero character in a value's or a subkey's name, a REG_LINK
// value named SymbolicLinkValue in a plain key, a real link (to Software\Kohde,
// which holds a value), and a key that refuses reading or deleting. Seed 0 gives
// the entries of faults once found.
std::vector<EntryId> MakeRandomEntries(MemoryRegistry& registry, std::uint32_t seed);

// Writes the tree into the Uninstall key of one source.
void LoadTree(MemoryRegistry& registry, const Tree& tree, UninstallSource source = UninstallSource::Machine);
void LoadForest(MemoryRegistry& registry, const Forest& forest);

std::vector<unsigned char> StringData(const std::string& text, bool terminated = true);

// A string literal with its zero characters, all but the terminator.
template <std::size_t N>
std::string Literal(const char (&text)[N])
{
    return std::string(text, N - 1);
}

}  // namespace karnio::test
