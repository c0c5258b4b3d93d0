#pragma once

#include "socle/fetes.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// What the desktop's search finds (GNOME's overview, KRunner): the entries
// of the calendar file, by a name or its beginning ("geor", with or without
// accents and capitals), or by a day ("23/04", "23 avril"). Plain data: the
// service answers the bus with it.
namespace bureau {

struct Resultat {
    QString id; // the entry, as activating it hands it to the window
    QString titre; // "Georges — fête le 23 avril", "Paul Dupont — anniversaire le 12 mai (46 ans)"
};

class Index {
public:
    Index() = default;
    explicit Index(std::vector<socle::Fiche> fiches);

    // The entries the terms find, all of them together (an entry matches
    // when each term begins one of its words, or names its day); at most
    // `maximum`, birthdays and name days in the calendar's order.
    std::vector<Resultat> chercher(const QStringList& termes, int annee, size_t maximum = 50) const;
    // The entry behind an id, to describe it; none when it is gone.
    const socle::Fiche* fiche(const QString& id) const;

private:
    std::vector<socle::Fiche> m_fiches;
    std::vector<QStringList> m_mots; // each entry's words, folded
};

// The file's entries (the calendar file the desktop reads); none when it
// cannot be read.
// With the user's people to wish on their name day (from the calendar's
// database, when given), each as an entry of that day: "Georges Dupont —
// fête le 23 avril". A database another program holds is not waited for:
// its people are left out that time.
Index lireIndex(const QString& fichier, const QString& calendrier = {});
Index indexDe(const QByteArray& ics, std::vector<socle::Fiche> enPlus = {});
std::vector<socle::Fiche> prochesAFeter(const QString& calendrier);

// A term is cut to 100 characters; at most 10 terms are looked at.
constexpr qsizetype LongueurMaxTerme = 100;
constexpr qsizetype TermesAuPlus = 10;
// A term as compared: lower case, no accents, cut.
QString plier(QStringView terme);
// An entry's id: "DATE;ANNEE;NOM", each field with its '%' and ';' escaped;
// and back (none when it is no such id; the sex left blank).
QString idDe(const socle::Fiche& f);
std::optional<socle::Fiche> ficheDeLId(const QString& id);
QString titreDe(const socle::Fiche& f, int annee);

} // namespace bureau
