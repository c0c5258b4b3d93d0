#pragma once

#include "socle/fetes.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// The rule that keeps an address book's birthdays in step with the table,
// apart from any wire: the book's changes come in as plain data, the table's
// edits, the new state and the counts go out. It never overrides what the
// user changed: an entry is changed or removed only while it still holds
// exactly what Tarvelon wrote there; otherwise it is the user's from then on
// (counted once, then left alone). New birthdays follow the exchanges'
// duplicate rule: one the user already typed is not doubled (and stays the
// user's).
namespace rapprochement {

// What Tarvelon knows of one contact.
struct Contact {
    QByteArray etag;
    std::int64_t rowid = 0;      // the entry Tarvelon wrote (0: none)
    socle::Fiche ecrite;         // what it wrote there
    bool deLUtilisateur = false; // its birthday is an entry of the user's (typed, or changed)
    QString illisible;           // a card that could not be read, named
    // Its birthday was in the table already when it came ("déjà présent"):
    // that birthday. When the card Tarvelon wrote that entry from goes (a
    // phone merging two copies of a contact), this one still explains the
    // entry, and takes it over.
    socle::Fiche dejaLa;

    bool operator==(const Contact&) const = default;
};

struct EtatCarnet {
    QString jeton;
    std::map<QString, Contact> contacts; // by the card's key (its path)
    // Every card has been read whole since the book's people are kept: until
    // then the book is listed whole and each card read, once.
    bool proches = false;
    // Not kept: the book was followed before (its people are in the table)
    // and its state is lost. Nothing is known, so a card whose birthday is
    // in the table exactly as Tarvelon writes it is taken as that entry's
    // card, never as the user's.
    bool perdu = false;
    // The calendar the user's installations share, followed as a book: an
    // entry holding exactly what an event holds (its sex included) is that
    // event's, whoever typed it; an entry gone from the table needs no
    // keeping. Set by the caller, never kept.
    bool agenda = false;

    bool operator==(const EtatCarnet&) const = default;
};

// A card the server lists, with its bytes when they were read (new, or its
// ETag changed), without when its ETag is the one known.
struct Carte {
    QString cle;
    QByteArray etag;
    std::optional<QByteArray> octets;
    QString nom; // to name it when it cannot be read (its file name)
    // An event of the shared calendar, already read: its birthday, none when
    // it holds no birthday (a day of name days). `octets` only says it was read.
    bool evenement = false;
    std::optional<socle::Fiche> fiche = std::nullopt;
};

// One book's changes since the last run.
struct Releve {
    std::vector<Carte> cartes;
    std::vector<QString> parties; // said gone, or asked for and not there
    bool complet = false;         // the listing names every card: any other is gone
    QString jeton;                // the server's token after this listing
    bool toutLu = true;           // every card asked for came: the token may move on
};

// Whether a listed card must be read: unknown, or changed since (every
// card, once, before the book's people are kept).
bool aLire(const EtatCarnet& etat, const QString& cle, const QByteArray& etag);

struct Edition {
    enum class Sorte { Ajout, Modification, Suppression } sorte;
    std::int64_t rowid = 0; // Modification, Suppression; Ajout once applied
    socle::Fiche fiche;     // Ajout, Modification
    QString cle;            // Ajout: the contact whose entry it is

    bool operator==(const Edition&) const = default;
};

struct Compteurs {
    int contacts = 0, anniversaires = 0;
    int ajoutes = 0, modifies = 0, supprimes = 0, gardes = 0, presents = 0;
    int prochesGardes = 0; // gone from the book, kept for the user's word
    QStringList illisibles;

    bool changements() const { return ajoutes + modifies + supprimes > 0; }
};

struct Rapprochement {
    std::vector<Edition> editions; // in the order they are to be applied
    EtatCarnet etat;               // the new state; an added entry's rowid once applied
    Compteurs n;
    bool etatChange = true; // what is known of the book changed
};

// The rule: the state known, what the book says, the table as it is.
Rapprochement rapprocher(const EtatCarnet& etat, const Releve& releve,
                         const std::vector<socle::FicheStockee>& table);

// The edits applied in one transaction (SqliteOk, else why, and nothing
// applied); added rowids go into the edits and the state.
int appliquer(socle::Database& base, Rapprochement& r);
// A copy of the table, in rowid order, made to follow edits once stored.
void reporter(const std::vector<Edition>& editions, std::vector<socle::FicheStockee>& table);

} // namespace rapprochement
