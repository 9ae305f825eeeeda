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
        if (aliavain.find('\0') != std::string::npos || HoldsLoneSurrogate(aliavain)) {
            // Opened by name, it would be the key named by the part before the zero, or
            // the one with U+FFFD in place of the surrogate: read nothing.
            piilotetut.SetSubItem1(piilotetut.AddRow(lahde, aliavain, ShownKeyName(aliavain)), std::string());
            ++indeksi;
            continue;
        }
        const std::string polku = kUninstallPath + aliavain;
        const auto arvo = [&](const char* nimi) { return HaeRekisteriarvo(registry, juuri, polku, nimi, nakyma); };

        std::string nimi = arvo("DisplayName");
        if (nimi != kNotFound) {
            std::string komento = arvo("UninstallString");
            if (komento.empty()) {
                piilotetut.AddRow(lahde, aliavain, nimi);
            } else if (komento == kNotFound) {
                komento = arvo("QuietUninstallString");
                if (komento != kNotFound)
                    ohjelmat.SetSubItem1(ohjelmat.AddRow(lahde, aliavain, nimi), komento);
                else
                    piilotetut.AddRow(lahde, aliavain, nimi);
            } else {
                ohjelmat.SetSubItem1(ohjelmat.AddRow(lahde, aliavain, nimi), komento);
            }
        } else {
            nimi = arvo("QuietDisplayName");
            if (nimi == kNotFound) {
                // The enumeration has ended (or met a subkey called "Not Found").
                if (aliavain == kNotFound) break;
                nimi = aliavain;
            }
            const std::size_t rivi = piilotetut.AddRow(lahde, aliavain, nimi);
            std::string komento = arvo("UninstallString");
            if (komento == kNotFound) komento = arvo("QuietUninstallString");
            piilotetut.SetSubItem1(rivi, komento == kNotFound ? std::string() : komento);
        }
        ++indeksi;
    } while (aliavain != kNotFound);
}

}  // namespace

void ListaaOhjelmat(Registry& registry, ListSink& ohjelmat, ListSink& piilotetut)
{
    ohjelmat.RemoveAll();
    piilotetut.RemoveAll();
    for (const UninstallSource lahde : kUninstallSources) ListaaLahde(registry, lahde, ohjelmat, piilotetut);
}

}  // namespace karnio
