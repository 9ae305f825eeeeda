// Uninstallers change the Uninstall keys while Karnio reads them: a key deleted,
// added or renamed between any two calls of a walk. The walk must end, close
// every key it opened, and list only rows that some key really had.
#include "catalogue/uninstall_list.h"

#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "support/model.h"
#include "support/random_tree.h"
#include "support/scripted_registry.h"
#include "support/vector_sink.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace karnio {
namespace {

using test::Row;
using test::TreeKey;
using test::TreeValue;

enum class Change { Delete, Add, Rename };

std::string PathOf(const std::string& name) { return kUninstallPath + name; }

void Create(MemoryRegistry& registry, UninstallSource source, const TreeKey& key)
{
    registry.CreateKey(RootOf(source), PathOf(key.name), ViewOf(source));
    for (const TreeValue& value : key.values)
        registry.SetValue(RootOf(source), PathOf(key.name), value.name, value.type, value.data, ViewOf(source));
}

// Every key a source had at any time of the walk.
using Universe = std::array<std::vector<TreeKey>, 3>;

bool RowCameFromAKey(const Row& row, const Universe& universe)
{
    for (const TreeKey& key : universe[static_cast<int>(row.source)]) {
        if (CompareRegistryNames(key.name, row.key) != 0) continue;
        const auto has = [&](const std::string& text, std::initializer_list<const char*> names, const std::string& otherwise) {
            if (text == otherwise) return true;
            for (const char* name : names)
                if (test::ModelRead(key, name) == text) return true;
            return false;
        };
        if (has(row.text, {"DisplayName", "QuietDisplayName"}, row.key) &&
            has(row.command, {"UninstallString", "QuietUninstallString"}, ""))
            return true;
    }
    return false;
}

struct Tally {
    int walks = 0;
    int changed = 0;  // walks whose lists differ from a walk of the tree as it was
};

void SweepChanges(const test::Forest& forest, Tally& tally, const std::string& label)
{
    int calls = 0;
    test::ModelWithFailedRead(forest, -1, &calls);
    calls *= 3;
    const test::ModelLists unchanged = test::Model(forest);
    for (int k = 0; k < calls; ++k) {
        for (const Change change : {Change::Delete, Change::Add, Change::Rename}) {
            const auto source = static_cast<UninstallSource>(k % 3);
            const std::vector<TreeKey>& keys = forest[k % 3].keys;
            if (keys.empty() && change != Change::Add) continue;
            const TreeKey target = keys.empty() ? TreeKey{} : keys[(k / 3) % keys.size()];

            Universe universe;
            for (int s = 0; s < 3; ++s) universe[s] = forest[s].keys;
            const TreeKey added{"M-lisätty " + std::to_string(k), {{"DisplayName", kRegSz, test::StringData("Lisätty")},
                                                                  {"UninstallString", kRegSz, test::StringData("l.exe")}}};
            TreeKey renamed = target;
            renamed.name += " (uusi)";
            universe[k % 3].push_back(change == Change::Add ? added : renamed);

            MemoryRegistry registry;
            test::LoadForest(registry, forest);
            test::ScriptedRegistry scripted(registry);
            scripted.before = [&](int call) {
                if (call != k) return;
                if (change != Change::Add)
                    registry.DeleteKeyEx(RootOf(source), PathOf(target.name).c_str(), ViewOf(source));
                if (change != Change::Delete) Create(registry, source, change == Change::Add ? added : renamed);
            };
            test::VectorSink programs, hidden;
            ListaaOhjelmat(scripted, programs, hidden);
            ++tally.walks;

            const std::string where = label + " call " + std::to_string(k) + " change " + std::to_string(static_cast<int>(change));
            // The walk ends: each index, shifted at most once, costs at most five reads of three calls.
            std::size_t keyCount = 0;
            for (const auto& keysOfSource : universe) keyCount += keysOfSource.size();
            ASSERT_LE(scripted.calls, static_cast<int>(3 * (5 * 2 * (keyCount + 3)))) << where;
            ASSERT_TRUE(scripted.open.empty()) << where;
            ASSERT_EQ(scripted.doubleCloses, 0) << where;
            ASSERT_EQ(registry.OpenHandleCount(), 0u) << where;
            for (const auto* list : {&programs.rows, &hidden.rows})
                for (const Row& row : *list) ASSERT_TRUE(RowCameFromAKey(row, universe)) << where << " " << row;
            tally.changed += programs.Sorted() != unchanged.programs || hidden.Sorted() != unchanged.hidden;
        }
    }
}

TEST(ChangingRegistry, KeysDeletedAddedAndRenamedBetweenAnyTwoCalls)
{
    Tally tally;
    const test::Tree tree{{
        {"Alfa", {{"DisplayName", kRegSz, test::StringData("Alfa")}, {"UninstallString", kRegSz, test::StringData("a.exe")}}},
        {"Beta", {{"QuietDisplayName", kRegSz, test::StringData("Beta")}}},
        {"Gamma", {{"DisplayName", kRegSz, test::StringData("Gamma")}, {"QuietUninstallString", kRegSz, test::StringData("g.exe")}}},
        {"Zeta", {}},
    }};
    SweepChanges({tree, tree, tree}, tally, "small forest");
    for (std::uint32_t seed = 1; seed <= test::SweepRounds(9) && !HasFatalFailure(); ++seed)
        SweepChanges(test::MakeRandomForest(seed), tally, "seed " + std::to_string(seed));
    std::printf("changing registry: %d walks, %d of them saw the change\n", tally.walks, tally.changed);
    EXPECT_GT(tally.changed, tally.walks / 4);  // the changes really land inside the walks
}

}  // namespace
}  // namespace karnio
