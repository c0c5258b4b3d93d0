#include "echange/vcard.h"

#include "echange/entree.h"
#include "echange/identite.h"
#include "socle/jours.h"
#include "socle/texte.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <cctype>

namespace echange {

namespace {

// One property line, unfolded: NAME;PARAM=VALUE;BARE:value.
struct Propriete {
    QByteArray nom;                                            // in capitals, without its group
    std::vector<std::pair<QByteArray, QByteArray>> parametres; // keys in capitals; "" for bare
    QByteArray valeur;

    QByteArray parametre(const char* cle) const
    {
        for (const auto& [k, v] : parametres)
            if (k == cle)
                return v;
        return {};
    }
    // A bare 2.1 parameter (QUOTED-PRINTABLE) or the value of ENCODING.
    bool encodage(const char* nomEncodage) const
    {
        for (const auto& [k, v] : parametres)
            if ((k.isEmpty() || k == "ENCODING") && v.toUpper() == nomEncodage)
                return true;
        return false;
    }
};

// The positions of a separator outside double quotes.
QList<qsizetype> separateurs(const QByteArray& texte, char separateur, qsizetype fin)
{
    QList<qsizetype> positions;
    bool guillemets = false;
    for (qsizetype i = 0; i < fin; ++i) {
        if (texte[i] == '"')
            guillemets = !guillemets;
        else if (texte[i] == separateur && !guillemets)
            positions << i;
    }
    return positions;
}

bool lirePropriete(const QByteArray& ligne, Propriete& p)
{
    const QList<qsizetype> deuxPoints = separateurs(ligne, ':', ligne.size());
    if (deuxPoints.isEmpty())
        return false;
    const qsizetype fin = deuxPoints.first();
    p.valeur = ligne.mid(fin + 1);
    QList<qsizetype> bornes = separateurs(ligne, ';', fin);
    bornes << fin;
    QByteArray nom = ligne.left(bornes.first()).trimmed().toUpper();
    p.nom = nom.mid(nom.lastIndexOf('.') + 1);
    for (qsizetype i = 0; i + 1 < bornes.size(); ++i) {
        const QByteArray parametre = ligne.mid(bornes[i] + 1, bornes[i + 1] - bornes[i] - 1);
        const qsizetype egal = parametre.indexOf('=');
        QByteArray valeur = egal < 0 ? parametre : parametre.mid(egal + 1);
        if (valeur.startsWith('"') && valeur.endsWith('"') && valeur.size() >= 2)
            valeur = valeur.mid(1, valeur.size() - 2);
        p.parametres.emplace_back(
            egal < 0 ? QByteArray() : parametre.left(egal).trimmed().toUpper(), valeur.trimmed());
    }
    return true;
}

QByteArray decoderQuotedPrintable(const QByteArray& texte)
{
    QByteArray octets;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        if (texte[i] == '=' && i + 2 < texte.size()) {
            bool hex = false;
            const int valeur = texte.mid(i + 1, 2).toInt(&hex, 16);
            if (hex) {
                octets += char(valeur);
                i += 2;
                continue;
            }
        }
        octets += texte[i];
    }
    return octets;
}

// "NAME:" or "NAME;" (a group before it too): a line that starts a
// property, not one that goes on with the one before.
bool debutDePropriete(const QByteArray& ligne)
{
    qsizetype i = 0;
    while (i < ligne.size() && (std::isalnum(static_cast<unsigned char>(ligne[i])) ||
                                ligne[i] == '-' || ligne[i] == '_' || ligne[i] == '.'))
        ++i;
    return i > 0 && i < ligne.size() && (ligne[i] == ':' || ligne[i] == ';');
}

// The value's text: quoted-printable or base64 undone, then read in its
// CHARSET, by default UTF-8 when it is valid, else Windows-1252.
QString texte(const Propriete& p)
{
    QByteArray octets = p.valeur;
    if (p.encodage("QUOTED-PRINTABLE"))
        octets = decoderQuotedPrintable(octets);
    else if (p.encodage("B") || p.encodage("BASE64"))
        octets = QByteArray::fromBase64(octets);
    const QByteArray jeu = p.parametre("CHARSET").toUpper();
    if (jeu == "UTF-8" || jeu == "UTF8") {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString resultat = utf8.decode(octets);
        if (!utf8.hasError())
            return resultat;
    } else if (jeu == "ISO-8859-1" || jeu == "LATIN1") {
        return QString::fromLatin1(octets);
    } else if (!jeu.isEmpty() && jeu != "WINDOWS-1252" && jeu != "CP1252") {
        QStringDecoder decodeur(jeu.constData());
        if (decodeur.isValid()) {
            const QString resultat = decodeur.decode(octets);
            if (!decodeur.hasError())
                return resultat;
        }
    }
    return QString::fromStdString(socle::decodeUtf8OrWindows1252(
        std::string_view(octets.constData(), size_t(octets.size()))));
}

// The components of a structured value (N), separated by unescaped ";",
// with \, \; \\ and \n undone.
QStringList composantes(const QString& valeur)
{
    QStringList liste{QString()};
    for (qsizetype i = 0; i < valeur.size(); ++i) {
        const QChar c = valeur[i];
        if (c == QLatin1Char('\\') && i + 1 < valeur.size()) {
            const QChar suivant = valeur[++i];
            liste.last() += (suivant == QLatin1Char('n') || suivant == QLatin1Char('N'))
                                ? QChar(QLatin1Char(' '))
                                : suivant;
        } else if (c == QLatin1Char(';')) {
            liste << QString();
        } else {
            liste.last() +=
                (c == QLatin1Char('\n') || c == QLatin1Char('\r')) ? QLatin1Char(' ') : c;
        }
    }
    return liste;
}

QString texteSimple(const Propriete& p)
{
    return composantes(texte(p)).join(QLatin1Char(';')).simplified();
}

// "Prefix Given Additional Family Suffix" from N.
// N's given names (its second part) and additional names (its third).
std::pair<QString, QString> prenomsDepuisN(const Propriete& p)
{
    const QStringList n = composantes(texte(p));
    const auto partie = [&n](qsizetype i) {
        return i < n.size() ? QString(n[i]).replace(QLatin1Char(','), QLatin1Char(' ')).simplified()
                            : QString();
    };
    return {partie(1), partie(2)};
}

QString nomDepuisN(const Propriete& p)
{
    const QStringList n = composantes(texte(p));
    QStringList mots;
    for (const int i : {3, 1, 2, 0, 4})
        if (i < n.size())
            mots << QString(n[i]).replace(QLatin1Char(','), QLatin1Char(' ')).simplified();
    mots.removeAll(QString());
    return mots.join(QLatin1Char(' '));
}

enum class Date { Lue, Absente, Illisible };

// The year iOS and CardBook write for a birthday without one (with
// X-APPLE-OMIT-YEAR, which servers drop).
constexpr int AnneeOmiseParApple = 1604;

// BDAY: a day and month, and the year when there is one. The forms address
// books write, and those alone: 1985-04-12 or 19850412 (a time part after
// them aside), --04-12 or --0412 without a year; a year, a month or a day
// alone is no day to wish; an empty BDAY is no birthday.
Date lireNaissance(const Propriete& p, Naissance& naissance)
{
    if (p.parametre("VALUE").toUpper() == "TEXT")
        return Date::Absente; // "circa 1800": no day to wish
    QString v = texte(p).trimmed();
    if (v.isEmpty())
        return Date::Absente;
    if (const qsizetype t = v.indexOf(QLatin1Char('T')); t >= 0)
        v.truncate(t);
    static const QRegularExpression complete(QStringLiteral("^(\\d{4})(-?)(\\d{2})\\2(\\d{2})$"));
    static const QRegularExpression sansAnnee(QStringLiteral("^--(\\d{2})-?(\\d{2})$"));
    static const QRegularExpression partielle(
        QStringLiteral("^(\\d{4}|\\d{4}-\\d{2}|\\d{6}|--\\d{2}|---\\d{2})$"));
    int annee = 0;
    if (const QRegularExpressionMatch m = complete.match(v); m.hasMatch()) {
        annee = m.captured(1).toInt();
        naissance.mois = m.captured(3).toInt();
        naissance.jour = m.captured(4).toInt();
    } else if (const QRegularExpressionMatch s = sansAnnee.match(v); s.hasMatch()) {
        naissance.mois = s.captured(1).toInt();
        naissance.jour = s.captured(2).toInt();
    } else if (partielle.match(v).hasMatch()) {
        return Date::Absente;
    } else {
        return Date::Illisible;
    }
    // Apple writes a year it asks to leave out; 0000 is no year either.
    const QByteArray omis = p.parametre("X-APPLE-OMIT-YEAR");
    if (annee == 0 || annee == AnneeOmiseParApple || (!omis.isEmpty() && omis.toInt() == annee))
        naissance.annee.reset();
    else if (anneeDeNaissanceValable(annee))
        naissance.annee = annee;
    else
        return Date::Illisible; // no agenda writes it
    if (!QDate(naissance.annee.value_or(2000), naissance.mois, naissance.jour).isValid())
        return Date::Illisible;
    return Date::Lue;
}

// Text of a vCard value: \ , ; and line ends escaped.
QByteArray echapper(const QString& texte)
{
    QByteArray octets;
    for (const char c : texte.toUtf8()) {
        if (c == '\\' || c == ',' || c == ';')
            octets += '\\';
        if (c == '\n')
            octets += "\\n";
        else if (c != '\r')
            octets += c;
    }
    return octets;
}

// Lines of at most 75 octets, never cutting a character in two.
QByteArray plier(const QByteArray& ligne)
{
    QByteArray plie;
    qsizetype debut = 0, largeur = 75;
    while (ligne.size() - debut > largeur) {
        qsizetype coupe = debut + largeur;
        while (coupe > debut && (uchar(ligne[coupe]) & 0xC0) == 0x80)
            --coupe;
        plie += ligne.mid(debut, coupe - debut) + "\r\n ";
        debut = coupe;
        largeur = 74;
    }
    return plie + ligne.mid(debut) + "\r\n";
}

} // namespace

