// An independent statement of the list rules, written from the documented
// behaviour rather than from the builder's code: the oracle of the property
// tests, the fault sweeps and the fuzzer.
#pragma once

#include "support/random_tree.h"
#include "support/vector_sink.h"

#include <string>
#include <vector>

namespace karnio::test {

struct ModelLists {
    std::vector<Row> programs, hidden;  // each sorted as Row sorts
};

// What the reader gives for one value of a key: its text, or "Not Found".
std::string ModelRead(const TreeKey& key, const std::string& name);

// The rows of one source, added to lists; the lists are not sorted here.
void ModelSource(const Tree& tree, UninstallSource source, ModelLists& lists);

// Both lists over all three sources, sorted.
ModelLists Model(const Forest& forest);

// The same, walked read by read in the documented order, with read number
// failedRead (counted from 0 over all sources) failing as "Not Found"; -1 for
// none. readCount, when given, receives how many reads the walk made.
ModelLists ModelWithFailedRead(const Forest& forest, int failedRead, int* readCount = nullptr);

// Walks the forest in an in-memory registry whose call number failAt (-1 for
// none) fails with error, and compares with the model: a failed open or read
// reads "Not Found", a failed close changes no text, every key opened is
// closed exactly once. Returns what differed, or the empty text; calls, when
// given, receives how many registry calls the walk made.
std::string CheckFaultedWalk(const Forest& forest, int failAt, RegStatus error, int* calls = nullptr);

}  // namespace karnio::test
