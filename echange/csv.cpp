#include "echange/csv.h"

#include "echange/entree.h"
#include "socle/jours.h"

#include <QStringList>
#include <array>

namespace echange {

namespace {

const std::array<QString, 4> Champs = {QStringLiteral("Nom"), QStringLiteral("Date"),
                                       QStringLiteral("Annee"), QStringLiteral("MF")};

// What a spreadsheet would take for a formula when a cell begins with it.
bool commeUneFormule(QStringView valeur)
{
    return !valeur.isEmpty() && QStringLiteral("=+-@\t\r").contains(valeur.front());
}

// Quoted when it holds a separator, a quote, a line end or an outer blank
// (the sex code of a birthday is one blank). A text a spreadsheet would run
// as a formula ("=…", and "----", the no-year marker) is written after an
// apostrophe, which spreadsheets read as "this is text"; the import drops it.
QByteArray champ(const std::string& texte)
{
    const QString valeur = QString::fromStdString(texte);
    QByteArray octets = valeur.toUtf8();
    // A text that begins with the apostrophe itself gets one too, so that
    // the import, which drops one, gives it back whole.
    if (commeUneFormule(valeur) ||
        (valeur.startsWith(QLatin1Char('\'')) && commeUneFormule(QStringView(valeur).sliced(1))))
        octets.prepend('\'');
    const bool guillemets =
        octets.contains(',') || octets.contains('"') || octets.contains('\n') ||
        octets.contains('\r') ||
        (!valeur.isEmpty() && (valeur.front().isSpace() || valeur.back().isSpace()));
    if (!guillemets)
        return octets;
    octets.replace("\"", "\"\"");
    return '"' + octets + '"';
}

} // namespace

// The header as Tarvelon writes it: what tells its own backup.
const QByteArray EnTete = "Nom,Date,Annee,MF\r\n";

QByteArray ecrireCsv(const std::vector<socle::Fiche>& fiches)
{
    QByteArray octets = EnTete;
    for (const socle::Fiche& f : fiches)
        octets +=
            champ(f.nom) + ',' + champ(f.date) + ',' + champ(f.annee) + ',' + champ(f.mf) + "\r\n";
    return octets;
}

LectureCsv lireCsv(const QByteArray& octets)
{
    LectureCsv lecture;
    const auto echec = [&lecture](int ligne, const QString& raison) {
        lecture.erreur = raison;
        lecture.ligneErreur = ligne;
        lecture.fiches.clear();
        lecture.lignes.clear();
        return lecture;
    };
    QString raison;
    const std::optional<QString> lu = texteDuFichier(octets, &raison);
    if (!lu)
        return echec(1, raison);
    const QString& texte = *lu;

    // The separator is the header's: a comma, a semicolon (what French
    // spreadsheets save) or a tab.
    const QString entete = texte.left(texte.indexOf(QLatin1Char('\n')));
    QChar separateur = QLatin1Char(',');
    if (!entete.contains(separateur))
        for (const QChar autre : {QLatin1Char(';'), QLatin1Char('\t')})
            if (entete.contains(autre))
                separateur = autre;

    // The records, each with the line it starts on.
    std::vector<std::pair<int, QStringList>> enregistrements;
    QStringList courant{QString()};
    int ligne = 1, debut = 1;
    bool guillemets = false, vide = true;
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte[i];
        if (guillemets) {
            if (c == QLatin1Char('"') && i + 1 < texte.size() && texte[i + 1] == QLatin1Char('"')) {
                courant.last() += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                guillemets = false;
            } else {
                if (c == QLatin1Char('\n'))
                    ++ligne;
                courant.last() += c;
            }
        } else if (c == QLatin1Char('"')) {
            guillemets = true;
            vide = false;
        } else if (c == separateur) {
            courant << QString();
            vide = false;
        } else if (c == QLatin1Char('\n')) {
            if (!vide) // a blank line is passed over
                enregistrements.emplace_back(debut, courant);
            courant = QStringList{QString()};
            vide = true;
            debut = ++ligne;
        } else if (c != QLatin1Char('\r') ||
                   (i + 1 < texte.size() && texte[i + 1] != QLatin1Char('\n'))) {
            courant.last() += c;
            vide = false;
        }
    }
    if (guillemets)
        return echec(debut, QStringLiteral("un guillemet ouvert n'est jamais fermé"));
    if (!vide)
        enregistrements.emplace_back(debut, courant);
    if (enregistrements.empty())
        return echec(1, QStringLiteral("le fichier est vide (il lui faut la ligne d'en-tête "
                                       "Nom,Date,Annee,MF)"));