socle::Fiche anniversaireDe(const Carte& carte)
{
    const Naissance& n = *carte.naissance;
    return {carte.nom.toStdString(), socle::cleDuJour(n.jour, n.mois),
            n.annee ? QString::number(*n.annee).rightJustified(4, QLatin1Char('0')).toStdString()
                    : std::string(socle::AnneeInconnue),
            " "};
}

LectureVcard lireVcard(const QByteArray& octets)
{
    LectureVcard lecture;
    const auto echec = [&lecture](int ligne, const QString& raison) {
        lecture.erreur = raison;
        lecture.ligneErreur = ligne;
        lecture.cartes.clear();
        return lecture;
    };

    // UTF-16 (some Windows address books) when its byte-order mark says so;
    // a text with NUL bytes and no mark is in no encoding Tarvelon reads.
    QByteArray utf8;
    if (octets.startsWith("\xFF\xFE") || octets.startsWith("\xFE\xFF") ||
        octets.left(4096).contains('\0')) {
        QString raison;
        const std::optional<QString> texte = texteDuFichier(octets, &raison);
        if (!texte)
            return echec(1, raison);
        utf8 = texte->toUtf8();
    }
    QList<QByteArray> physiques = (utf8.isNull() ? octets : utf8).split('\n');
    for (QByteArray& l : physiques)
        if (l.endsWith('\r'))
            l.chop(1);
    if (!physiques.isEmpty() && physiques.first().startsWith("\xEF\xBB\xBF"))
        physiques.first().remove(0, 3);

    int profondeur = 0;
    bool version21 = false;
    Carte carte;
    QString fn, n;
    int ligneFn = 0, ligneN = 0;
    for (qsizetype i = 0; i < physiques.size();) {
        const int numero = int(i) + 1;
        QByteArray ligne = physiques[i++];
        // Unfolding: a quoted-printable line ending with "=" goes on; so does
        // a line followed by one that begins with a blank (2.1 keeps the blank).
        // Where the name ends is looked for once, in what each piece adds:
        // the time stays linear in the line's length.
        qsizetype fin = -1;
        bool imprimable = false; // quoted-printable
        const auto chercherFin = [&](qsizetype depuis) {
            if (fin >= 0)
                return;
            fin = ligne.indexOf(':', depuis);
            imprimable = fin > 0 && ligne.left(fin).toUpper().contains("QUOTED-PRINTABLE");
        };
        chercherFin(0);
        while (i < physiques.size()) {
            const QByteArray& suivante = physiques[i];
            const qsizetype avant = ligne.size();
            if (imprimable && ligne.endsWith('=')) {
                ligne.chop(1);
                ligne += suivante;
            } else if (fin > 0 && ligne.endsWith('=') && !suivante.isEmpty() &&
                       !debutDePropriete(suivante)) {
                // A soft line break whose parameter a server dropped (DAViCal
                // serves Outlook's cards so): the value is quoted-printable.
                ligne.insert(fin, ";ENCODING=QUOTED-PRINTABLE");
                fin += 26;
                imprimable = true;
                continue;
            } else if (!suivante.isEmpty() && (suivante[0] == ' ' || suivante[0] == '\t')) {
                ligne += version21 ? QByteArrayView(suivante) : QByteArrayView(suivante).sliced(1);
                chercherFin(avant);
            } else {
                break;
            }
            ++i;
        }
        if (ligne.trimmed().isEmpty())
            continue;

        Propriete p;
        if (!lirePropriete(ligne, p))
            return echec(numero, QStringLiteral("cette ligne n'est pas une ligne de vCard "
                                                "(il lui manque « : »)"));
        const QByteArray valeur = p.valeur.trimmed().toUpper();
        if (p.nom == "BEGIN") {
            if (profondeur == 0 && valeur != "VCARD")
                return echec(numero, QStringLiteral("« BEGIN:%1 » : ce n'est pas une carte de "
                                                    "visite (vCard)")
                                         .arg(QString::fromUtf8(p.valeur.trimmed())));
            if (profondeur++ == 0) {
                carte = Carte{numero, {}, std::nullopt, {}, {}, {}};
                fn.clear();
                n.clear();
                ligneFn = ligneN = 0;
                version21 = false;
            }
            continue;
        }
        if (p.nom == "END") {
            if (profondeur == 0)
                return echec(numero, QStringLiteral("« END » sans « BEGIN:VCARD » avant lui"));
            if (--profondeur == 0) {
                // A card with no name is passed over by the import; a name
                // that cannot be an entry's refuses the file.
                carte.nom = nomLu(fn.isEmpty() ? n : fn);
                if (!carte.nom.isEmpty())
                    if (const std::optional<QString> refus = refusDuNom(carte.nom))
                        return echec(fn.isEmpty() ? ligneN : ligneFn, *refus);
                lecture.cartes.push_back(carte);
            }
            continue;
        }
        if (profondeur == 0)
            return echec(numero, QStringLiteral("cette ligne est en dehors de toute carte "
                                                "(« BEGIN:VCARD » manque)"));
        if (profondeur > 1)
            continue; // a card inside the card (AGENT of 2.1)
        if (p.nom == "VERSION") {
            version21 = valeur == "2.1";
        } else if ((p.nom == "FN" || p.nom == "N") && p.valeur.size() > 16 * LongueurMaxNom) {
            // Not even decoded: no name is that long.
            return echec(
                numero,
                QStringLiteral("le prénom a plus de %1 caractères")
                    .arg(QLocale(QLocale::French, QLocale::France).toString(LongueurMaxNom)));
        } else if (p.nom == "FN") {
            fn = texteSimple(p);
            ligneFn = numero;
        } else if (p.nom == "N") {
            n = nomDepuisN(p);
            std::tie(carte.prenom, carte.autresPrenoms) = prenomsDepuisN(p);
            ligneN = numero;
        } else if (p.nom == "UID") {
            carte.uid = texteSimple(p);
        } else if (p.nom == "BDAY") {
            Naissance naissance;
            switch (lireNaissance(p, naissance)) {
            case Date::Lue:
                carte.naissance = naissance;
                break;
            case Date::Absente:
                break;
            case Date::Illisible:
                return echec(numero, QStringLiteral("la date de naissance « %1 » est illisible")
                                         .arg(texte(p).trimmed()));
            }
        }
    }
    if (profondeur > 0)
        return echec(carte.ligne, QStringLiteral("la carte commencée ici n'est jamais terminée "
                                                 "(« END:VCARD » manque)"));
    if (lecture.cartes.empty())
        return echec(1, QStringLiteral("ce fichier ne contient aucune carte de visite "
                                       "(« BEGIN:VCARD »)"));
    return lecture;
}

