#pragma once

#include "socle/fetes.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

// Contacts' birthdays in vCard files (versions 2.1, 3.0 and 4.0). Written by
// hand: Debian offers no vCard library for Qt 6 (KContacts is Qt 5, the
// Versit code in libical knows 2.1 only).
namespace echange {

// A birthday as a day of the year and, when known, a year.
struct Naissance {
    int jour = 0, mois = 0;
    std::optional<int> annee;
};

struct Carte {
    int ligne = 0; // where BEGIN:VCARD stands
    QString nom;   // FN, else built from N
    std::optional<Naissance> naissance;
    QString uid;
    QString prenom, autresPrenoms; // N's given and additional names
};

struct LectureVcard {
    std::vector<Carte> cartes;
    QString erreur; // empty when the file was read
    int ligneErreur = 0;
};

// Every birthday form that address books write: 1985-04-12, 19850412, a time
// part, VALUE=DATE, no year (--0412, --04-12, Apple's X-APPLE-OMIT-YEAR, the
// year 0000); folded lines, UTF-8 or the CHARSET parameter, quoted-printable.
LectureVcard lireVcard(const QByteArray& octets);

// The entry of a card's birthday (a card with one): its name, its day, its
// year or the no-year marker, a space for the sex.
socle::Fiche anniversaireDe(const Carte& carte);

// One version 4.0 card for each birthday: UID (the same from one export to
// the next), FN, N and BDAY (--MMDD with no year).
QByteArray ecrireVcard(const std::vector<socle::Fiche>& anniversaires);

} // namespace echange
