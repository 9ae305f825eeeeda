// Every registry call the walk makes may fail, with every error the platform
// gives Karnio: the failed read reads "Not Found", nothing else changes, and
// every open is still closed.
#include "catalogue/deleted_entry.h"
#include "catalogue/uninstall_list.h"

#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "registry/unicode.h"
#include "support/entry_values.h"
#include "support/model.h"
#include "support/random_tree.h"
#include "support/recording_registry.h"
#include "support/scripted_registry.h"
#include "support/vector_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
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

// Every call of a delete and of its undo fails in turn with every error: a copy
// is kept only when it is whole and the key is gone, or part of it (partial), and
// a restore leaves the whole key or none of it (nor an Uninstall key it had to
// make). Below the entry, a subkey with a value and a link, whose target stays;
// the keys have a class and a DACL, set back once every key and value is written.
TEST(Faults, DeletingAndRestoringLeaveAWholeKeyOrNone)
{
    using S = UninstallSource;
    const std::string subkey = "Palautus";
    const auto write = [&](MemoryRegistry& registry, S source) {
        RegKey key = 0;
        bool created = false;
        registry.CreateKeyExW(RootOf(source), Utf16(kUninstallPath + subkey).c_str(), ViewOf(source), &key, &created, u"Luokka");
        registry.CloseKey(key);
        test::WriteEntry(registry, source, subkey, test::EveryKindOfValue());
        registry.SetString(RootOf(source), kUninstallPath + subkey + "\\Osa", "Arvo", "osa", ViewOf(source));
        registry.SetString(kHkeyLocalMachine, "Software\\Kohde", "Arvo", "kohde");
        test::WriteLink(registry, source, subkey, u"Linkki", u"\\Registry\\Machine\\Software\\Kohde");
        registry.OpenKeyExW(RootOf(source), Utf16(kUninstallPath).c_str(), ViewOf(source), &key);
        registry.SetKeySecurityW(key, Utf16(subkey + "\\Osa").c_str(), ViewOf(source), {1, 2});
        registry.SetKeySecurityW(key, Utf16(subkey).c_str(), ViewOf(source), {3, 4, 5});
        registry.CloseKey(key);
    };
    // The entry as text, every key of it, and what its link leads to; the link's target must never change.
    const auto valuesNow = [&](Registry& registry, S source) {
        EXPECT_EQ(HaeRekisteriarvo(registry, kHkeyLocalMachine, "Software\\Kohde", "Arvo"), "kohde");
        const auto copy = LueMerkinta(registry, source, subkey);
        std::vector<std::string> lines = copy ? test::Describe(*copy) : std::vector<std::string>{};
        if (copy)
            lines.push_back(HaeRekisteriarvo(registry, RootOf(source), kUninstallPath + subkey + "\\Linkki", "Arvo", ViewOf(source)));
        return lines;
    };
    const std::vector<std::string> whole = [&] {
        MemoryRegistry registry;
        write(registry, S::Machine);
        return valuesNow(registry, S::Machine);
    }();
    ASSERT_EQ(whole.size(), test::EveryKindOfValue().size() + 6);
    ASSERT_EQ(whole.back(), "kohde");
    const auto keysAndValues = [](std::vector<std::string> lines) {
        lines.erase(std::remove_if(lines.begin(), lines.end(), [](const std::string& line) { return line.find("[security]") != std::string::npos; }),
                    lines.end());
        return lines;
    };
    {
        // The security goes back last, deepest first, and only once every key and value is written.
        MemoryRegistry registry;
        write(registry, S::Machine);
        const auto copy = PoistaMerkinta(registry, S::Machine, subkey);
        test::RecordingRegistry recording(registry);
        ASSERT_EQ(PalautaMerkinta(recording, *copy), kErrorSuccess);
        const auto& calls = recording.calls;
        const auto first = std::find_if(calls.begin(), calls.end(), [](const std::string& call) { return call.rfind("setsecurity", 0) == 0; });
        std::vector<std::string> after;
        std::copy_if(first, calls.end(), std::back_inserter(after), [](const std::string& call) { return call.rfind("set", 0) == 0 || call.rfind("create", 0) == 0; });
        EXPECT_EQ(after, (std::vector<std::string>{"setsecurity Osa", "setsecurity " + subkey}));
    }
    int sweeps = 0, partials = 0;
    for (const S source : kUninstallSources) {
        for (const bool withoutUninstallKey : {false, true}) {
            for (int k = 0;; ++k) {
                bool pastTheLastCall = false;
                for (const RegStatus error : kPlatformErrors) {
                    MemoryRegistry registry;
                    write(registry, source);
                    test::ScriptedRegistry scripted(registry);
                    scripted.failAt = k;
                    scripted.failWith = error;
                    const auto copy = PoistaMerkinta(scripted, source, subkey);
                    if (copy) {
                        EXPECT_EQ(test::Describe(*copy), std::vector<std::string>(whole.begin(), whole.end() - 1)) << "delete, call " << k;
                        // What a delete failing part way left comes back whole.
                        if (copy->partial) {
                            ++partials;
                            EXPECT_EQ(PalautaMerkinta(registry, *copy), kErrorSuccess);
                        }
                        EXPECT_EQ(valuesNow(registry, source), copy->partial ? whole : std::vector<std::string>{});
                    }
                    const int deleteCalls = scripted.calls;
                    EXPECT_TRUE(scripted.open.empty()) << "delete, call " << k;

                    // The restore, from a whole copy, with the call k after the delete's failing.
                    MemoryRegistry restored;
                    write(restored, source);
                    const auto good = PoistaMerkinta(restored, source, subkey);
                    ASSERT_TRUE(good);
                    if (withoutUninstallKey) {
                        DeleteInSource(restored, source, std::string(kUninstallPath, sizeof kUninstallPath - 2));
                    }
                    test::ScriptedRegistry failing(restored);
                    failing.failAt = k;
                    failing.failWith = error;
                    bool securityKept = false;
                    const RegStatus status = PalautaMerkinta(failing, *good, &securityKept);
                    pastTheLastCall = k >= failing.calls && k >= deleteCalls;
                    const auto now = valuesNow(restored, source);
                    const bool keys = keysAndValues(now) == keysAndValues(whole);
                    EXPECT_TRUE(keys || now.empty()) << "restore, call " << k << " error " << error;
                    EXPECT_EQ(status == kErrorSuccess, keys) << "restore, call " << k << " error " << error;
                    if (status == kErrorSuccess) {
                        EXPECT_EQ(securityKept, now == whole) << "restore, call " << k;
                    }
                    EXPECT_TRUE(failing.open.empty()) << "restore, call " << k;
                    if (status != kErrorSuccess && withoutUninstallKey) {
                        RegKey key = 0;
                        EXPECT_EQ(restored.OpenKeyEx(RootOf(source), "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                                                     ViewOf(source), &key),
                                  kErrorFileNotFound)
                            << "restore, call " << k;
                        restored.CloseKey(key);
                    }
                    ++sweeps;
                }
                if (pastTheLastCall) break;
            }
        }
    }
    std::printf("delete and restore sweep: %d runs, each with one failing call; %d deletes failed part way\n", sweeps,
                partials);
    EXPECT_GT(partials, 0);
}

}  // namespace
}  // namespace karnio
