#include "windows/regles/regles.h"

#include "socle/fetes.h"
#include "socle/jours.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace windows {

namespace {

bool estChiffre(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// "0" before a number under 10, then its digits.
QString deuxChiffres(double valeur)
{
    if (valeur == 0)
        valeur = 0; // no "-0"
    const QString chiffres = QString::number(valeur, 'f', 0);
    return valeur < 10 ? QLatin1Char('0') + chiffres : chiffres;
}

// Dates are written the French way, whatever the system locale.
QLocale francais()
{
    return QLocale(QLocale::French, QLocale::France);
}

} // namespace

double NombreEnTete(QStringView texte)
{
    qsizetype i = 0;
    const qsizetype n = texte.size();
    while (i < n && (texte[i] == QLatin1Char(' ') || texte[i] == QLatin1Char('\t') ||
                     texte[i] == QLatin1Char('\n') || texte[i] == QLatin1Char('\r')))
        ++i;
    const qsizetype debut = i;
    if (i < n && (texte[i] == QLatin1Char('+') || texte[i] == QLatin1Char('-')))
        ++i;
    qsizetype chiffres = 0;
    while (i < n && estChiffre(texte[i]))
        ++i, ++chiffres;
    if (i < n && texte[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && estChiffre(texte[i]))
            ++i, ++chiffres;
    }
    if (chiffres == 0)
        return 0;
    qsizetype fin = i;
    if (i < n && QStringLiteral("eEdD").contains(texte[i])) {
        qsizetype j = i + 1;
        if (j < n && (texte[j] == QLatin1Char('+') || texte[j] == QLatin1Char('-')))
            ++j;
        if (j < n && estChiffre(texte[j])) {
            while (j < n && estChiffre(texte[j]))
                ++j;
            fin = j;
        }
    }
    QString nombre = texte.sliced(debut, fin - debut).toString();
    nombre.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    if (nombre.endsWith(QLatin1Char('.')))
        nombre.chop(1);
    bool ok = false;
    const double valeur = nombre.toDouble(&ok);
    if (!ok) // beyond the range of a double: the largest number of its sign
        return nombre.startsWith(QLatin1Char('-')) ? -std::numeric_limits<double>::max()
                                                   : std::numeric_limits<double>::max();
    return valeur;
}

double ArrondiPair(double valeur)
{
    return std::nearbyint(valeur); // the default rounding mode rounds halves to even
}

QString CleDeLaDate(const QDate& date)
{
    return QString::fromStdString(socle::cleDuJour(date.day(), date.month()));
}

bool JourEtMoisDeLaCle(QStringView cle, int* jour, int* mois)
{
    const qsizetype barre = cle.indexOf(QLatin1Char('/'));
    const auto nombre = [](QStringView chiffres, int* valeur) {
        if (chiffres.isEmpty() || chiffres.size() > 2)
            return false;
        for (const QChar c : chiffres)
            if (!estChiffre(c))
                return false;
        *valeur = chiffres.toInt();
        return true;
    };
    return barre > 0 && nombre(cle.left(barre), jour) && nombre(cle.sliced(barre + 1), mois);
}

QString JourEnLettres(QStringView cle, int annee)
{
    int jour = 0, mois = 0;
    if (!JourEtMoisDeLaCle(cle, &jour, &mois))
        return {};
    const QDate date(annee, mois, jour);
    if (date.isValid())
        return francais().toString(date, QStringLiteral("d MMMM"));
    if (jour == 29 && mois == 2)
        return QStringLiteral("29 février");
    return {};
}

QString JourEnLettresAvecSemaine(QStringView cle, int annee)
{
    int jour = 0, mois = 0;
    if (JourEtMoisDeLaCle(cle, &jour, &mois)) {
        const QDate date(annee, mois, jour);
        if (date.isValid())
            return francais().toString(date, QStringLiteral("dddd d MMMM"));
        if (jour == 29 && mois == 2)
            return QStringLiteral("29 février");
    }
    return cle.toString();
}

qint64 AgeCetteAnnee(int anneeCourante, QStringView annee)
{
    const double age = ArrondiPair(anneeCourante - NombreEnTete(annee));
    constexpr double limite = 1e15;
    return qint64(std::clamp(age, -limite, limite));
}

QString LigneAge(qint64 age)
{
    if (age < 1)
        return QStringLiteral("Trés bientôt 1 an...");
    if (age == 1)
        return QStringLiteral("1 an cette année");
    return QString::number(age) + QStringLiteral(" ans cette année. ");
}

bool SansAnnee(QStringView annee)
{
    return annee ==
           QLatin1String(socle::AnneeInconnue.data(), qsizetype(socle::AnneeInconnue.size()));
}

DateRecherchee ReecrireDate(const QString& texte)
{
    DateRecherchee resultat{texte, 0};
    const qsizetype barre = texte.indexOf(QLatin1Char('/'));
    if (barre < 0)
        return resultat;
    const double jour = ArrondiPair(NombreEnTete(texte));
    const double mois = ArrondiPair(NombreEnTete(QStringView(texte).sliced(barre + 1).left(2)));
    // A day beyond a 16-bit integer is out of range like any other bad day.
    const bool jourLisible = std::abs(jour) < 1e15;
    resultat.texte = (jourLisible ? deuxChiffres(jour) : texte.left(barre)) + QLatin1Char('/') +
                     deuxChiffres(mois);
    if (jour < 1 || jour > 31)
        resultat.erreur = 1;
    if (mois < 1 || mois > 12)
        resultat.erreur = 2;
    return resultat;
}

bool RechercheParDate(const QString& texte)
{
    return NombreEnTete(texte) != 0;
}

} // namespace windows
