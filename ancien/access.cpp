#include "ancien/access.h"

#include "socle/fichier.h"
#include "socle/texte.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ancien {

namespace {

// How long, and how much, the reader may take.
constexpr int SecondesMax = 30;
constexpr std::size_t SortieMax = std::size_t(128) << 20;

TableAccess echec(TableAccess::Issue issue)
{
    TableAccess t;
    t.issue = issue;
    return t;
}

std::string lecteurParDefaut()
{
    char chemin[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", chemin, sizeof chemin - 1);
    std::string dossier = n > 0 ? std::string(chemin, size_t(n)) : std::string();
    dossier.resize(dossier.rfind('/') + 1);
    for (const std::string& candidat :
         {dossier + "tarvelon-lecture-access", dossier + TARVELON_LECTEUR_ACCESS}) {
        if (::access(candidat.c_str(), X_OK) == 0)
            return candidat;
    }
    return dossier + TARVELON_LECTEUR_ACCESS;
}

// Runs the reader; its output, or none when it did not end well (a crash,
// a timeout, too much said).
std::optional<std::string> lancer(const std::string& lecteur, std::vector<std::string> arguments)
{
    int tube[2];
    if (::pipe2(tube, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, tube[1], 1);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    arguments.insert(arguments.begin(), lecteur);
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, lecteur.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(tube[1]);
    if (rc != 0) {
        ::close(tube[0]);
        return std::nullopt;
    }

    std::string sortie;
    bool bon = true;
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(SecondesMax);
    char tampon[65536];
    for (;;) {
        const auto reste = std::chrono::duration_cast<std::chrono::milliseconds>(
            limite - std::chrono::steady_clock::now());
        if (reste.count() <= 0) {
            bon = false;
            break;
        }
        pollfd attente{tube[0], POLLIN, 0};
        const int pret = ::poll(&attente, 1, int(reste.count()));
        if (pret < 0 && errno == EINTR)
            continue;
        if (pret <= 0) {
            bon = false;
            break;
        }
        const ssize_t lu = ::read(tube[0], tampon, sizeof tampon);
        if (lu < 0 && errno == EINTR)
            continue;
        if (lu <= 0)
            break;
        sortie.append(tampon, size_t(lu));
        if (sortie.size() > SortieMax) {
            bon = false;
            break;
        }
    }
    ::close(tube[0]);
    if (!bon)
        ::kill(pid, SIGKILL);
    int statut = 0;
    while (::waitpid(pid, &statut, 0) < 0 && errno == EINTR) {
    }
    if (!bon || !WIFEXITED(statut) || WEXITSTATUS(statut) != 0)
        return std::nullopt;
    return sortie;
}

bool decoder(std::string_view champ, std::optional<std::string>& valeur)
{
    if (champ == "\\N") {
        valeur.reset();
        return true;
    }
    std::string texte;
    texte.reserve(champ.size());
    for (size_t i = 0; i < champ.size(); ++i) {
        if (champ[i] != '\\') {
            texte += champ[i];
            continue;
        }
        if (++i == champ.size())
            return false;
        switch (champ[i]) {
        case '\\':
            texte += '\\';
            break;
        case 't':
            texte += '\t';
            break;
        case 'n':
            texte += '\n';
            break;
        case 'r':
            texte += '\r';
            break;
        default:
            return false;
        }
    }
    valeur = socle::isUtf8(texte) ? std::move(texte) : socle::decodeUtf8OrWindows1252(texte);
    return true;
}

} // namespace

std::string& lecteurSlot()
{
    static std::string lecteur = lecteurParDefaut();
    return lecteur;
}

TableAccess::Issue verifierAccess(std::string_view debut, std::size_t taille)
{
    if (taille == 0)
        return TableAccess::Vide;
    if (taille > TailleMaxAccess)
        return TableAccess::TropGrande;
    constexpr std::string_view Jet("\0\1\0\0Standard Jet DB\0", 20);
    constexpr std::string_view Ace("\0\1\0\0Standard ACE DB\0", 20);
    if (debut.size() < 0x15 || (debut.substr(0, 20) != Jet && debut.substr(0, 20) != Ace))
        return TableAccess::PasAccess;
    // The version: 0 Jet 3 (Access 97, pages of 2 KiB), 1 Jet 4 (2000-2003),
    // 2 to 6 ACE (2007 to 2019), pages of 4 KiB.
    const auto version = static_cast<unsigned char>(debut[0x14]);
    if (version > 6)
        return TableAccess::VersionInconnue;
    const std::size_t page = version == 0 ? 2048 : 4096;
    // The header page, the catalogue's page and at least one more.
    if (taille % page != 0 || taille < 3 * page)
        return TableAccess::Coupee;
    return TableAccess::Lue;
}

TableAccess lireSortieDuLecteur(std::string_view sortie, std::size_t champs)
{
    std::vector<std::string_view> lignes;
    while (!sortie.empty()) {
        const size_t fin = sortie.find('\n');
        if (fin == std::string_view::npos)
            return echec(TableAccess::Endommagee); // cut off in a line
        lignes.push_back(sortie.substr(0, fin));
        sortie.remove_prefix(fin + 1);
    }
    if (lignes.size() < 2 || lignes[0] != "TARVELON-ACCESS 1")
        return echec(TableAccess::Endommagee);
    const std::string_view statut = lignes[1];
    if (statut == "ILLISIBLE" && lignes.size() == 2)
        return echec(TableAccess::Illisible);
    if (statut == "SANS_TABLE" && lignes.size() == 2)
        return echec(TableAccess::SansTable);
    if (statut == "COUPE" && lignes.size() == 2)
        return echec(TableAccess::Coupee);
    if (statut.substr(0, 11) == "SANS_CHAMP\t" && lignes.size() == 2) {
        TableAccess t = echec(TableAccess::SansChamp);
        t.champ = statut.substr(11);
        return t;
    }
    if (statut.substr(0, 7) != "LIGNES\t" || lignes.size() < 3)
        return echec(TableAccess::Endommagee);
    const std::optional<int> annoncees = socle::parseDigits(statut.substr(7), 9);
    const std::string_view derniere = lignes.back();
    const std::optional<int> comptees = derniere.substr(0, 4) == "FIN\t"
                                            ? socle::parseDigits(derniere.substr(4), 9)
                                            : std::nullopt;
    if (!annoncees || !comptees || size_t(*comptees) != lignes.size() - 3)
        return echec(TableAccess::Endommagee);

    TableAccess table;
    table.annoncees = unsigned(*annoncees);
    table.lignes.reserve(lignes.size() - 3);
    for (size_t i = 2; i + 1 < lignes.size(); ++i) {
        std::vector<std::optional<std::string>>& ligne = table.lignes.emplace_back();
        std::string_view reste = lignes[i];
        for (size_t c = 0; c < champs; ++c) {
            const size_t tab = reste.find('\t');
            if ((tab == std::string_view::npos) != (c + 1 == champs))
                return echec(TableAccess::Endommagee);
            if (!decoder(reste.substr(0, tab), ligne.emplace_back()))
                return echec(TableAccess::Endommagee);
            reste.remove_prefix(tab == std::string_view::npos ? reste.size() : tab + 1);
        }
    }
    if (table.lignes.size() < table.annoncees)
        table.issue = TableAccess::Incomplete;
    return table;
}

TableAccess lireTableAccess(const std::string& fichier, const std::string& table,
                            const std::vector<std::string>& champs)
{
    // The first page and the size, from the file itself (a pipe never holds
    // the read; a file larger than any calendar is not read at all).
    if (socle::natureDe(fichier) != socle::Nature::Ordinaire)
        return echec(TableAccess::Absente);
    struct stat info {};
    if (::stat(fichier.c_str(), &info) != 0)
        return echec(TableAccess::Absente);
    std::string debut;
    if (std::size_t(info.st_size) <= TailleMaxAccess &&
        !socle::readRegularFile(fichier, debut, 4096))
        return echec(TableAccess::Absente);
    if (const auto issue = verifierAccess(debut, std::size_t(info.st_size));
        issue != TableAccess::Lue)
        return echec(issue);

    const std::string& lecteur = lecteurSlot();
    if (::access(lecteur.c_str(), X_OK) != 0)
        return echec(TableAccess::SansLecteur);
    std::vector<std::string> arguments{fichier, table};
    arguments.insert(arguments.end(), champs.begin(), champs.end());
    const std::optional<std::string> sortie = lancer(lecteur, std::move(arguments));
    if (!sortie)
        return echec(TableAccess::Endommagee);
    return lireSortieDuLecteur(*sortie, champs.size());
}

} // namespace ancien
