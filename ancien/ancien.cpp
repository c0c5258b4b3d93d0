#include "ancien/ancien.h"

#include "echange/entree.h"
#include "socle/fetes.h"
#include "socle/fichier.h"
#include "socle/jours.h"
#include "socle/parametres.h"
#include "socle/raisons.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ancien {

namespace {

// The window's boxes: Nom, Date, Annee, MF.
constexpr int Largeurs[socle::NombreDeChamps] = {30, 5, 4, 1};
const char* const Cases[socle::NombreDeChamps] = {"Prénom", "Date", "Année", "Sexe"};

// A wave file larger than this is no sound of the old program.
constexpr std::size_t TailleMaxSon = std::size_t(64) << 20;

std::string natif(const QString& chemin)
{
    return QFile::encodeName(chemin).toStdString();
}

echange::Rapport refus(const QString& fichier, const QString& raison)
{
    return {echange::Rapport::Illisible,
            QStringLiteral("Rien n'a été importé de %1 : %2.").arg(fichier, raison)};
}

QString raisonAccess(const TableAccess& table)
{
    switch (table.issue) {
    case TableAccess::Lue:
        break;
    case TableAccess::Absente:
        return QStringLiteral("le fichier n'existe pas ou n'est pas un fichier ordinaire");
    case TableAccess::Vide:
        return QStringLiteral("le fichier est vide");
    case TableAccess::PasAccess:
        return QStringLiteral("ce n'est pas une base de données Access (.mdb ou .accdb)");
    case TableAccess::VersionInconnue:
        return QStringLiteral("cette version d'Access n'est pas connue de Tarvelon");
    case TableAccess::Coupee:
        return QStringLiteral("le fichier est coupé : il s'arrête avant sa fin (une copie "
                              "interrompue ?)");
    case TableAccess::TropGrande:
        return QStringLiteral("le fichier est trop grand pour une base de Tarvelon (plus de "
                              "256 Mo)");
    case TableAccess::Illisible:
        return QStringLiteral("le fichier est endommagé : ses tables ne peuvent pas être lues");
    case TableAccess::SansTable:
        return QStringLiteral("la base ne contient pas de table Fetes");
    case TableAccess::SansChamp:
        return QStringLiteral("la table Fetes n'a pas le champ %1")
            .arg(QString::fromStdString(table.champ));
    case TableAccess::Incomplete:
        if (table.lignes.empty())
            return QStringLiteral("le fichier est incomplet : la table Fetes annonce %1 fiches, "
                                  "aucune ne peut être lue")
                .arg(table.annoncees);
        return QStringLiteral("le fichier est incomplet : la table Fetes annonce %1 fiches, "
                              "%2 seulement peuvent être lues")
            .arg(table.annoncees)
            .arg(table.lignes.size());
    case TableAccess::Endommagee:
        return QStringLiteral("le fichier est endommagé : sa lecture a échoué");
    case TableAccess::SansLecteur:
        return QStringLiteral("le programme qui lit les bases Access (tarvelon-lecture-access) "
                              "est introuvable");
    }
    return {};
}

// A name of a folder's entry, letter case aside (the old system's files keep
// the case they were given, and it ignores it).
std::optional<QString> trouver(const QString& dossier, const QString& nom)
{
    const QDir d(dossier);
    if (d.exists(nom))
        return d.filePath(nom);
    for (const QString& entree :
         d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (entree.compare(nom, Qt::CaseInsensitive) == 0)
            return d.filePath(entree);
    return std::nullopt;
}

enum class Copie { Faite, DejaLa, Absente, PasUnSon, Refusee };

// Copies a file, never over anything already there.
Copie copier(const QString& source, const QString& destination, bool son, QString* raison)
{
    std::string octets;
    if (!socle::readRegularFile(natif(source), octets, TailleMaxSon + 1))
        return Copie::Absente;
    if (son && (octets.size() > TailleMaxSon || octets.size() < 12 ||
                octets.compare(0, 4, "RIFF") != 0 || octets.compare(8, 4, "WAVE") != 0))
        return Copie::PasUnSon;
    const std::string cible = natif(destination);
    const int fd =
        ::open(cible.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            return Copie::DejaLa;
        *raison = QString::fromLocal8Bit(std::strerror(errno));
        return Copie::Refusee;
    }
    bool ecrit = true;
    for (size_t fait = 0; ecrit && fait < octets.size();) {
        const ssize_t n = ::write(fd, octets.data() + fait, octets.size() - fait);
        if (n < 0 && errno == EINTR)
            continue;
        ecrit = n > 0;
        if (ecrit)
            fait += size_t(n);
    }
    ecrit = ::fsync(fd) == 0 && ecrit;
    if (::close(fd) != 0)
        ecrit = false;
    if (!ecrit) {
        *raison = QStringLiteral("erreur d'écriture (disque plein ?)");
        ::unlink(cible.c_str()); // ours, half written
        return Copie::Refusee;
    }
    return Copie::Faite;
}

QString enumeration(const QStringList& noms)
{
    if (noms.size() < 2)
        return noms.join(QString());
    return QStringList(noms.mid(0, noms.size() - 1)).join(QStringLiteral(", ")) +
           QStringLiteral(" et ") + noms.last();
}

// The wave files the old settings name: the default sound, then the days'.
QStringList sonsNommes(const QString& inf)
{
    const socle::Parametres parametres = socle::Parametres::lire(natif(inf));
    QStringList noms;
    const auto ajouter = [&noms](const std::string& nom) {
        const QString n = QString::fromStdString(nom);
        if (!n.isEmpty() && !noms.contains(n))
            noms << n;
    };
    ajouter(parametres.valeur("Defaut", "Beep", ""));
    for (const auto& [jour, son] : parametres.section("SonsWav"))
        ajouter(son);
    return noms;
}

// The sounds: each one the old settings name, from the old folder into the
// user's installation under the very name the settings give (the window
// plays the installation directory followed by that name).
QString reprendreSons(const QString& dossier, const QString& inf, const QString& installation)
{
    QStringList repris, deja, absents, pasSons, refuses;
    for (const QString& nom : sonsNommes(inf)) {
        // A name of the old system: its separator is "\"; a drive or a way
        // out of the folder is not the installation's.
        const QStringList parties = nom.split(QLatin1Char('\\'));
        if (nom.contains(QLatin1Char('/')) || nom.contains(QLatin1Char(':')) ||
            parties.contains(QStringLiteral("..")) || parties.contains(QString())) {
            refuses << QStringLiteral("%1 (un chemin hors du dossier de Tarvelon)").arg(nom);
            continue;
        }
        std::optional<QString> source = dossier;
        for (const QString& partie : parties)
            if (source)
                source = trouver(*source, partie);
        QString raison;
        switch (source ? copier(*source, installation + nom, true, &raison) : Copie::Absente) {
        case Copie::Faite:
            repris << nom;
            break;
        case Copie::DejaLa:
            deja << nom;
            break;
        case Copie::Absente:
            absents << nom;
            break;
        case Copie::PasUnSon:
            pasSons << nom;
            break;
        case Copie::Refusee:
            refuses << QStringLiteral("%1 (%2)").arg(nom, raison);
            break;
        }
    }
    QStringList phrases;
    if (!repris.isEmpty())
        phrases << enumeration(repris) + QStringLiteral(" repris");
    if (!deja.isEmpty())
        phrases << enumeration(deja) + (deja.size() == 1
                                            ? QStringLiteral(" déjà chez vous, gardé tel quel")
                                            : QStringLiteral(" déjà chez vous, gardés tels quels"));
    if (!absents.isEmpty())
        phrases << enumeration(absents) + QStringLiteral(" : absent du dossier");
    if (!pasSons.isEmpty())
        phrases << enumeration(pasSons) + QStringLiteral(" : pas un son WAVE, non repris");
    if (!refuses.isEmpty())
        phrases << QStringLiteral("non repris : ") + enumeration(refuses);
    if (phrases.isEmpty())
        return QStringLiteral("- sons : les réglages n'en nomment aucun.");
    return QStringLiteral("- sons : ") + phrases.join(QStringLiteral(" ; ")) + QLatin1Char('.');
}

echange::Rapport importerDossier(socle::Database& base, const QString& dossier,
                                 const QString& installation)
{
    const std::optional<QString> mdb = trouver(dossier, QStringLiteral("tarvelon.mdb"));
    if (!mdb)
        return {echange::Rapport::Illisible,
                QStringLiteral("Rien n'a été repris de %1 : ce dossier ne contient pas "
                               "tarvelon.mdb (ce n'est pas une installation de Tarvelon).")
                    .arg(dossier)};
    const echange::Rapport lecture = importer(base, *mdb, installation);
    if (lecture.issue != echange::Rapport::Reussi)
        return lecture; // nothing else is taken from a folder whose calendar cannot be read

    QStringList lignes{QStringLiteral("Reprise de l'ancienne installation %1 :").arg(dossier)};
    lignes << QStringLiteral("- ") +
                  QString(lecture.texte).replace(QLatin1Char('\n'), QStringLiteral("\n  "));
    const std::optional<QString> inf = trouver(dossier, QStringLiteral("tarvelon.inf"));
    const QString vos = installation + QStringLiteral("tarvelon.inf");
    if (!inf) {
        lignes << QStringLiteral("- réglages : le dossier n'a pas de tarvelon.inf.");
    } else if (socle::natureDe(natif(vos)) != socle::Nature::Absent) {
        lignes << QStringLiteral("- réglages : vous avez déjà les vôtres (%1), gardés tels "
                                 "quels ; ceux de l'ancienne installation ne sont pas repris.")
                      .arg(vos);
    } else {
        QString raison;
        switch (copier(*inf, vos, false, &raison)) {
        case Copie::Faite:
            lignes << QStringLiteral("- réglages : tarvelon.inf repris (%1).").arg(vos);
            break;
        case Copie::DejaLa:
            lignes << QStringLiteral("- réglages : vous avez déjà les vôtres (%1), gardés tels "
                                     "quels.")
                          .arg(vos);
            break;
        case Copie::Absente:
        case Copie::PasUnSon:
            lignes << QStringLiteral("- réglages : tarvelon.inf ne peut pas être lu.");
            break;
        case Copie::Refusee:
            lignes << QStringLiteral("- réglages : tarvelon.inf n'a pas pu être copié (%1).")
                          .arg(raison);
            break;
        }
    }
    if (inf)
        lignes << reprendreSons(dossier, *inf, installation);
    return {echange::Rapport::Reussi, lignes.join(QLatin1Char('\n'))};
}

} // namespace

bool estAncien(const QString& chemin)
{
    const QString suffixe = QFileInfo(chemin).suffix().toLower();
    return suffixe == QLatin1String("mdb") || suffixe == QLatin1String("accdb") ||
           QFileInfo(chemin).isDir();
}

namespace {

// A name in a report: the start of a long one.
QString apercu(const std::string& nom)
{
    const QString n = QString::fromStdString(nom);
    return n.size() > 40 ? n.left(40) + QStringLiteral("…") : n;
}

// The rows named in a report: the first hundred, then how many more.
QString enumerer(const QStringList& lignes)
{
    if (lignes.size() <= 100)
        return lignes.join(QStringLiteral(", "));
    return lignes.first(100).join(QStringLiteral(", ")) +
           QStringLiteral(" et %1 autres").arg(lignes.size() - 100);
}

struct Examen {
    QString refus;      // why the row stays out
    QString correction; // what was mended
};

// An old row under the rules that protect the file and the terminal: no
// control character (a line end or an escape becomes a blank), a name no
// longer than any import takes, a day that exists (written dd/mm), no field
// longer than the old program's boxes held.
Examen examiner(socle::Fiche& f)
{
    Examen e;
    bool controles = false;
    for (int c = 0; c < socle::NombreDeChamps; ++c) {
        QString valeur = QString::fromStdString(f[socle::Champ(c)]);
        const qsizetype avant = valeur.size();
        if (c == 0)
            valeur = echange::nomLu(valeur);
        for (QChar& x : valeur)
            if (x.category() == QChar::Other_Control) {
                x = QLatin1Char(' ');
                controles = true;
            }
        if (c == 0 && avant != valeur.size())
            controles = true;
        f[socle::Champ(c)] = valeur.toStdString();
    }
    if (controles)
        e.correction = QStringLiteral("caractères de contrôle remplacés par des espaces");
    if (QString::fromStdString(f.nom).size() > echange::LongueurMaxNom) {
        e.refus = QStringLiteral("le prénom a plus de %1 caractères").arg(echange::LongueurMaxNom);
        return e;
    }
    if (!socle::lireCleDuJour(f.date)) {
        const std::optional<socle::JourDeLAnnee> jour =
            echange::jourEcrit(QString::fromStdString(f.date).trimmed());
        if (!jour) {
            e.refus = QStringLiteral("le jour « %1 » n'existe pas").arg(apercu(f.date));
            return e;
        }
        const std::string ecrit = socle::cleDuJour(jour->jour, jour->mois);
        e.correction += (e.correction.isEmpty() ? QString() : QStringLiteral(", ")) +
                        QStringLiteral("le jour « %1 » écrit %2")
                            .arg(QString::fromStdString(f.date), QString::fromStdString(ecrit));
        f.date = ecrit;
    }
    if (const std::optional<QString> refus = echange::refusDeLaSauvegarde(f))
        e.refus = *refus;
    return e;
}

} // namespace

echange::Rapport importerTable(socle::Database& base, const QString& fichier,
                               const TableAccess& table)
{
    if (table.issue != TableAccess::Lue)
        return refus(fichier, raisonAccess(table));

    std::vector<socle::Fiche> fiches;
    fiches.reserve(table.lignes.size());
    qsizetype fetesSansAnnee = 0, anniversairesSansAnnee = 0, vides = 0;
    QStringList longues, refusees, corrigees;
    for (const auto& ligne : table.lignes) {
        socle::Fiche f;
        for (int c = 0; c < socle::NombreDeChamps; ++c)
            f[socle::Champ(c)] = ligne[size_t(c)].value_or(std::string());
        if (f.nom.empty() && f.date.empty() && f.annee.empty() && f.mf.empty()) {
            ++vides; // nothing of an entry: a damaged page's row
            continue;
        }
        // What the old program let through comes in; what would harm the
        // file or the terminal is mended, or the row left out, and said.
        const Examen examen = examiner(f);
        if (!examen.refus.isEmpty()) {
            refusees << QStringLiteral("« %1 » (%2)").arg(apercu(f.nom), examen.refus);
            continue;
        }
        if (!examen.correction.isEmpty())
            corrigees << QStringLiteral("« %1 » (%2)").arg(apercu(f.nom), examen.correction);
        if (!ligne[size_t(socle::Champ::Annee)]) {
            // The old program showed it in neither view: it comes in where
            // its user would look for it.
            const bool fete = f.mf == "M" || f.mf == "F";
            f.annee = fete ? socle::AnneeNomDeFete : socle::AnneeInconnue;
            ++(fete ? fetesSansAnnee : anniversairesSansAnnee);
        }
        const QString nom = QString::fromStdString(f.nom);
        if (nom.size() > Largeurs[0])
            longues << QStringLiteral("« %1 » (%2, %3 caractères)")
                           .arg(nom, QString::fromUtf8(Cases[0]))
                           .arg(nom.size());
        fiches.push_back(std::move(f));
    }

    const socle::Ajout ajout = socle::ajouterFiches(base, fiches, socle::Doublons::Ecarter);
    if (ajout.code != socle::SqliteOk)
        return refus(fichier, QStringLiteral("la base de données ne peut pas être modifiée : %1")
                                  .arg(QString::fromStdString(socle::raisonSqlite(ajout.code))));
    QString texte =
        QStringLiteral("%1 : %2, %3.")
            .arg(fichier,
                 echange::compte(qsizetype(ajout.ajoutees), QStringLiteral("entrée ajoutée"),
                                 QStringLiteral("entrées ajoutées"), true),
                 echange::compte(qsizetype(ajout.presentes), QStringLiteral("déjà présente"),
                                 QStringLiteral("déjà présentes"), true));
    if (fetesSansAnnee + anniversairesSansAnnee > 0)
        texte +=
            QLatin1Char('\n') +
            QStringLiteral("%1 (l'année vide dans l'ancienne base) : %2, %3.")
                .arg(echange::compte(fetesSansAnnee + anniversairesSansAnnee,
                                     QStringLiteral("entrée sans année"),
                                     QStringLiteral("entrées sans année"), true),
                     echange::compte(fetesSansAnnee,
                                     QStringLiteral("rangée avec les fêtes (Saint ou "
                                                    "Sainte)"),
                                     QStringLiteral("rangées avec les fêtes (Saint ou "
                                                    "Sainte)"),
                                     true),
                     echange::compte(anniversairesSansAnnee,
                                     QStringLiteral("avec les anniversaires sans année"),
                                     QStringLiteral("avec les anniversaires sans année"), true));
    if (!longues.isEmpty())
        texte += QLatin1Char('\n') +
                 QStringLiteral("Plus longues que les cases de la fenêtre, gardées entières : ") +
                 longues.join(QStringLiteral(", ")) + QLatin1Char('.');
    if (!corrigees.isEmpty())
        texte += QLatin1Char('\n') + QStringLiteral("Corrigées : ") + enumerer(corrigees) +
                 QLatin1Char('.');
    if (!refusees.isEmpty())
        texte += QLatin1Char('\n') + QStringLiteral("Laissées de côté : ") + enumerer(refusees) +
                 QLatin1Char('.');
    if (vides > 0)
        texte += QLatin1Char('\n') +
                 echange::compte(vides,
                                 QStringLiteral("rangée vide laissée de côté (une page "
                                                "endommagée de l'ancienne base)."),
                                 QStringLiteral("rangées vides laissées de côté (des pages "
                                                "endommagées de l'ancienne base)."),
                                 true);
    return {echange::Rapport::Reussi, texte};
}

echange::Rapport importer(socle::Database& base, const QString& chemin, const QString& installation)
{
    if (QFileInfo(chemin).isDir())
        return importerDossier(base, chemin, installation);
    return importerTable(base, chemin,
                         lireTableAccess(natif(chemin), "Fetes", {"Nom", "Date", "Annee", "MF"}));
}

std::optional<QString> installationWine()
{
    QString prefixe = qEnvironmentVariable("WINEPREFIX");
    if (prefixe.isEmpty())
        prefixe = QDir::homePath() + QStringLiteral("/.wine");
    const std::optional<QString> c = trouver(prefixe, QStringLiteral("drive_c"));
    const std::optional<QString> dossier = c ? trouver(*c, QStringLiteral("tarvelon")) : c;
    if (!dossier || !QFileInfo(*dossier).isDir() ||
        !trouver(*dossier, QStringLiteral("tarvelon.mdb")))
        return std::nullopt;
    return *dossier;
}

} // namespace ancien
