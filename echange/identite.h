#pragma once

#include "socle/fetes.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// The identities of exported entries: an agenda or an address book that
// reads the file again updates what it has rather than doubling it. An
// identity depends only on what the entry stands for (a birthday: its name,
// day and year; a day of name days: that day), never on a row number.
namespace echange {

class Identites {
public:
    // "anniversaire-<20 hex digits>@tarvelon"; the same entry met again in
    // the calendar (the window allows it) gets one of its own ("-2", "-3"…).
    QByteArray anniversaire(const socle::Fiche& fiche);
    // "fetes-MMDD@tarvelon".
    static QByteArray fetes(int mois, int jour);

private:
    QHash<QString, int> m_vus;
};

// A UUID (RFC 4122, name-based, version 5 layout) made from a text: the same
// text always gives the same one.
QByteArray uuidDe(const QByteArray& texte);

} // namespace echange
