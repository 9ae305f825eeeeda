#include "catalogue/uninstall_list.h"

#include "registry/mdlKarnio.h"

#include <cstdint>

namespace karnio {

void ListaaOhjelmat(Registry& registry, ListSink& ohjelmat, ListSink& piilotetut)
{
    ohjelmat.RemoveAll();
    piilotetut.RemoveAll();

    std::string aliavain;
    std::int32_t indeksi = 0;
    do {
        aliavain = HaeAliavain(registry, kHkeyLocalMachine, kUninstallPath, indeksi);
        const std::string polku = kUninstallPath + aliavain;
        const auto arvo = [&](const char* nimi) { return HaeRekisteriarvo(registry, kHkeyLocalMachine, polku, nimi); };

        std::string nimi = arvo("DisplayName");
        if (nimi != kNotFound) {
            std::string komento = arvo("UninstallString");
            if (komento.empty()) {
                piilotetut.AddRow(aliavain, nimi);
            } else if (komento == kNotFound) {
                komento = arvo("QuietUninstallString");
                if (komento != kNotFound)
                    ohjelmat.SetSubItem1(ohjelmat.AddRow(aliavain, nimi), komento);
                else
                    piilotetut.AddRow(aliavain, nimi);
            } else {
                ohjelmat.SetSubItem1(ohjelmat.AddRow(aliavain, nimi), komento);
            }
        } else {
            nimi = arvo("QuietDisplayName");
            if (nimi == kNotFound) {
                // The enumeration has ended (or met a subkey called "Not Found").
                if (aliavain == kNotFound) break;
                nimi = aliavain;
            }
            const std::size_t rivi = piilotetut.AddRow(aliavain, nimi);
            std::string komento = arvo("UninstallString");
            if (komento == kNotFound) komento = arvo("QuietUninstallString");
            piilotetut.SetSubItem1(rivi, komento == kNotFound ? std::string() : komento);
        }
        ++indeksi;
    } while (aliavain != kNotFound);
}

}  // namespace karnio
