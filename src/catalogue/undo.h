// Bringing deleted entries back: one copy (PalautaMerkinta), one command's
// copies (PalautaMerkinnat), and the stack that Ctrl+Z takes them from, in
// memory only, so that no step can ever stand in the way of an older one.
#pragma once

#include "catalogue/deleted_entry.h"

#include <string>
#include <vector>

namespace karnio {

// Creates the subkey again in its own root and view and writes everything
// back, links as links. kErrorSuccess; kErrorAlreadyExists when a key of that
// name exists (it is left exactly as it is); otherwise the error of the call
// that failed, after what this restore created has been deleted again. Of a
// partial copy, only the keys that are missing are made, and the rest is left
// as it is. Each key made gets its class; once every key and value is written,
// each gets its security back, deepest first: *securityKept tells whether all
// of it could be (the keys stay either way).
RegStatus PalautaMerkinta(Registry& registry, const PoistettuMerkinta& merkinta, bool* securityKept = nullptr);

// One Ctrl+Z: the entries one command deleted, with the names their rows showed.
struct UndoStep {
    std::vector<PoistettuMerkinta> copies;
    std::vector<std::string> names;  // of each copy
};

// What became of an undo step brought back, the latest deleted first.
struct Restoration {
    std::vector<EntryId> restored;  // in the order they came back
    UndoStep failed;                // what could not be made again, kept to be tried again
    struct Problem {
        EntryId entry;
        std::string name;  // as its row showed it
        RegStatus status;  // kErrorAlreadyExists: a key of that name won, and its copy was dropped;
                           // kErrorSuccess: back, but without its permissions; else why it is still gone
    };
    std::vector<Problem> problems;
};
Restoration PalautaMerkinnat(Registry& registry, const UndoStep& step);

// Ctrl+Z: the newest step of the stack (its back) comes back. What could not
// be made again for any reason but a key of that name being there again stays,
// as one step at the bottom (the front), so that every older step can be reached
// first and it is tried again after them. Nothing on an empty stack.
Restoration PalautaUusin(Registry& registry, std::vector<UndoStep>& stack);

}  // namespace karnio
