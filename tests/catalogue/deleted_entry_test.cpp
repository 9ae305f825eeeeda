// A deleted entry copied whole and brought back, in the in-memory registry.
#include "catalogue/deleted_entry.h"
#include "catalogue/undo.h"
#include "catalogue/entry_details.h"

#include "registry/mdlKarnio.h"
#include "registry/memory_registry.h"
#include "registry/unicode.h"
#include "support/entry_values.h"
#include "support/recording_registry.h"
#include "support/scripted_registry.h"

#include <gtest/gtest.h>

namespace karnio {
namespace {

using S = UninstallSource;

std::vector<RegistryValue> ValuesOf(Registry& registry, S source, const std::string& subkey)
{
    const std::optional<PoistettuMerkinta> copy = LueMerkinta(registry, source, subkey);
    return copy ? copy->values : std::vector<RegistryValue>{};
}

TEST(DeletedEntry, EveryValueComesBackByteForByteInItsOwnSourceAndView)
{
    MemoryRegistry registry;
    test::ExpectEveryValueRoundTrips(registry, [&](S source, const std::string& subkey) { return ValuesOf(registry, source, subkey); });
    EXPECT_EQ(registry.OpenHandleCount(), 0u);

    // What was written narrow reads the same through the wide calls, and back.
    registry.SetString(kHkeyLocalMachine, std::string(kUninstallPath) + "Kapea", "DisplayName", "Kapea ÄÖ");
    const auto copy = PoistaMerkinta(registry, S::Machine, "Kapea").copy;
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->values.size(), 1u);
    EXPECT_EQ(copy->values[0].data.size(), 18u);  // "Kapea ÄÖ" and its terminator in UTF-16
    ASSERT_EQ(PalautaMerkinta(registry, *copy), kErrorSuccess);
    EXPECT_EQ(HaeRekisteriarvo(registry, kHkeyLocalMachine, std::string(kUninstallPath) + "Kapea", "DisplayName"), "Kapea ÄÖ");
}

TEST(DeletedEntry, OnlyAWholeCopyOfAKeyThatIsReallyGoneIsKept)
{
    MemoryRegistry registry;
    const std::string path = kUninstallPath;
    registry.SetString(kHkeyLocalMachine, path + "Isä", "DisplayName", "Isä");
    registry.CreateKey(kHkeyLocalMachine, path + "Isä\\Lapsi");
    test::RecordingRegistry recording(registry);

    // A refused delete is told and leaves no copy.
    registry.SetString(kHkeyLocalMachine, path + "Lehti", "DisplayName", "Lehti");
    const int deleteAt = [&] {
        // Where the delete itself comes, from a dry run on a twin.
        MemoryRegistry twin;
        twin.SetString(kHkeyLocalMachine, path + "Lehti", "DisplayName", "Lehti");
        test::RecordingRegistry dry(twin);
        PoistaMerkinta(dry, S::Machine, "Lehti");
        return static_cast<int>(std::find(dry.calls.begin(), dry.calls.end(), "deleteopen") - dry.calls.begin());
    }();
    test::ScriptedRegistry scripted(registry);
    scripted.failAt = deleteAt;
    scripted.failWith = kErrorAccessDenied;
    const EntryDeletion refused = PoistaMerkinta(scripted, S::Machine, "Lehti");
    EXPECT_FALSE(refused.copy);
    ASSERT_TRUE(refused.refusal);
    EXPECT_EQ(refused.refusal->reason, Refusal::Refused);
    EXPECT_EQ(refused.refusal->status, kErrorAccessDenied);
    EXPECT_TRUE(LueMerkinta(registry, S::Machine, "Lehti"));
    // Windows deletes no key with subkeys: the entry goes with everything under it.
    const auto deleted = PoistaMerkinta(recording, S::Machine, "Isä");
    const auto& tree = deleted.copy;
    ASSERT_TRUE(tree);
    EXPECT_FALSE(deleted.refusal);
    EXPECT_FALSE(LueMerkinta(registry, S::Machine, "Isä"));
    ASSERT_EQ(tree->subkeys.size(), 1u);
    EXPECT_EQ(Utf8(tree->subkeys[0].name), "Lapsi");
    // Nothing chosen yet, or a name that would reach outside the Uninstall key: not even read.
    recording.calls.clear();
    EXPECT_FALSE(PoistaMerkinta(recording, S::Machine, "").copy);
    EXPECT_FALSE(PoistaMerkinta(recording, S::Machine, "Isä\\Lapsi").copy);
    EXPECT_TRUE(recording.calls.empty());
    // A key already gone: no copy, and nothing refused.
    const auto gone = PoistaMerkinta(recording, S::User, "Isä");
    EXPECT_FALSE(gone.copy);
    EXPECT_FALSE(gone.refusal);
    // By name, La with a zero and "psi" would be La: it is neither read, nor copied, nor deleted.
    const std::string twin("La\0psi", 6);
    registry.SetString(kHkeyLocalMachine, path + "La", "DisplayName", "La");
    registry.CreateKey(kHkeyLocalMachine, path + twin);
    EXPECT_FALSE(LueArvot(registry, S::Machine, twin));
    EXPECT_EQ(PoistaMerkinta(registry, S::Machine, twin).refusal->reason, Refusal::ZeroCharacter);
    EXPECT_EQ(ValuesOf(registry, S::Machine, "La").size(), 1u);

    // A key below that may be read but not deleted, or not even read: no whole copy, and nothing goes.
    registry.SetString(kHkeyLocalMachine, path + "Lukko\\Osa", "Arvo", "osa");
    for (const bool reading : {false, true}) {
        registry.Refuse(kHkeyLocalMachine, path + "Lukko\\Osa", RegView::Native, reading, true);
        const std::optional<Refusal> refusal = PoistaMerkinta(registry, S::Machine, "Lukko").refusal;
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->reason, reading ? Refusal::Unreadable : Refusal::Undeletable);
        EXPECT_EQ(refusal->status, kErrorAccessDenied);
    }

    // A key of the same name made meanwhile is left exactly as it is.
    test::WriteEntry(registry, S::Machine32, "Uusi", test::EveryKindOfValue(1));
    const auto copy = PoistaMerkinta(registry, S::Machine32, "Uusi").copy;
    ASSERT_TRUE(copy);
    registry.SetString(kHkeyLocalMachine, path + "Uusi", "DisplayName", "Asennettu uudelleen", RegView::Bits32);
    EXPECT_EQ(PalautaMerkinta(registry, *copy), kErrorAlreadyExists);
    const auto now = ValuesOf(registry, S::Machine32, "Uusi");
    ASSERT_EQ(now.size(), 1u);
    EXPECT_EQ(Utf8(now[0].name), "DisplayName");
    EXPECT_EQ(registry.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace karnio
