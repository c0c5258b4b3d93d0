#include "commande/sortie.h"

#include "echange/echange.h"
#include "socle/texte.h"
#include "store/calendrier.h"

#include <QDir>
#include <QStringList>

namespace commande {

void ecrire(std::FILE* flux, const QString& texte)
{
    for (const QString& ligne : texte.split(QLatin1Char('\n'))) {
        std::fputs(socle::terminalSafe(ligne.toStdString()).c_str(), flux);
        std::fputc('\n', flux);
    }
}

int echec(const QString& raison)
{
    ecrire(stderr, QStringLiteral("tarvelon : ") + raison);
    return 1;
}

int usage(const QString& erreur)
{
    ecrire(stderr, QStringLiteral("tarvelon : ") + erreur +
                       QStringLiteral("\nEssayez « tarvelon --help » pour en savoir plus."));
    return 2;
}

int rendre(const echange::Rapport& rapport)
{
    switch (rapport.issue) {
    case echange::Rapport::Reussi:
        ecrire(stdout, rapport.texte);
        return 0;
    case echange::Rapport::Usage:
        return usage(rapport.texte);
    case echange::Rapport::Illisible:
        break;
    }
    return echec(rapport.texte);
}

bool ouvrirCalendrier(socle::Database& base)
{
    QDir().mkpath(store::dataFolder());
    QString message;
    if (store::openCalendar(base, store::calendarPath(), &message))
        return true;
    echec(message.replace(QStringLiteral("\n\r"), QStringLiteral("\n")));
    return false;
}

} // namespace commande
