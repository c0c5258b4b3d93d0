#pragma once

#include "socle/fetes.h"
#include "socle/jours.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

// What a file may bring as an entry, one set of rules whatever its format
// (contacts, spreadsheets, agendas, the old database's rows aside: those come
// as they are).
namespace echange {

// The text of a file: UTF-8 (a byte-order mark dropped), UTF-16 when its
// byte-order mark says so (some Windows address books and spreadsheets write
// it), else Windows-1252. None, with the reason, for bytes that look like
// UTF-16 without a mark, or some other encoding Tarvelon does not read.
std::optional<QString> texteDuFichier(const QByteArray& octets, QString* raison);

// A name longer than this is no first name: a mistake, or a file made to harm.
inline constexpr qsizetype LongueurMaxNom = 1000;

// A name as every import takes it: the invisible U+FEFF (a byte-order mark
// left inside by some programs) and the bidirectional overrides dropped.
QString nomLu(QString nom);
// Why a name cannot be an entry's (empty, nothing visible in it, a control
// character such as a line end or a NUL, longer than LongueurMaxNom); none
// when it can.
std::optional<QString> refusDuNom(const QString& nom);

// What the table may hold, whatever typed it: the window stores its boxes
// as typed (an empty name, a day or a year in no form, any sex code), up to
// these lengths; a name from a file up to LongueurMaxNom.
inline constexpr qsizetype LongueurMaxDate = 5;
inline constexpr qsizetype LongueurMaxAnnee = 4;
inline constexpr qsizetype LongueurMaxSexe = 1;

// Why an entry of Tarvelon's own backup cannot be restored; none when it
// can. Only what protects the file and the terminal is checked: no control
// character, no field longer than the table may hold. Tarvelon's backups
// restore whatever its table holds; a file from another program keeps the
// checks of its format.
std::optional<QString> refusDeLaSauvegarde(const socle::Fiche& fiche);

// The birth years an import takes: the ones the exports can write.
inline constexpr int AnneeMin = 1;
inline constexpr int AnneeMax = 3000;
bool anneeDeNaissanceValable(int annee);

// A day as files write it: "23/04" (or "3/4"), a full date "23/04/2026"
// (spreadsheets write a day back so), or "2026-04-23"; the day of it, when it
// exists (29 February included). None for anything else.
std::optional<socle::JourDeLAnnee> jourEcrit(QStringView texte);

} // namespace echange
