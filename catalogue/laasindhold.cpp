#include "laasindhold.h"

#include <ctime>
#include <string>

#include "tekst850.h"

using tekst850::operator""_850;

namespace {

constexpr std::string_view hoved = "katsort-laas";
constexpr std::string_view linjeslut = "\r\n";

// The value of the line "navn=vaerdi" in `tekst`; nothing without one.
std::optional<std::string> vaerdi(std::string_view tekst, std::string_view navn) {
    std::size_t start = 0;
    while (start < tekst.size()) {
        std::size_t slut = tekst.find('\n', start);
        std::string_view linje = tekst.substr(
            start, slut == std::string_view::npos ? std::string_view::npos : slut - start);
        if (!linje.empty() && linje.back() == '\r') linje.remove_suffix(1);
        if (linje.size() > navn.size() && linje.substr(0, navn.size()) == navn &&
            linje[navn.size()] == '=')
            return std::string(linje.substr(navn.size() + 1));
        if (slut == std::string_view::npos) break;
        start = slut + 1;
    }
    return std::nullopt;
}

bool positivt_tal(const std::string& t, long& tal) {
    if (t.empty() || t.size() > 10) return false;
    tal = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        tal = tal * 10 + (c - '0');
    }
    return tal > 0;
}

}  // namespace

std::string som_tekst(const laasindhold& laas) {
    std::string t(hoved);
    t += linjeslut;
    t += "vaert=" + laas.vaert + std::string(linjeslut);
    t += "pid=" + std::to_string(laas.pid) + std::string(linjeslut);
    t += "bruger=" + laas.bruger + std::string(linjeslut);
    t += "siden=" + laas.siden + std::string(linjeslut);
    return t;
}

std::optional<laasindhold> laes_laasindhold(std::string_view tekst) {
    if (tekst.substr(0, hoved.size()) != hoved) return std::nullopt;
    auto vaert = vaerdi(tekst, "vaert"), pid = vaerdi(tekst, "pid");
    laasindhold laas;
    if (!vaert || vaert->empty() || !pid || !positivt_tal(*pid, laas.pid)) return std::nullopt;
    laas.vaert = *vaert;
    laas.bruger = vaerdi(tekst, "bruger").value_or("");
    laas.siden = vaerdi(tekst, "siden").value_or("");
    return laas;
}

std::string optaget(const laasindhold& holder, bool samme_maskine) {
    std::string hvem = " (pid " + std::to_string(holder.pid) + ")";
    if (samme_maskine)
        return "katsort kører allerede i denne mappe"_850 + hvem + "; afslut den først"_850;
    std::string fra = " på "_850 + holder.vaert + " (pid " + std::to_string(holder.pid);
    if (!holder.bruger.empty()) fra += ", " + holder.bruger;
    if (!holder.siden.empty()) fra += ", siden " + holder.siden;
    return "katsort kører allerede i denne mappe"_850 + fra +
           "); afslut den først, eller slet katsort.laas i mappen, hvis den ikke kører mere"_850;
}

std::string ukendt_laas(std::string_view hvad) {
    return "katsort.laas i mappen "_850 + std::string(hvad) +
           "; fjern den, hvis ingen katsort kører i mappen"_850;
}

std::string koerslens_navn(std::string_view navn, const laasindhold& koersel) {
    const std::size_t punktum = navn.rfind('.');
    const std::string_view stamme = navn.substr(0, punktum);
    const std::string_view endelse =
        punktum == std::string_view::npos ? std::string_view() : navn.substr(punktum);
    return std::string(stamme) + "." + koersel.vaert + "." + std::to_string(koersel.pid) +
           std::string(endelse);
}

std::string tidspunkt(std::time_t t) {
    char tekst[32] = "";
    if (const std::tm* lokal = std::localtime(&t))
        std::strftime(tekst, sizeof tekst, "%d.%m.%Y %H:%M", lokal);
    return tekst;
}
