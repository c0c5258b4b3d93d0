#pragma once

#include <QDate>
#include <QString>

// Plain rules of the main window, free of any widget.
namespace windows {

// The number a text begins with: blanks skipped, then a sign, digits, a
// decimal point and an exponent as far as they go; 0 when the text does not
// begin with a number.
double NombreEnTete(QStringView texte);

// Halves to the even number, as the classic rounding does.
double ArrondiPair(double valeur);

// The day key "dd/mm" of a date.
QString CleDeLaDate(const QDate& date);

// The day and month of a day key written d/m, dd/mm, d/mm or dd/m; false for
// anything else.
bool JourEtMoisDeLaCle(QStringView cle, int* jour, int* mois);

// The day key as "d mmmm" in the given year ("5 mars"). 29/02 outside a leap
// year still reads "29 février"; any other text that is no day gives "".
QString JourEnLettres(QStringView cle, int annee);

// The day key as "dddd d mmmm" in the given year ("mercredi 25 décembre"),
// "29 février" for 29/02 outside a leap year, else the key as written.
QString JourEnLettresAvecSemaine(QStringView cle, int annee);

// The age reached this year by someone born in the year written in annee.
qint64 AgeCetteAnnee(int anneeCourante, QStringView annee);
// The age line: "Trés bientôt 1 an...", "1 an cette année", "30 ans cette année. ".
QString LigneAge(qint64 age);
// True for the year of a birthday whose year is not known (a contact's
// "--0412"): it has no age line. Any other year keeps it.
bool SansAnnee(QStringView annee);

// A search text with a "/" rewritten as a day key, and the range error found
// (0 none, 1 day, 2 month).
struct DateRecherchee {
    QString texte;
    int erreur = 0;
};
DateRecherchee ReecrireDate(const QString& texte);

// A search text is searched as a date when its leading number is not 0.
bool RechercheParDate(const QString& texte);

} // namespace windows
