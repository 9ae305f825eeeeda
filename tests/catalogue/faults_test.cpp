// Every registry call the walk makes may fail, with every error the platform
// gives Karnio: the failed read reads "Not Found", nothing else changes, and
// every open is still closed.
#include "catalogue/deleted_entry.h"
#include "catalogue/undo.h"
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
#include <memory>

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
    for (const RegView view : {RegView::Native, RegView::Bits32}) {
        registry.SetString(kHkeyLocalMachine, "Software\\K", "arvo", view == RegView::Native ? "teksti" : "teksti 32", view);
        registry.CreateKey(kHkeyLocalMachine, "Software\\K\\Ali", view);
    }
    for (const RegStatus error : kPlatformErrors) {
        for (int k = 0; k < 3; ++k) {
            for (const RegView view : {RegView::Native, RegView::Bits32}) {
                test::ScriptedRegistry scripted(registry);
                scripted.failAt = k;
                scripted.failWith = error;
                const std::string value = HaeRekisteriarvo(scripted, kHkeyLocalMachine, "Software\\K", "arvo", view);
                scripted.calls = 0;
                const std::string subkey = HaeAliavain(scripted, kHkeyLocalMachine, "Software\\K", 0, view);
                EXPECT_EQ(value, k != 2 ? kNotFound : view == RegView::Native ? "teksti" : "teksti 32") << k << " " << error;
                EXPECT_EQ(subkey, k == 2 ? "Ali" : kNotFound) << k << " " << error;
                EXPECT_TRUE(scripted.open.empty());
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
        const auto copy = PoistaMerkinta(registry, S::Machine, subkey).copy;
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
                    const auto copy = PoistaMerkinta(scripted, source, subkey).copy;
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
                    const auto good = PoistaMerkinta(restored, source, subkey).copy;
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

// Another process takes the entry's first subkey away, with everything below it.
void TakeFirstSubkey(Registry& registry, const EntryId& entry)
{
    OwnedKey uninstall(registry), key(registry), first(registry);
    std::vector<std::u16string> names;
    bool any = false;
    if (OpenEntry(registry, entry.source, Utf16(entry.key), KeyAccess::Read, uninstall, key) == kErrorSuccess &&
        ReadSubkeyNames(registry, key.get(), names) == kErrorSuccess && !names.empty() &&
        registry.OpenLinkW(key.get(), names[0], ViewOf(entry.source), KeyAccess::Delete, first.Out()) == kErrorSuccess)
        DeleteOpenTree(registry, first.get(), ViewOf(entry.source), &any);
}

// Whatever one call fails, or whatever another process takes away meanwhile, a
// delete and its Ctrl+Z give back the exact registry, or the delete is refused and
// the registry is untouched. A restore that fails leaves its keys as the delete
// left them and its copy at the bottom of the stack, below every older step.
TEST(Faults, EveryDeleteComesBackWholeOrIsRefusedUntouched)
{
    int runs = 0, failedRestores = 0;
    for (std::uint32_t seed = 0; seed <= test::SweepRounds(24) && !HasFailure(); ++seed) {
        MemoryRegistry pristine;
        const std::vector<EntryId> entries = test::MakeRandomEntries(pristine, seed);
        const std::vector<std::string> before = test::Snapshot(pristine);
        std::vector<ChosenRow> rows;
        for (const EntryId& entry : entries) rows.push_back({entry, *LueRivi(pristine, entry.source, entry.key)});
        for (const ChosenRow& row : rows) {
            MemoryRegistry shorn;
            test::MakeRandomEntries(shorn, seed);
            TakeFirstSubkey(shorn, row.entry);
            const std::vector<std::string> taken = test::Snapshot(shorn);
            for (int k = 0, calls = 1; k < calls; ++k) {
                for (std::size_t fault = 0; fault <= std::size(kPlatformErrors); ++fault, ++runs) {
                    MemoryRegistry registry;
                    test::MakeRandomEntries(registry, seed);
                    test::ScriptedRegistry scripted(registry);
                    const bool taking = fault == std::size(kPlatformErrors);
                    scripted.failAt = taking ? -1 : k;
                    scripted.failWith = kPlatformErrors[fault % std::size(kPlatformErrors)];
                    if (taking) scripted.before = [&](int call) { if (call == k) TakeFirstSubkey(registry, row.entry); };
                    std::vector<UndoStep> stack = {{PoistaMerkinnat(scripted, {row}).copies, {row.entry.key}}};
                    calls = std::max(calls, scripted.calls);
                    PalautaUusin(registry, stack);
                    const std::vector<std::string> now = test::Snapshot(registry);
                    ASSERT_TRUE(now == before || (taking && now == taken)) << seed << " " << row.entry.key << " call " << k << " fault " << fault;
                }
            }
        }
        // The first entry one step, the others a newer one; that one's restore fails at each call in turn.
        for (int k = 0, calls = 1; k < calls; ++k) {
            for (const RegStatus error : kPlatformErrors) {
                MemoryRegistry registry;
                test::MakeRandomEntries(registry, seed);
                std::vector<UndoStep> stack(2);
                for (std::size_t i = 0; i < rows.size(); ++i)
                    for (PoistettuMerkinta& copy : PoistaMerkinnat(registry, {rows[i]}).copies) {
                        stack[i > 0].copies.push_back(std::move(copy));
                        stack[i > 0].names.push_back(rows[i].entry.key);
                    }
                test::ScriptedRegistry scripted(registry);
                scripted.failAt = k;
                scripted.failWith = error;
                const Restoration restoration = PalautaUusin(scripted, stack);
                calls = std::max(calls, scripted.calls);
                failedRestores += !restoration.failed.copies.empty();
                for (const PoistettuMerkinta& copy : restoration.failed.copies) EXPECT_FALSE(LueMerkinta(registry, copy.source, copy.aliavain));
                ASSERT_EQ(stack.size(), 2u - restoration.failed.copies.empty());
                while (!stack.empty()) PalautaUusin(registry, stack);
                // A restore whose permissions could not be set back keeps its keys and says so.
                const bool permissions = !restoration.problems.empty() && restoration.problems.front().status == kErrorSuccess;
                std::vector<std::string> now = test::Snapshot(registry), then = before;
                for (auto* lines : {&now, &then})
                    lines->erase(std::remove_if(lines->begin(), lines->end(), [&](const std::string& line) { return permissions && line.find(" security ") != std::string::npos; }), lines->end());
                ASSERT_EQ(now, then) << seed << " restore call " << k;
            }
        }
    }
    std::printf("delete and undo property: %d deletes, each with one fault; %d restores failed and were tried again\n", runs, failedRestores);
    EXPECT_GT(failedRestores, 0);
}

}  // namespace
}  // namespace karnio
