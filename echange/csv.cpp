#include "echange/csv.h"

#include "socle/jours.h"
#include "socle/texte.h"

#include <QStringList>
#include <array>

namespace echange {

namespace {

const std::array<QString, 4> Champs = {QStringLiteral("Nom"), QStringLiteral("Date"),
                                       QStringLiteral("Annee"), QStringLiteral("MF")};

// Quoted when it holds a separator, a quote, a line end or an outer blank
// (the sex code of a birthday is one blank).
QByteArray champ(const std::string& texte)
{
    const QString valeur = QString::fromStdString(texte);
    QByteArray octets = valeur.toUtf8();
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

QByteArray ecrireCsv(const std::vector<socle::Fiche>& fiches)
{
    QByteArray octets = "Nom,Date,Annee,MF\r\n";
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
    QByteArrayView sansMarque(octets);
    if (sansMarque.startsWith("\xEF\xBB\xBF"))
        sansMarque = sansMarque.sliced(3);
    const QString texte = QString::fromStdString(socle::decodeUtf8OrWindows1252(
        std::string_view(sansMarque.data(), size_t(sansMarque.size()))));

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
        } else if (c == QLatin1Char(',')) {
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
    const QStringList& entete = enregistrements.front().second;
    std::array<qsizetype, 4> colonne{};
    for (size_t f = 0; f < Champs.size(); ++f) {
        colonne[f] = -1;
        for (qsizetype c = 0; c < entete.size(); ++c)
            if (entete[c].trimmed().compare(Champs[f], Qt::CaseInsensitive) == 0)
                colonne[f] = c;
        if (colonne[f] < 0 || entete.size() != 4)
            return echec(enregistrements.front().first,
                         QStringLiteral("la ligne d'en-tête doit nommer les quatre champs "
                                        "Nom, Date, Annee et MF"));
    }
    for (size_t r = 1; r < enregistrements.size(); ++r) {
        const auto& [numero, champs] = enregistrements[r];
        if (champs.size() < 4)
            return echec(numero, QStringLiteral("il manque un champ (il en faut quatre : Nom, "
                                                "Date, Annee, MF)"));
        if (champs.size() > 4)
            return echec(numero, QStringLiteral("cette ligne a plus de quatre champs"));
        const socle::Fiche fiche{champs[colonne[0]].toStdString(), champs[colonne[1]].toStdString(),
                                 champs[colonne[2]].toStdString(),
                                 champs[colonne[3]].toStdString()};
        if (!socle::lireCleDuJour(fiche.date))
            return echec(numero, QStringLiteral("le jour « %1 » n'existe pas (il faut jj/mm, "
                                                "par exemple 23/04)")
                                     .arg(champs[colonne[1]]));
        lecture.fiches.push_back(fiche);
        lecture.lignes.push_back(numero);
    }
    return lecture;
}

} // namespace echange
