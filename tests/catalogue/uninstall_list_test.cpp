#include "catalogue/desktop_user.h"
#include "catalogue/uninstall_list.h"
#include "catalogue/uninstall_source.h"

#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "support/model.h"
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
    programs.AddRow(UninstallSource::Machine, "stale", "Stale");
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

// Every read opens and closes its key; collapses each triple to "path: read".
std::vector<std::string> Reads(const std::vector<std::string>& calls)
{
    std::vector<std::string> reads;
    EXPECT_EQ(calls.size() % 3, 0u);
    for (std::size_t i = 0; i + 2 < calls.size(); i += 3) {
        std::string open = calls[i];
        EXPECT_EQ(open.rfind("open", 0), 0u) << i;
        EXPECT_EQ(calls[i + 2].rfind("close", 0), 0u) << i;
        const std::size_t at = open.find(kUninstallPath);
        EXPECT_NE(at, std::string::npos) << open;
        if (at != std::string::npos) open.erase(at, std::string(kUninstallPath).size());
        reads.push_back(open + ": " + calls[i + 1]);
    }
    return reads;
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

    // The native key first, with the narrow RegOpenKeyA calls; then the two
    // missing sources, each ending at its own index 0.
    const std::vector<std::string> expected = {
        "open : enum 0 size 2048",
        "open A: query DisplayName size 2048",
        "open A: query UninstallString size 2048",
        "open : enum 1 size 2048",
        "open B: query DisplayName size 2048",
        "open B: query UninstallString size 2048",
        "open B: query QuietUninstallString size 2048",
        "open : enum 2 size 2048",
        "open C: query DisplayName size 2048",
        "open C: query QuietDisplayName size 2048",
        "open C: query UninstallString size 2048",
        "open C: query QuietUninstallString size 2048",
        "open : enum 3 size 2048",
        "open Not Found -> fail: query DisplayName size 2048",
        "open Not Found -> fail: query QuietDisplayName size 2048",
        "open32  -> fail: enum 0 size 2048",
        "open32 Not Found -> fail: query DisplayName size 2048",
        "open32 Not Found -> fail: query QuietDisplayName size 2048",
        "open HKCU: -> fail: enum 0 size 2048",
        "open HKCU:Not Found -> fail: query DisplayName size 2048",
        "open HKCU:Not Found -> fail: query QuietDisplayName size 2048",
    };
    EXPECT_EQ(Reads(recording.calls), expected);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST(UninstallList, WalksTheThreeSourcesEachWithItsOwnIndex)
{
    MemoryRegistry registry;
    test::LoadTree(registry, {{{"Twin", {Text("DisplayName", "Twin"), Text("UninstallString", "native.exe")}},
                               {"Only64", {Text("DisplayName", "Only 64")}}}});
    test::LoadTree(registry, {{{"twin", {Text("DisplayName", "Twin"), Text("UninstallString", "x86.exe")}},
                               {"Old32", {Text("QuietDisplayName", "Old 32"), Text("UninstallString", "o.exe")}}}},
                   UninstallSource::Machine32);
    test::LoadTree(registry, {{{"Twin", {Text("DisplayName", "Twin"), Text("QuietUninstallString", "user.exe")}},
                               {"Per-user", {}}}},
                   UninstallSource::User);
    test::RecordingRegistry recording(registry);
    VectorSink programs, hidden;
    ListaaOhjelmat(recording, programs, hidden);

    using S = UninstallSource;
    EXPECT_EQ(programs.rows, (std::vector<Row>{{"Twin", "Twin", "native.exe", S::Machine},
                                               {"twin", "Twin", "x86.exe", S::Machine32},
                                               {"Twin", "Twin", "user.exe", S::User}}));
    EXPECT_EQ(hidden.rows, (std::vector<Row>{{"Only64", "Only 64", "", S::Machine},
                                             {"Old32", "Old 32", "o.exe", S::Machine32},
                                             {"Per-user", "Per-user", "", S::User}}));
    EXPECT_EQ(programs.clears, 1);
    EXPECT_EQ(hidden.clears, 1);

    // Each source is read through its own calls: the 32-bit view only through RegOpenKeyExA.
    int native = 0, bits32 = 0, user = 0;
    for (const std::string& call : recording.calls) {
        if (call.rfind("open32 ", 0) == 0) ++bits32;
        else if (call.rfind("open HKCU:", 0) == 0) ++user;
        else if (call.rfind("open ", 0) == 0) ++native;
        else EXPECT_TRUE(call.rfind("query", 0) == 0 || call.rfind("enum", 0) == 0 || call.rfind("close", 0) == 0) << call;
    }
    // Reads a source: a named entry with a command 3, one without 4, an unnamed one up to 5, the end 3.
    EXPECT_EQ(native, 3 + 4 + 3);
    EXPECT_EQ(bits32, 3 + 4 + 3);
    EXPECT_EQ(user, 4 + 5 + 3);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

TEST(UninstallList, DeletesOnlyInTheSourceTheEntryCameFrom)
{
    MemoryRegistry registry;
    for (const UninstallSource source : kUninstallSources)
        test::LoadTree(registry, {{{"Twin", {Text("DisplayName", "Twin")}}, {"Other", {}}}}, source);
    test::RecordingRegistry recording(registry);
    const auto listed = [&] {
        VectorSink programs, hidden;
        ListaaOhjelmat(registry, programs, hidden);
        std::vector<Row> rows = hidden.Sorted();
        for (Row& row : rows) row.text = row.command = "";
        return rows;
    };
    using S = UninstallSource;

    EXPECT_TRUE(PoistaAvain(recording, S::Machine32, "TWIN"));
    EXPECT_EQ(listed(), (std::vector<Row>{{"Other", "", "", S::Machine}, {"Twin", "", "", S::Machine},
                                          {"Other", "", "", S::Machine32},
                                          {"Other", "", "", S::User}, {"Twin", "", "", S::User}}));
    EXPECT_TRUE(PoistaAvain(recording, S::User, "Twin"));
    EXPECT_TRUE(PoistaAvain(recording, S::Machine, "Twin"));
    EXPECT_EQ(listed().size(), 3u);
    // Each entry is opened as itself below its own source's Uninstall key.
    std::vector<std::string> opened;
    for (const std::string& call : recording.calls)
        if (call.rfind("open", 0) == 0) opened.push_back(call);
    const std::string key(kUninstallPath, sizeof kUninstallPath - 2);
    EXPECT_EQ(opened, (std::vector<std::string>{"openw32 " + key, "openlink32 TWIN", "openw HKCU:" + key, "openlink Twin",
                                                "openw " + key, "openlink Twin"}));

    // Nothing chosen, or a name that would reach below an entry: the registry is not asked.
    recording.calls.clear();
    for (const S source : kUninstallSources) {
        EXPECT_FALSE(PoistaAvain(recording, source, ""));
        EXPECT_FALSE(PoistaAvain(recording, source, "Other\\Sub"));
    }
    EXPECT_TRUE(recording.calls.empty());
    EXPECT_EQ(listed().size(), 3u);
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

// The per-user entries are the desktop user's when Karnio runs as someone else and
// their hive can be read; otherwise Karnio's own, and then the tips say whose.
TEST(UninstallList, PerUserEntriesAreTheDesktopUsers)
{
    const std::string admin = "S-1-5-21-7-8-9-500", user = "S-1-5-21-7-8-9-1001";
    MemoryRegistry hive;  // the machine's, and the other user's as HKEY_CURRENT_USER
    hive.SetString(kHkeyLocalMachine, "System\\CurrentControlSet\\Control\\Session Manager\\Environment", "SystemRoot", "C:\\Windows");
    hive.SetString(kHkeyCurrentUser, "Volatile Environment", "USERPROFILE", "C:\\Users\\liisa");
    hive.SetValue(kHkeyCurrentUser, "Environment", "Temp", kRegExpandSz, test::StringData("%userprofile%\\Temp;%SystemRoot%"));
    hive.SetString(kHkeyCurrentUser, "Environment", "Path", "%SystemRoot%\\x");
    struct Case {
        std::optional<std::string> karnio, session;
        bool hiveThere;
        std::string sid, note;
    };
    struct Faked final : Identities {
        Faked(const Case& c, Registry& hive) : c_(c), hive_(hive) {}
        std::optional<std::string> KarnioUser() override { return c_.karnio; }
        std::optional<std::string> KarnioAccount() override { return std::string("KONE\\Admin"); }
        std::optional<std::string> SessionAccount() override { return c_.session; }
        std::optional<std::string> SidOf(const std::string& account) override
        {
            if (account == "KONE\\Liisa") return "S-1-5-21-7-8-9-1001";
            return account == "KONE\\Admin" ? std::optional<std::string>("S-1-5-21-7-8-9-500") : std::nullopt;
        }
        Registry* HiveOf(const std::string& sid) override { return c_.hiveThere && sid == "S-1-5-21-7-8-9-1001" ? &hive_ : nullptr; }
        const Case& c_;
        Registry& hive_;
    };
    const Case cases[] = {
        {admin, "KONE\\Admin", true, "", ""},              // the same user: HKEY_CURRENT_USER
        {admin, "KONE\\Liisa", true, user, ""},            // another: HKEY_USERS\<SID>
        {admin, std::nullopt, true, "", ""},                // nobody can say whose the session is
        {std::nullopt, "KONE\\Liisa", true, "", ""},
        {admin, "kone\\admin", true, "", ""},              // the same account, whatever its SID lookup says
        {admin, "KONE\\Liisa", false, "", "KONE\\Admin"},  // their hive out of reach: Karnio's own rows, said so
        {admin, "KONE\\Kateissa", true, "", "KONE\\Admin"},
    };
    for (const Case& c : cases) {
        Faked identities(c, hive);
        const PerUser perUser = FindPerUser(identities);
        EXPECT_EQ(perUser.desktopUser ? perUser.desktopUser->sid : "", c.sid) << c.session.value_or("-");
        EXPECT_EQ(perUser.karnioAccount, c.note) << c.session.value_or("-");
    }
    // Their variables: the machine's, then their volatile ones, then theirs, each expanded with what came before.
    Faked liisa(cases[1], hive);
    const Environment environment = FindPerUser(liisa).desktopUser->environment;
    EXPECT_TRUE(environment.at(L"TEMP") == L"C:\\Users\\liisa\\Temp;C:\\Windows");
    EXPECT_TRUE(environment.at(L"PATH") == L"%SystemRoot%\\x");
    hive.DeleteKey(kHkeyCurrentUser, "Volatile Environment");  // a key that is not there adds nothing
    EXPECT_TRUE(ReadEnvironment(hive).value().at(L"TEMP") == L"%userprofile%\\Temp;C:\\Windows");
    EXPECT_EQ(KeyPathText(UninstallSource::User, "X", user), "HKEY_USERS\\" + user + "\\" + kUninstallPath + "X");
    // As Registry Editor names the keys, for its LastKey.
    const std::string below = "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\X";
    EXPECT_EQ(RegeditPath(UninstallSource::Machine, "X"), "HKEY_LOCAL_MACHINE\\SOFTWARE" + below);
    EXPECT_EQ(RegeditPath(UninstallSource::Machine32, "X", user), "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node" + below);
    EXPECT_EQ(RegeditPath(UninstallSource::User, "X"), "HKEY_CURRENT_USER\\Software" + below);
    EXPECT_EQ(RegeditPath(UninstallSource::User, "X", user), "HKEY_USERS\\" + user + "\\Software" + below);
}

TEST(UninstallList, HostileDataIsListedAsTheRulesSay)
{
    const test::Tree hostile = test::MakeHostileTree();
    const Lists lists = Build(hostile);
    const test::ModelLists model = test::Model({hostile, {}, {}});
    EXPECT_EQ(lists.programs, model.programs);
    EXPECT_EQ(lists.hidden, model.hidden);
    // Spot checks of the model itself.
    const auto find = [&](const std::vector<Row>& rows, const std::string& key) {
        for (const Row& row : rows)
            if (row.key == key) return row;
        return Row{};
    };
    EXPECT_EQ(find(lists.programs, "Nollat").text, test::Literal("Näkyvä\0piilossa"));
    EXPECT_EQ(find(lists.programs, "Rikki").command, "rikki\x80\xC3\x28");
    EXPECT_EQ(find(lists.programs, "Moni").text, test::Literal("Eka\0Toka\0"));
    EXPECT_EQ(find(lists.programs, "Pitkä").text.size(), 2047u);
    EXPECT_EQ(find(lists.programs, "Pitkä").command.size(), 2047u);
    EXPECT_EQ(find(lists.hidden, "Liian pitkä").text, "Liian pitkä");  // 2,048 bytes do not fit with the terminator
}

TEST(UninstallList, RandomTreesFollowTheRules)
{
    int withNotFound = 0, withTwins = 0;
    for (std::uint32_t seed = 1; seed <= test::SweepRounds(3000); ++seed) {
        const test::Forest forest = test::MakeRandomForest(seed);
        for (const test::Tree& tree : forest)
            withNotFound += std::any_of(tree.keys.begin(), tree.keys.end(), [](const TreeKey& k) { return k.name == kNotFound; });
        MemoryRegistry registry;
        test::LoadForest(registry, forest);
        VectorSink programs, hidden;
        ListaaOhjelmat(registry, programs, hidden);
        EXPECT_EQ(registry.OpenHandleCount(), 0u);
        const test::ModelLists model = test::Model(forest);
        ASSERT_EQ(programs.Sorted(), model.programs) << "seed " << seed;
        ASSERT_EQ(hidden.Sorted(), model.hidden) << "seed " << seed;
        for (const TreeKey& key : forest[0].keys)
            for (const test::Tree* other : {&forest[1], &forest[2]})
                withTwins += std::any_of(other->keys.begin(), other->keys.end(),
                                         [&](const TreeKey& k) { return CompareRegistryNames(k.name, key.name) == 0; });
    }
    EXPECT_GT(withNotFound, test::SweepRounds(300));  // the generator really exercises the early end
    EXPECT_GT(withTwins, test::SweepRounds(500));    // and the same subkey in two sources
}

}  // namespace
}  // namespace karnio
