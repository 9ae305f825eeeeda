// Every registry call the walk makes may fail, with every error the platform
// gives Karnio: the failed read reads "Not Found", nothing else changes, and
// every open is still closed.
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
using test::StringData;
using test::TreeValue;

// Missing key, access denied, more data, invalid handle, no more items.
constexpr RegStatus kPlatformErrors[] = {kErrorFileNotFound, kErrorAccessDenied, kErrorMoreData, kErrorInvalidHandle,
                                         kErrorNoMoreItems};

TreeValue Text(const char* name, const std::string& value) { return {name, kRegSz, StringData(value)}; }

// One entry for each way through the rules, in every source, and a subkey called "Not Found".
test::Forest SmallForest()
{
    const test::Tree tree{{
        {"Nimi", {Text("DisplayName", "Nimi"), Text("UninstallString", "u.exe")}},
        {"Hiljainen", {Text("DisplayName", "Hiljainen"), Text("QuietUninstallString", "q.exe")}},
        {"Tyhjä", {Text("DisplayName", "Tyhjä"), Text("UninstallString", "")}},
        {"Piilo", {Text("QuietDisplayName", "Piilo"), Text("QuietUninstallString", "p.exe")}},
        {"Paljas", {}},
    }};
    test::Forest forest = {tree, tree, tree};
    forest[2].keys.push_back({kNotFound, {Text("QuietDisplayName", "Nimetön")}});
    return forest;
}

struct Sweep {
    int builds = 0;
};

// Fails each call of one walk in turn with each error and compares with the model.
void SweepFaults(const test::Forest& forest, Sweep& sweep, const std::string& label)
{
    int calls = 0;
    ASSERT_EQ(test::CheckFaultedWalk(forest, -1, kErrorSuccess, &calls), "") << label;
    for (int k = 0; k < calls; ++k) {
        for (const RegStatus error : kPlatformErrors) {
            ++sweep.builds;
            ASSERT_EQ(test::CheckFaultedWalk(forest, k, error), "") << label << " call " << k << " error " << error;
        }
    }
}

TEST(Faults, EveryCallOfAWalkFailingWithEveryError)
{
    Sweep sweep;
    SweepFaults(SmallForest(), sweep, "small forest");
    for (std::uint32_t seed = 1; seed <= test::SweepRounds(6) && !HasFatalFailure(); ++seed)
        SweepFaults(test::MakeRandomForest(seed), sweep, "seed " + std::to_string(seed));
    std::printf("fault sweep: %d walks, each with one failing call\n", sweep.builds);
    EXPECT_GT(sweep.builds, 1000);
}

TEST(Faults, TheReaderAnswersNotFoundOrTheRightText)
{
    MemoryRegistry registry;
    registry.SetString(kHkeyLocalMachine, "Software\\K", "arvo", "teksti");
    registry.CreateKey(kHkeyLocalMachine, "Software\\K\\Ali");
    for (const RegStatus error : kPlatformErrors) {
        for (int k = 0; k < 3; ++k) {
            for (const RegView view : {RegView::Native, RegView::Bits32}) {
                test::ScriptedRegistry scripted(registry);
                scripted.failAt = k;
                scripted.failWith = error;
                const std::string value = HaeRekisteriarvo(scripted, kHkeyLocalMachine, "Software\\K", "arvo");
                scripted.calls = 0;
                const std::string subkey = HaeAliavain(scripted, kHkeyLocalMachine, "Software\\K", 0);
                EXPECT_EQ(value, k == 2 ? "teksti" : kNotFound) << k << " " << error;
                EXPECT_EQ(subkey, k == 2 ? "Ali" : kNotFound) << k << " " << error;
                EXPECT_TRUE(scripted.open.empty());
                (void)view;
            }
            // Close the handles the failed closes left, as the platform would at exit.
            while (registry.OpenHandleCount() > 0) {
                RegKey key = 0;
                registry.OpenKey(kHkeyLocalMachine, "Software\\K", &key);
                for (RegKey handle = 0x1000; handle < key + 4; handle += 4) registry.CloseKey(handle);
            }
        }
    }
}

TEST(Faults, AFailedDeleteLeavesTheEntryAndTheRebuildShowsIt)
{
    using S = UninstallSource;
    for (const S source : kUninstallSources) {
        for (const RegStatus error : {kErrorFileNotFound, kErrorAccessDenied, kErrorInvalidHandle}) {
            MemoryRegistry registry;
            test::LoadForest(registry, SmallForest());
            test::ScriptedRegistry scripted(registry);
            scripted.failAt = 0;
            scripted.failWith = error;
            EXPECT_TRUE(PoistaAvain(scripted, source, "Nimi"));
            test::VectorSink programs, hidden;
            ListaaOhjelmat(scripted, programs, hidden);
            EXPECT_EQ(programs.Sorted(), test::Model(SmallForest()).programs);

            scripted.failAt = -1;
            EXPECT_TRUE(PoistaAvain(scripted, source, "Nimi"));
            ListaaOhjelmat(scripted, programs, hidden);
            test::Forest without = SmallForest();
            without[static_cast<int>(source)].keys.erase(without[static_cast<int>(source)].keys.begin());
            EXPECT_EQ(programs.Sorted(), test::Model(without).programs);
            EXPECT_EQ(registry.OpenHandleCount(), 0u);
        }
    }
}

}  // namespace
}  // namespace karnio
