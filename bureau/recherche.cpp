#include "bureau/recherche.h"

#include "socle/jours.h"
#include "socle/proches.h"
#include "socle/sqlite.h"
#include "socle/texte.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
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

// "23 avril"
QString jourEnLettres(const std::string& cle)
{
    const std::optional<socle::JourDeLAnnee> j = socle::lireCleDuJour(cle);
    if (!j)
        return QString::fromStdString(cle);
    return QStringLiteral("%1 %2").arg(j->jour).arg(QString::fromUtf8(Mois[size_t(j->mois - 1)]));
}

} // namespace

QString plier(QStringView terme)
{
    terme = terme.left(LongueurMaxTerme);
    // Plain ASCII, the most common, needs no decomposition.
    bool ascii = true;
    for (const QChar c : terme)
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return terme.toString().toLower();
    const QString decompose = terme.toString().normalized(QString::NormalizationForm_D);
    QString plie;
    plie.reserve(decompose.size());
    for (const QChar c : decompose)
        if (c.category() != QChar::Mark_NonSpacing)
            plie.append(c);
    return plie.toCaseFolded();
}

namespace {

QString echapper(const std::string& champ)
{
    return QString::fromStdString(champ)
        .replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char(';'), QLatin1String("%3B"));
}

} // namespace

QString idDe(const socle::Fiche& f)
{
    return echapper(f.date) + QLatin1Char(';') + echapper(f.annee) + QLatin1Char(';') +
           echapper(f.nom);
}

std::optional<socle::Fiche> ficheDeLId(const QString& id)
{
    const QStringList champs = id.split(QLatin1Char(';'));
    if (champs.size() != 3)
        return std::nullopt;
    const auto champ = [&champs](int i) {
        return QByteArray::fromPercentEncoding(champs[i].toUtf8()).toStdString();
    };
    return socle::Fiche{champ(2), champ(0), champ(1), " "};
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
    m_mots.reserve(m_fiches.size());
    for (const socle::Fiche& f : m_fiches) {
        // Words: what blanks, hyphens and apostrophes part.
        const QString nom = plier(QString::fromStdString(f.nom));
        QStringList mots;
        qsizetype debut = 0;
        for (qsizetype i = 0; i <= nom.size(); ++i)
            if (i == nom.size() || nom[i].isSpace() || nom[i] == QLatin1Char('-') ||
                nom[i] == QLatin1Char('\'')) {
                if (i > debut)
                    mots << nom.mid(debut, i - debut);
                debut = i + 1;
            }
        m_mots.push_back(std::move(mots));
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
    const std::optional<socle::Fiche> voulue = ficheDeLId(id);
    if (!voulue)
        return nullptr;
    for (const socle::Fiche& f : m_fiches)
        if (f.date == voulue->date && f.annee == voulue->annee && f.nom == voulue->nom)
            return &f;
    return nullptr;
}

std::vector<socle::Fiche> prochesAFeter(const QString& calendrier)
{
    std::vector<socle::Fiche> fiches;
    socle::Database base;
    if (calendrier.isEmpty() ||
        !base.open(QFile::encodeName(calendrier).toStdString(), socle::OpenMode::ReadOnly))
        return fiches;
    base.setBusyTimeout(0);
    std::vector<socle::Proche> proches;
    if (socle::lireProches(base, proches) != socle::SqliteOk)
        return fiches;
    for (const socle::Proche& p : proches)
        if (p.souhaiter && !p.jour.empty())
            fiches.push_back({p.nom, p.jour, std::string(socle::AnneeNomDeFete), " "});
    return fiches;
}

Index lireIndex(const QString& fichier, const QString& calendrier)
{
    QFile f(fichier);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return indexDe(f.readAll(), prochesAFeter(calendrier));
}

Index indexDe(const QByteArray& ics, std::vector<socle::Fiche> enPlus)
{
    // Tarvelon's own file: each entry whole on its event, one property a
    // line once the folded lines are joined. Read by hand: libical takes
    // seconds over 100,000 entries, where the desktop's search waits.
    std::vector<std::pair<long long, socle::Fiche>> fiches; // with its place in the table
    constexpr QByteArrayView Propriete("\nX-TARVELON-FICHE");
    for (qsizetype i = ics.indexOf(Propriete); i >= 0; i = ics.indexOf(Propriete, i + 1)) {
        // The property's line, with the lines folded after it.
        QByteArray ligne;
        qsizetype debut = i + 1;
        for (;;) {
            qsizetype fin = ics.indexOf('\n', debut);
            if (fin < 0)
                fin = ics.size();
            ligne += QByteArrayView(ics).sliced(debut, fin - debut).trimmed();
            if (fin + 1 >= ics.size() || (ics[fin + 1] != ' ' && ics[fin + 1] != '\t'))
                break;
            debut = fin + 2;
        }
        const qsizetype valeur = ligne.indexOf(':');
        const qsizetype apres = Propriete.size() - 1; // the name's end
        if (valeur < 0 || ligne.size() <= apres || (ligne[apres] != ':' && ligne[apres] != ';'))
            continue;
        const QList<QByteArray> champs = ligne.sliced(valeur + 1).split(';');
        if (champs.size() != socle::NombreDeChamps)
            continue;
        socle::Fiche fiche;
        for (int c = 0; c < socle::NombreDeChamps; ++c)
            // As text: what is not UTF-8 is shown (and named in an id) as U+FFFD.
            fiche[socle::Champ(c)] =
                QString::fromUtf8(QByteArray::fromPercentEncoding(champs[c])).toStdString();
        // X-RANG=n, the entry's place in the table.
        const qsizetype rang = ligne.left(valeur).indexOf("X-RANG=");
        const long long place =
            rang < 0 ? 0 : ligne.mid(rang + 7, valeur - rang - 7).split(';').front().toLongLong();
        fiches.emplace_back(place, std::move(fiche));
    }
    std::stable_sort(fiches.begin(), fiches.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<socle::Fiche> rangees;
    rangees.reserve(fiches.size());
    for (auto& [place, fiche] : fiches)
        rangees.push_back(std::move(fiche));
    for (socle::Fiche& f : enPlus)
        rangees.push_back(std::move(f));
    return Index(std::move(rangees));
}

} // namespace bureau
