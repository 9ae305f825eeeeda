#include "catalogue/uninstall_list.h"

#include "registry/mdlKarnio.h"

#include <cstdint>

namespace karnio {

namespace {

// One walk of one Uninstall key: its own index from 0, to its first unreadable index.
void ListaaLahde(Registry& registry, UninstallSource lahde, ListSink& ohjelmat, ListSink& piilotetut)
{
    const RegKey juuri = RootOf(lahde);
    const RegView nakyma = ViewOf(lahde);
    std::string aliavain;
    std::int32_t indeksi = 0;
    do {
        aliavain = HaeAliavain(registry, juuri, kUninstallPath, indeksi, nakyma);
        if (aliavain.find('\0') != std::string::npos) {
            // Opened by name, it would be the key named by the part before the zero: read nothing.
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

RegKey RootOf(UninstallSource source)
{
    return source == UninstallSource::User ? kHkeyCurrentUser : kHkeyLocalMachine;
}

RegView ViewOf(UninstallSource source)
{
    return source == UninstallSource::Machine32 ? RegView::Bits32 : RegView::Native;
}

std::string ShownKeyName(const std::string& subkey)
{
    const std::size_t zero = subkey.find('\0');
    return zero == std::string::npos ? subkey : subkey.substr(0, zero) + "\xE2\x80\xA6";  // "…"
}

std::string KeyPathText(UninstallSource source, const std::string& key)
{
    const std::string subkey = ShownKeyName(key);
    switch (source) {
    case UninstallSource::Machine32:
        return "HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + subkey;
    case UninstallSource::User:
        return std::string("HKEY_CURRENT_USER\\") + kUninstallPath + subkey;
    case UninstallSource::Machine:
        break;
    }
    return std::string("HKEY_LOCAL_MACHINE\\") + kUninstallPath + subkey;
}

void ListaaOhjelmat(Registry& registry, ListSink& ohjelmat, ListSink& piilotetut)
{
    ohjelmat.RemoveAll();
    piilotetut.RemoveAll();
    for (const UninstallSource lahde : kUninstallSources) ListaaLahde(registry, lahde, ohjelmat, piilotetut);
}

bool OnPoistettava(const std::string& aliavain)
{
    return !aliavain.empty() && aliavain.find('\\') == std::string::npos && aliavain.find('\0') == std::string::npos;
}

bool PoistaAvain(Registry& registry, UninstallSource source, const std::string& aliavain)
{
    if (!OnPoistettava(aliavain)) return false;
    DeleteInSource(registry, source, kUninstallPath + aliavain);
    return true;
}

RegStatus DeleteInSource(Registry& registry, UninstallSource source, const std::string& path)
{
    if (ViewOf(source) == RegView::Native) return registry.DeleteKey(RootOf(source), path.c_str());
    return registry.DeleteKeyEx(RootOf(source), path.c_str(), ViewOf(source));
}

}  // namespace karnio
