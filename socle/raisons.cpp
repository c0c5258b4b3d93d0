#include "socle/raisons.h"

#include <sqlite3.h>

namespace socle {

std::string raisonSqlite(int code)
{
    switch (code) {
    case SQLITE_READONLY_DBMOVED:
        return "le fichier a été supprimé ou déplacé depuis le démarrage de Tarvelon ; plus "
               "rien ne pourra être enregistré avant que Tarvelon soit redémarré";
    case SQLITE_READONLY_ROLLBACK:
        return "le fichier a été laissé inachevé par un autre programme et ne peut pas être "
               "réparé en lecture seule";
    case SQLITE_IOERR_SHORT_READ:
        return "le fichier est endommagé (il a été tronqué)";
    default:
        break;
    }
    switch (code & 0xFF) {
    case SQLITE_READONLY:
        return "le fichier est en lecture seule";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "le fichier est occupé par un autre programme";
    case SQLITE_FULL:
        return "le disque est plein";
    case SQLITE_IOERR:
        return "erreur de lecture ou d'écriture sur le disque";
    case SQLITE_CANTOPEN:
        return "le fichier ne peut pas être ouvert";
    case SQLITE_NOTADB:
        return "ce n'est pas une base de données SQLite";
    case SQLITE_CORRUPT:
        return "le fichier est endommagé";
    case SQLITE_ERROR:
        // Our requests are fixed and valid: the file itself has changed.
        return "le fichier est endommagé : la table Fetes ou l'un de ses champs est introuvable";
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return "accès refusé";
    default:
        return "erreur de la base de données (code " + std::to_string(code) + ")";
    }
}

} // namespace socle
