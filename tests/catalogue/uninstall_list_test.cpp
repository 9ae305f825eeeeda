#include "catalogue/uninstall_list.h"

#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "support/random_tree.h"
#include "support/recording_registry.h"
#include "support/vector_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace karnio {
namespace {

using test::Row;
using test::StringData;
using test::TreeKey;
using test::TreeValue;
using test::VectorSink;

TreeValue Text(const char* name, const std::string& value) { return {name, kRegSz, StringData(value)}; }

struct Lists {
    std::vector<Row> programs, hidden;
};

Lists Build(const test::Tree& tree)
{
    MemoryRegistry registry;
    test::LoadTree(registry, tree);
    VectorSink programs, hidden;
    ListaaOhjelmat(registry, programs, hidden);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
    return {programs.Sorted(), hidden.Sorted()};
}

TEST(UninstallList, SortsEachEntryByItsValues)
{
    const test::Tree tree{{
        {"normal", {Text("DisplayName", "Normal"), Text("UninstallString", "u.exe")}},
        {"empty-command", {Text("DisplayName", "Empty"), Text("UninstallString", ""), Text("QuietUninstallString", "q.exe")}},
        {"quiet-command", {Text("DisplayName", "Quiet"), Text("QuietUninstallString", "q.exe /S")}},
        {"empty-quiet", {Text("DisplayName", "EmptyQuiet"), Text("QuietUninstallString", "")}},
        {"no-command", {Text("DisplayName", "Nothing")}},
        {"quiet-name", {Text("QuietDisplayName", "Hushed"), Text("UninstallString", "h.exe")}},
        {"quiet-name-quiet-cmd", {Text("QuietDisplayName", "Hushed 2"), Text("QuietUninstallString", "h2.exe")}},
        {"bare", {}},
        {"named-not-found", {Text("DisplayName", kNotFound), Text("UninstallString", "x.exe")}},
    }};
    const Lists lists = Build(tree);

    EXPECT_EQ(lists.programs, (std::vector<Row>{
                                  {"empty-quiet", "EmptyQuiet", ""},
                                  {"normal", "Normal", "u.exe"},
                                  {"quiet-command", "Quiet", "q.exe /S"},
                              }));
    EXPECT_EQ(lists.hidden, (std::vector<Row>{
                                {"bare", "bare", ""},
                                {"empty-command", "Empty", ""},
                                {"named-not-found", "named-not-found", "x.exe"},
                                {"no-command", "Nothing", ""},
                                {"quiet-name", "Hushed", "h.exe"},
                                {"quiet-name-quiet-cmd", "Hushed 2", "h2.exe"},
                            }));
}

TEST(UninstallList, EmptyOrMissingKeyGivesEmptyLists)
{
    const Lists empty = Build({});
    EXPECT_TRUE(empty.programs.empty());
    EXPECT_TRUE(empty.hidden.empty());

    MemoryRegistry nothing;
    VectorSink programs, hidden;
    programs.AddRow("stale", "Stale");
    ListaaOhjelmat(nothing, programs, hidden);
    EXPECT_TRUE(programs.rows.empty());
    EXPECT_EQ(nothing.OpenHandleCount(), 0u);
}

TEST(UninstallList, RebuildingReplacesRatherThanAppends)
{
    MemoryRegistry registry;
    test::LoadTree(registry, test::MakeSampleTree());
    VectorSink programs, hidden;
    ListaaOhjelmat(registry, programs, hidden);
    const auto first = programs.rows, firstHidden = hidden.rows;
    ListaaOhjelmat(registry, programs, hidden);
    EXPECT_EQ(programs.rows, first);
    EXPECT_EQ(hidden.rows, firstHidden);
    EXPECT_EQ(programs.clears, 2);
    EXPECT_FALSE(first.empty());
}

TEST(UninstallList, SubkeyNamedNotFoundEndsTheWalk)
{
    // "Not Found" sorts between "A..." and "Z..."; nothing after it is read.
    const auto tree = [](std::vector<TreeValue> values) {
        return test::Tree{{{"Alpha", {Text("DisplayName", "Alpha"), Text("UninstallString", "a.exe")}},
                           {kNotFound, std::move(values)},
                           {"Zulu", {Text("DisplayName", "Zulu"), Text("UninstallString", "z.exe")}}}};
    };
    const Lists named = Build(tree({Text("DisplayName", "Named"), Text("UninstallString", "n.exe")}));
    EXPECT_EQ(named.programs, (std::vector<Row>{{"Alpha", "Alpha", "a.exe"}, {kNotFound, "Named", "n.exe"}}));

    const Lists quiet = Build(tree({Text("QuietDisplayName", "Quiet")}));
    EXPECT_EQ(quiet.hidden, (std::vector<Row>{{kNotFound, "Quiet", ""}}));
    EXPECT_EQ(quiet.programs.size(), 1u);

    const Lists unnamed = Build(tree({Text("UninstallString", "n.exe")}));
    EXPECT_TRUE(unnamed.hidden.empty());
    EXPECT_EQ(unnamed.programs.size(), 1u);
}

TEST(UninstallList, ReadsValuesInTheDocumentedOrder)
{
    MemoryRegistry registry;
    test::LoadTree(registry, {{
        {"A", {Text("DisplayName", "A"), Text("UninstallString", "")}},
        {"B", {Text("DisplayName", "B"), Text("QuietUninstallString", "q")}},
        {"C", {Text("QuietDisplayName", "C")}},
    }});
    test::RecordingRegistry recording(registry);
    VectorSink programs, hidden;
    ListaaOhjelmat(recording, programs, hidden);

    // Every read opens and closes its key; collapse each triple to the read itself.
    std::vector<std::string> reads;
    for (std::size_t i = 0; i + 2 < recording.calls.size(); i += 3) {
        EXPECT_EQ(recording.calls[i].rfind("open ", 0), 0u) << i;
        EXPECT_EQ(recording.calls[i + 2].rfind("close", 0), 0u) << i;
        const std::string path = recording.calls[i].substr(5 + std::string(kUninstallPath).size());
        reads.push_back(path + ": " + recording.calls[i + 1]);
    }
    EXPECT_EQ(recording.calls.size() % 3, 0u);
    const std::vector<std::string> expected = {
        ": enum 0 size 2048",
        "A: query DisplayName size 2048",
        "A: query UninstallString size 2048",
        ": enum 1 size 2048",
        "B: query DisplayName size 2048",
        "B: query UninstallString size 2048",
        "B: query QuietUninstallString size 2048",
        ": enum 2 size 2048",
        "C: query DisplayName size 2048",
        "C: query QuietDisplayName size 2048",
        "C: query UninstallString size 2048",
        "C: query QuietUninstallString size 2048",
        ": enum 3 size 2048",
        "Not Found -> fail: query DisplayName size 2048",
        "Not Found -> fail: query QuietDisplayName size 2048",
    };
    EXPECT_EQ(reads, expected);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// An independent statement of the rules, written from the documented
// behaviour rather than from the builder's code.
std::string ModelRead(const TreeKey& key, const std::string& name)
{
    const auto value = std::find_if(key.values.begin(), key.values.end(), [&](const TreeValue& v) { return v.name == name; });
    if (value == key.values.end() || value->data.size() > kReadBufferSize) return kNotFound;
    const std::vector<unsigned char>& d = value->data;
    char digits[16];
    switch (value->type) {
    case kRegDword: {
        unsigned long number = 0;
        for (std::size_t i = 0; i < 4; ++i) number += (i < d.size() ? d[i] : 0ul) << (8 * i);
        std::snprintf(digits, sizeof digits, "%03lu", number);
        return digits;
    }
    case kRegBinary: {
        std::string hex;
        for (unsigned char byte : d) {
            std::snprintf(digits, sizeof digits, "%02X", byte);
            hex += digits;
        }
        return hex;
    }
    default:
        return std::string(d.begin(), d.end() - (!d.empty() && d.back() == 0 ? 1 : 0));
    }
}

Lists Model(const test::Tree& tree)
{
    std::vector<TreeKey> keys = tree.keys;
    std::sort(keys.begin(), keys.end(), [](const TreeKey& a, const TreeKey& b) { return CompareRegistryNames(a.name, b.name) < 0; });
    Lists lists;
    for (const TreeKey& key : keys) {
        const auto read = [&](const char* name) { return ModelRead(key, name); };
        const bool named = read("DisplayName") != kNotFound;
        const bool quietNamed = read("QuietDisplayName") != kNotFound;
        const std::string uninstall = read("UninstallString");
        const std::string quiet = read("QuietUninstallString");
        const std::string command = uninstall != kNotFound ? uninstall : quiet != kNotFound ? quiet : "";
        if (named && (uninstall == kNotFound ? quiet != kNotFound : !uninstall.empty()))
            lists.programs.push_back({key.name, read("DisplayName"), command});
        else if (named)
            lists.hidden.push_back({key.name, read("DisplayName"), ""});
        else if (quietNamed || key.name != kNotFound)
            lists.hidden.push_back({key.name, quietNamed ? read("QuietDisplayName") : key.name, command});
        if (key.name == kNotFound) break;
    }
    std::sort(lists.programs.begin(), lists.programs.end());
    std::sort(lists.hidden.begin(), lists.hidden.end());
    return lists;
}

TEST(UninstallList, RandomTreesFollowTheRules)
{
    int withNotFound = 0;
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        const test::Tree tree = test::MakeRandomTree(seed);
        withNotFound += std::any_of(tree.keys.begin(), tree.keys.end(), [](const TreeKey& k) { return k.name == kNotFound; });
        const Lists built = Build(tree);
        const Lists model = Model(tree);
        ASSERT_EQ(built.programs, model.programs) << "seed " << seed;
        ASSERT_EQ(built.hidden, model.hidden) << "seed " << seed;
    }
    EXPECT_GT(withNotFound, 100);  // the generator really exercises the early end
}

}  // namespace
}  // namespace karnio
