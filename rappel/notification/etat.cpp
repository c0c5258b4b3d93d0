#include "rappel/notification/etat.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes a directory and its parents (mode 0700 for what it makes).
bool faireDossier(const std::string& chemin)
{
    for (size_t i = 1; i <= chemin.size(); ++i) {
        if (i < chemin.size() && chemin[i] != '/')
            continue;
        const std::string partie = chemin.substr(0, i);
        if (::mkdir(partie.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// The system's reason, in French.
std::string raison(int numero)
{
    switch (numero) {
    case EACCES:
    case EPERM:
        return "accès refusé";
    case EROFS:
        return "le disque est en lecture seule";
    case ENOSPC:
    case EDQUOT:
        return "le disque est plein";
    case ENOENT:
    case ENOTDIR:
        return "un dossier du chemin n'existe pas";
    case ELOOP:
        return "c'est un lien symbolique";
    case EISDIR:
        return "c'est un dossier";
    case EIO:
        return "erreur de lecture ou d'écriture sur le disque";
    default:
        return "erreur du système (" + std::to_string(numero) + ")";
    }
}

} // namespace

EtatRappel::EtatRappel(std::string dossier) : m_dossier(std::move(dossier)) {}

EtatRappel::~EtatRappel()
{
    liberer();
}

bool EtatRappel::verrouiller(std::string& erreur)
{
    const std::string fichier = m_dossier + "rappel-du-jour";
    if (!faireDossier(m_dossier) ||
        (m_fd = ::open(fichier.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) < 0) {
        erreur = "le fichier " + fichier + " ne peut pas être écrit : " + raison(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        erreur = "le fichier " + fichier + " n'est pas un fichier ordinaire";
        liberer();
        return false;
    }
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            erreur = "le fichier " + fichier + " ne peut pas être verrouillé";
            liberer();
            return false;
        }
    }
    return true;
}

std::string EtatRappel::dernierJour() const
{
    char texte[32] = {};
    if (m_fd < 0 || ::pread(m_fd, texte, sizeof texte - 1, 0) < 10)
        return {};
    return std::string(texte, 10);
}

bool EtatRappel::noter(const std::string& jour, std::string& erreur)
{
    if (m_fd < 0)
        return true; // the file could not be had: the caller has said so
    const std::string ligne = jour + "\n";
    if (::ftruncate(m_fd, 0) != 0 ||
        ::pwrite(m_fd, ligne.data(), ligne.size(), 0) != ssize_t(ligne.size()) ||
        ::fsync(m_fd) != 0) {
        erreur = "le jour rappelé ne peut pas être noté : " + raison(errno);
        return false;
    }
    return true;
}

void EtatRappel::liberer()
{
    if (m_fd >= 0) {
        ::close(m_fd); // and the lock with it
        m_fd = -1;
    }
}
