#include "echange/fiches.h"

#include "store/calendrier_fr.h"

#include <QDate>

namespace echange {

QString cleDuJour(int jour, int mois)
{
    return QStringLiteral("%1/%2")
        .arg(jour, 2, 10, QLatin1Char('0'))
        .arg(mois, 2, 10, QLatin1Char('0'));
}

std::optional<Naissance> lireCle(const QString& cle)
{
    if (cle.size() != 5 || cle[2] != QLatin1Char('/'))
        return std::nullopt;
    for (const int i : {0, 1, 3, 4})
        if (cle[i] < QLatin1Char('0') || cle[i] > QLatin1Char('9'))
            return std::nullopt;
    const int jour = cle.left(2).toInt();
    const int mois = cle.mid(3, 2).toInt();
    // 2000 is a leap year: 29/02 is a day.
    if (!QDate(2000, mois, jour).isValid())
        return std::nullopt;
    return Naissance{jour, mois, std::nullopt};
}

std::optional<int> anneeDeNaissance(const QString& annee)
{
    if (annee.size() != 4)
        return std::nullopt;
    for (const QChar c : annee)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const int valeur = annee.toInt();
    if (valeur == 0)
        return std::nullopt;
    return valeur;
}

bool estFete(const Fiche& fiche)
{
    return fiche.annee == QString::fromStdString(AnneeNomDeFete);
}

} // namespace echange