    // The header: which column holds which field.
    const QStringList& noms = enregistrements.front().second;
    std::array<qsizetype, 4> colonne{};
    for (size_t f = 0; f < Champs.size(); ++f) {
        colonne[f] = -1;
        for (qsizetype c = 0; c < noms.size(); ++c)
            if (nomLu(noms[c]).trimmed().compare(Champs[f], Qt::CaseInsensitive) == 0)
                colonne[f] = c;
        if (colonne[f] < 0 || noms.size() != 4)
            return echec(enregistrements.front().first,
                         QStringLiteral("la ligne d'en-tête doit nommer les quatre champs "
                                        "Nom, Date, Annee et MF"));
    }
    for (size_t r = 1; r < enregistrements.size(); ++r)
        for (QString& c : enregistrements[r].second)
            if (c.startsWith(QLatin1Char('\'')) && commeUneFormule(QStringView(c).sliced(1)))
                c.remove(0, 1);
    // Tarvelon's own backup (the very bytes its export writes for these
    // entries) restores the table as it was, whatever the window let the
    // user type; any other file is checked.
    const bool sauvegarde = octets.startsWith(EnTete) && [&enregistrements, &octets] {
        std::vector<socle::Fiche> brutes;
        for (size_t r = 1; r < enregistrements.size(); ++r) {
            const QStringList& c = enregistrements[r].second;
            if (c.size() != 4)
                return false;
            brutes.push_back(
                {c[0].toStdString(), c[1].toStdString(), c[2].toStdString(), c[3].toStdString()});
        }
        return ecrireCsv(brutes) == octets;
    }();
    for (size_t r = 1; r < enregistrements.size(); ++r) {
        auto& [numero, champs] = enregistrements[r];
        if (champs.size() < 4)
            return echec(numero, QStringLiteral("il manque un champ (il en faut quatre : Nom, "
                                                "Date, Annee, MF)"));
        if (champs.size() > 4)
            return echec(numero, QStringLiteral("cette ligne a plus de quatre champs"));
        if (sauvegarde) {
            const socle::Fiche f{nomLu(champs[colonne[0]]).toStdString(),
                                 champs[colonne[1]].toStdString(), champs[colonne[2]].toStdString(),
                                 champs[colonne[3]].toStdString()};
            if (const std::optional<QString> refus = refusDeLaSauvegarde(f))
                return echec(numero, *refus);
            lecture.fiches.push_back(f);
            lecture.lignes.push_back(numero);
            continue;
        }

        const QString nom = nomLu(champs[colonne[0]]);
        if (const std::optional<QString> refus = refusDuNom(nom))
            return echec(numero, *refus);
        // A spreadsheet writes a day back as a full date: its day is kept.
        const QString date = champs[colonne[1]].trimmed();
        const std::optional<socle::JourDeLAnnee> jour = jourEcrit(date);
        if (!jour)
            return echec(numero, QStringLiteral("le jour « %1 » n'existe pas (il faut jj/mm, "
                                                "par exemple 23/04)")
                                     .arg(date));
        // A spreadsheet drops the name day's leading zeros: 0 is 0000.
        const QString annee = champs[colonne[2]].trimmed();
        std::string anneeLue;
        const bool zeros =
            !annee.isEmpty() && annee.size() <= 4 && annee.count(QLatin1Char('0')) == annee.size();
        if (zeros)
            anneeLue = socle::AnneeNomDeFete;
        else if (annee.toStdString() == socle::AnneeInconnue ||
                 (socle::anneeDeNaissance(annee.toStdString()) &&
                  anneeDeNaissanceValable(*socle::anneeDeNaissance(annee.toStdString()))))
            anneeLue = annee.toStdString();
        else
            return echec(numero,
                         QStringLiteral("l'année « %1 » n'est ni 0000 (une fête), ni une année "
                                        "de naissance de quatre chiffres, ni ---- (une année "
                                        "inconnue)")
                             .arg(annee));
        const QString mf = champs[colonne[3]];
        if (!mf.isEmpty() && mf != QLatin1String("M") && mf != QLatin1String("F") &&
            mf != QLatin1String(" "))
            return echec(numero, QStringLiteral("le sexe « %1 » n'est ni M, ni F, ni une espace, "
                                                "ni vide")
                                     .arg(mf));
        lecture.fiches.push_back({nom.toStdString(), socle::cleDuJour(jour->jour, jour->mois),
                                  std::move(anneeLue), mf.toStdString()});
        lecture.lignes.push_back(numero);
    }
    return lecture;
}

} // namespace echange
