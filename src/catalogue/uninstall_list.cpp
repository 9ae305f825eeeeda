#include "catalogue/uninstall_list.h"

#include "registry/mdlKarnio.h"
#include "registry/unicode.h"

#include <cstdint>

namespace karnio {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The narrow call gives an unpaired surrogate as U+FFFD, the name of another
// key, should one exist. Where a name holds U+FFFD, the wide call tells which.
std::string ExactName(Registry& registry, RegKey root, RegView view, std::int32_t index, const std::string& narrow)
{
    if (narrow.find(kReplacement) == std::string::npos) return narrow;
    const std::optional<std::u16string> wide = HaeAliavainW(registry, root, kUninstallPath, index, view);
    if (!wide || Utf8(*wide) != narrow) return narrow;  // another key by now: the next rebuild tells
    return Utf8KeepingSurrogates(*wide);
}

// One walk of one Uninstall key: its own index from 0, to its first unreadable index.
void ListaaLahde(Registry& registry, UninstallSource lahde, ListSink& ohjelmat, ListSink& piilotetut)
{
    const RegKey juuri = RootOf(lahde);
    const RegView nakyma = ViewOf(lahde);
    std::string aliavain;
    std::int32_t indeksi = 0;
    do {
        aliavain = ExactName(registry, juuri, nakyma, indeksi, HaeAliavain(registry, juuri, kUninstallPath, indeksi, nakyma));
        const std::optional<ListedRow> rivi = LueRivi(registry, lahde, aliavain);
        // The enumeration has ended (or met a subkey called "Not Found" without a name).
        if (!rivi) break;
        ListSink& lista = rivi->hidden ? piilotetut : ohjelmat;
        lista.SetSubItem1(lista.AddRow(lahde, aliavain, rivi->text), rivi->command);
        ++indeksi;
    } while (aliavain != kNotFound);
}

}  // namespace

std::optional<ListedRow> LueRivi(Registry& registry, UninstallSource lahde, const std::string& aliavain)
{
    // Opened by name, a key with a zero character would be the key named by the part before
    // it, one with an unpaired surrogate the one with U+FFFD in its place: read nothing.
    if (aliavain.find('\0') != std::string::npos || HoldsLoneSurrogate(aliavain))
        return ListedRow{true, ShownKeyName(aliavain), std::string()};
    const std::string polku = kUninstallPath + aliavain;
    const auto arvo = [&](const char* nimi) { return HaeRekisteriarvo(registry, RootOf(lahde), polku, nimi, ViewOf(lahde)); };

    std::string nimi = arvo("DisplayName");
    if (nimi != kNotFound) {
        std::string komento = arvo("UninstallString");
        if (komento.empty()) return ListedRow{true, nimi, std::string()};
        if (komento != kNotFound) return ListedRow{false, nimi, komento};
        komento = arvo("QuietUninstallString");
        if (komento != kNotFound) return ListedRow{false, nimi, komento};
        return ListedRow{true, nimi, std::string()};
    }
    nimi = arvo("QuietDisplayName");
    if (nimi == kNotFound) {
        if (aliavain == kNotFound) return std::nullopt;
        nimi = aliavain;
    }
    std::string komento = arvo("UninstallString");
    if (komento == kNotFound) komento = arvo("QuietUninstallString");
    return ListedRow{true, nimi, komento == kNotFound ? std::string() : komento};
}
void ListaaOhjelmat(Registry& registry, ListSink& ohjelmat, ListSink& piilotetut)
{
    ohjelmat.RemoveAll();
    piilotetut.RemoveAll();
    for (const UninstallSource lahde : kUninstallSources) ListaaLahde(registry, lahde, ohjelmat, piilotetut);
}

}  // namespace karnio
