#include "bureau/recherche.h"

#include "echange/icalendar.h"
#include "socle/jours.h"
#include "socle/texte.h"

#include <QFile>
#include <QRegularExpression>
#include <array>

namespace bureau {

namespace {

constexpr std::array<const char*, 12> Mois{"janvier",   "février", "mars",     "avril",
                                           "mai",       "juin",    "juillet",  "août",
                                           "septembre", "octobre", "novembre", "décembre"};

// A day a term names: "23/04", "23/4", "23 avril", "23 avr"; empty otherwise.
std::string jourNomme(const QStringList& termes)
{
    static const QRegularExpression chiffres(QStringLiteral("^(\\d{1,2})/(\\d{1,2})$"));
    if (termes.size() == 1)
        if (const QRegularExpressionMatch m = chiffres.match(termes.front()); m.hasMatch())
            return socle::cleDuJour(m.captured(1).toInt(), m.captured(2).toInt());
    if (termes.size() == 2 && termes[1].size() >= 3) {
        bool nombre = false;
        const int jour = termes[0].toInt(&nombre);
        if (nombre)
            for (size_t m = 0; m < Mois.size(); ++m)
                if (plier(QString::fromUtf8(Mois[m])).startsWith(termes[1]))
                    return socle::cleDuJour(jour, int(m) + 1);
    }
    return {};
}

} // namespace

QString plier(QStringView terme)
{
    const QString decompose =
        terme.left(LongueurMaxTerme).toString().normalized(QString::NormalizationForm_D);
    QString plie;
    plie.reserve(decompose.size());
    for (const QChar c : decompose)
        if (c.category() != QChar::Mark_NonSpacing)
            plie.append(c);
    return plie.toCaseFolded();
}

QString idDe(const socle::Fiche& f)
{
    return QStringLiteral("%1;%2;%3")
        .arg(QString::fromStdString(f.date), QString::fromStdString(f.annee),
             QString::fromStdString(f.nom));
}

QString jourEnLettres(const std::string& cle)
{
    const std::optional<socle::JourDeLAnnee> j = socle::lireCleDuJour(cle);
    if (!j)
        return QString::fromStdString(cle);
    return QStringLiteral("%1 %2").arg(j->jour).arg(QString::fromUtf8(Mois[size_t(j->mois - 1)]));
}

QString titreDe(const socle::Fiche& f, int annee)
{
    const QString nom = QString::fromStdString(f.nom);
    const QString jour = jourEnLettres(f.date);
    if (f.estFete())
        return QStringLiteral("%1 — fête le %2").arg(nom, jour);
    if (const std::optional<int> naissance = socle::anneeDeNaissance(f.annee))
        return QStringLiteral("%1 — anniversaire le %2 (%3 ans)")
            .arg(nom, jour)
            .arg(annee - *naissance);
    return QStringLiteral("%1 — anniversaire le %2").arg(nom, jour);
}

Index::Index(std::vector<socle::Fiche> fiches) : m_fiches(std::move(fiches))
{
    static const QRegularExpression separateurs(QStringLiteral("[\\s\\-']+"));
    m_mots.reserve(m_fiches.size());
    for (size_t i = 0; i < m_fiches.size(); ++i) {
        m_mots.push_back(
            plier(QString::fromStdString(m_fiches[i].nom)).split(separateurs, Qt::SkipEmptyParts));
        m_parId.emplace(idDe(m_fiches[i]), i);
    }
}

std::vector<Resultat> Index::chercher(const QStringList& termes, int annee, size_t maximum) const
{
    QStringList plies;
    for (const QString& t : termes.mid(0, TermesAuPlus))
        if (const QString p = plier(t).trimmed(); !p.isEmpty())
            plies << p;
    std::vector<Resultat> trouves;
    if (plies.isEmpty())
        return trouves;
    const std::string jour = jourNomme(plies);
    for (size_t i = 0; i < m_fiches.size() && trouves.size() < maximum; ++i) {
        const socle::Fiche& f = m_fiches[i];
        bool trouve = !jour.empty() && f.date == jour;
        if (!trouve) {
            trouve = true;
            for (const QString& t : plies) {
                bool debut = false;
                for (const QString& mot : m_mots[i])
                    if (mot.startsWith(t)) {
                        debut = true;
                        break;
                    }
                if (!debut) {
                    trouve = false;
                    break;
                }
            }
        }
        if (trouve)
            trouves.push_back({idDe(f), titreDe(f, annee)});
    }
    return trouves;
}

const socle::Fiche* Index::fiche(const QString& id) const
{
    const auto it = m_parId.find(id);
    return it == m_parId.end() ? nullptr : &m_fiches[it->second];
}

Index lireIndex(const QString& fichier)
{
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // Tarvelon's own file: each entry whole on its event.
    return Index(echange::lireIcalendar(f.readAll()).fiches);
}

} // namespace bureau