QByteArray ecrireVcard(const std::vector<socle::Fiche>& anniversaires)
{
    QByteArray octets;
    Identites identites;
    for (const socle::Fiche& fiche : anniversaires) {
        const std::optional<socle::JourDeLAnnee> jour = socle::lireCleDuJour(fiche.date);
        if (!jour)
            continue;
        // A year no address book takes back (out of range, or that has no
        // such day) is left out, as for an agenda.
        std::optional<int> annee = socle::anneeDeNaissance(fiche.annee);
        if (annee && (!anneeDeNaissanceValable(*annee) || *annee == AnneeOmiseParApple ||
                      !QDate(*annee, jour->mois, jour->jour).isValid()))
            annee.reset();
        QByteArray bday = annee ? QByteArray::number(*annee).rightJustified(4, '0') : "--";
        bday += QByteArray::number(jour->mois).rightJustified(2, '0') +
                QByteArray::number(jour->jour).rightJustified(2, '0');
        const QByteArray nom = echapper(QString::fromStdString(fiche.nom));
        octets +=
            "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:urn:uuid:" + uuidDe(identites.anniversaire(fiche)) +
            "\r\n" + plier("FN:" + nom) + plier("N:;" + nom + ";;;") + "BDAY:" + bday +
            "\r\nEND:VCARD\r\n";
    }
    return octets;
}

} // namespace echange
