#include "echange/echange.h"

#include "echange/csv.h"
#include "echange/entree.h"
#include "echange/icalendar.h"
#include "echange/proches.h"
#include "echange/vcard.h"
#include "socle/fichier.h"
#include "socle/jours.h"
#include "socle/raisons.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QSet>

namespace echange {

namespace {

// The name box shows 30 characters; longer names are kept whole.
constexpr int LargeurCaseNom = 30;
// Larger than any address book: such a file is refused whole, never cut.
constexpr std::size_t TailleMax = 512u << 20;

QString raison(int code)
{
    return QString::fromStdString(socle::raisonSqlite(code));
}

Rapport illisible(const QString& texte)
{
    return {Rapport::Illisible, texte};
}

QString pourquoiIllisible(socle::ReadResult lecture)
{
    switch (lecture) {
    case socle::ReadResult::Read:
        break;
    case socle::ReadResult::Missing:
        return QStringLiteral("il n'existe pas");
    case socle::ReadResult::Directory:
        return QStringLiteral("c'est un dossier");
    case socle::ReadResult::NotRegular:
        return QStringLiteral("ce n'est pas un fichier ordinaire (un périphérique, un tube…)");
    case socle::ReadResult::TooLarge:
        return QStringLiteral("il est trop grand (plus de 512 Mo) ; rien n'en est lu");
    case socle::ReadResult::Denied:
        return QStringLiteral("l'accès en est refusé");
    case socle::ReadResult::Loop:
        return QStringLiteral("ses liens symboliques tournent en rond");
    case socle::ReadResult::Failed:
        break;
    }
    return QStringLiteral("erreur de lecture");
}

// Where an export may write: the file itself, or the file a link names (the
// link stays); only a regular file, or a new one in a folder that exists.
std::optional<QString> cibleEcrivable(const QString& fichier, QString* raison)
{
    const QFileInfo info(fichier);
    const QString cible = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    switch (socle::natureDe(QFile::encodeName(cible).toStdString())) {
    case socle::Nature::Ordinaire:
        return cible;
    case socle::Nature::Dossier:
        *raison = QStringLiteral("c'est un dossier");
        return std::nullopt;
    case socle::Nature::Autre:
        *raison = QStringLiteral("ce n'est pas un fichier ordinaire (un périphérique, un "
                                 "tube…) : Tarvelon n'écrit que dans un fichier");
        return std::nullopt;
    case socle::Nature::Inaccessible:
        *raison = QStringLiteral("son chemin ne peut pas être suivi (accès refusé, ou des liens "
                                 "qui tournent en rond)");
        return std::nullopt;
    case socle::Nature::Absent:
        break;
    }
    if (!QFileInfo(QFileInfo(cible).absolutePath()).isDir()) {
        *raison = QStringLiteral("le dossier %1 n'existe pas").arg(QFileInfo(cible).absolutePath());
        return std::nullopt;
    }
    return cible;
}

} // namespace

QString compte(qsizetype n, const QString& singulier, const QString& pluriel, bool feminin)
{
    if (n == 0)
        return (feminin ? QStringLiteral("aucune ") : QStringLiteral("aucun ")) + singulier;
    return QLocale(QLocale::French, QLocale::France).toString(n) + QLatin1Char(' ') +
           (n == 1 ? singulier : pluriel);
}

Sorte sorteDe(const QString& fichier)
{
    const QString suffixe = QFileInfo(fichier).suffix().toLower();
    if (suffixe == QLatin1String("vcf") || suffixe == QLatin1String("vcard"))
        return Sorte::Vcard;
    if (suffixe == QLatin1String("ics") || suffixe == QLatin1String("ical"))
        return Sorte::Icalendar;
    if (suffixe == QLatin1String("csv"))
        return Sorte::Csv;
    return Sorte::Inconnue;
}

Rapport importer(socle::Database& base, const QString& fichier)
{
    const Sorte sorte = sorteDe(fichier);
    if (sorte == Sorte::Inconnue)
        return {Rapport::Usage,
                QStringLiteral("%1 : seuls les contacts (.vcf), les tableurs (.csv), les "
                               "agendas exportés par Tarvelon (.ics) et les bases Access de "
                               "l'ancien Tarvelon (.mdb, .accdb) s'importent.")
                    .arg(fichier)};
    std::string octets;
    if (const socle::ReadResult lecture =
            socle::readWholeFile(QFile::encodeName(fichier).toStdString(), octets, TailleMax);
        lecture != socle::ReadResult::Read)
        return illisible(QStringLiteral("Le fichier %1 ne peut pas être lu : %2.")
                             .arg(fichier, pourquoiIllisible(lecture)));
    const QByteArray contenu = QByteArray::fromStdString(octets);

    // What the file brings, line by line.
    std::vector<socle::Fiche> candidats;
    std::vector<Carte> cartes;
    qsizetype sansAnniversaire = 0, sansNom = 0, autres = 0;
    QString erreur;
    int ligneErreur = 0;
    if (sorte == Sorte::Vcard) {
        const LectureVcard lecture = lireVcard(contenu);
        erreur = lecture.erreur;
        ligneErreur = lecture.ligneErreur;
        cartes = lecture.cartes;
        for (const Carte& carte : lecture.cartes) {
            if (!carte.naissance)
                ++sansAnniversaire;
            else if (carte.nom.isEmpty())
                ++sansNom;
            else
                candidats.push_back(anniversaireDe(carte));
        }
    } else if (sorte == Sorte::Icalendar) {
        LectureIcalendar lecture = lireIcalendar(contenu);
        erreur = lecture.erreur;
        for (socle::Fiche& f : lecture.fiches) {
            const QString nom = nomLu(QString::fromStdString(f.nom));
            f.nom = nom.toStdString();
            // A backup's entries come back as the table held them.
            const std::optional<QString> refus =
                lecture.sauvegarde ? refusDeLaSauvegarde(f) : refusDuNom(nom);
            if (refus && erreur.isEmpty())
                erreur = QStringLiteral("l'événement de %1 (%2) : %3")
                             .arg(nom, QString::fromStdString(f.date), *refus);
        }
        candidats = std::move(lecture.fiches);
        autres = lecture.autres;
    } else {
        LectureCsv lecture = lireCsv(contenu);
        erreur = lecture.erreur;
        ligneErreur = lecture.ligneErreur;
        candidats = std::move(lecture.fiches);
    }
    if (!erreur.isEmpty())
        return illisible(
            ligneErreur > 0
                ? QStringLiteral("Rien n'a été importé de %1 : ligne %2 : %3.")
                      .arg(fichier, QString::number(ligneErreur), erreur)
                : QStringLiteral("Rien n'a été importé de %1 : %2.").arg(fichier, erreur));

    // In one transaction, with the exchanges' duplicate rule; the cards'
    // people beside.
    socle::Transaction transaction(base);
    socle::Ajout ajout = socle::ajouterFiches(base, candidats, socle::Doublons::Ecarter);
    int nouveauxProches = 0;
    if (ajout.code == socle::SqliteOk && transaction.code() == socle::SqliteOk &&
        (ajout.code = ajouterProches(base, cartes, fichier, &nouveauxProches)) == socle::SqliteOk)
        ajout.code = transaction.commit();
    else if (ajout.code == socle::SqliteOk)
        ajout.code = transaction.code();
    if (ajout.code != socle::SqliteOk)
        return illisible(QStringLiteral("Rien n'a été importé de %1 : la base de données ne peut "
                                        "pas être modifiée : %2.")
                             .arg(fichier, raison(ajout.code)));
    const qsizetype ajoutes = qsizetype(ajout.ajoutees), presents = qsizetype(ajout.presentes);
    QStringList longs;
    for (size_t i = 0; i < candidats.size(); ++i) {
        const QString nom = QString::fromStdString(candidats[i].nom);
        if (ajout.ajoutee[i] && nom.size() > LargeurCaseNom)
            longs << nom;
    }

    QString texte;
    if (sorte == Sorte::Vcard) {
        texte = QStringLiteral("%1 : %2, %3, %4.")
                    .arg(fichier,
                         compte(ajoutes, QStringLiteral("anniversaire ajouté"),
                                QStringLiteral("anniversaires ajoutés")),
                         compte(presents, QStringLiteral("déjà présent"),
                                QStringLiteral("déjà présents")),
                         compte(sansAnniversaire, QStringLiteral("carte sans anniversaire"),
                                QStringLiteral("cartes sans anniversaire"), true));
        if (sansNom > 0)
            texte += QLatin1Char('\n') +
                     compte(sansNom, QStringLiteral("carte sans nom laissée de côté."),
                            QStringLiteral("cartes sans nom laissées de côté."), true);
        if (nouveauxProches > 0)
            texte += QLatin1Char('\n') + compte(nouveauxProches, QStringLiteral("proche ajouté."),
                                                QStringLiteral("proches ajoutés."));
    } else {
        texte = QStringLiteral("%1 : %2, %3.")
                    .arg(fichier,
                         compte(ajoutes, QStringLiteral("entrée ajoutée"),
                                QStringLiteral("entrées ajoutées"), true),
                         compte(presents, QStringLiteral("déjà présente"),
                                QStringLiteral("déjà présentes"), true));
        if (autres > 0)
            texte += QLatin1Char('\n') +
                     compte(autres, QStringLiteral("événement d'un autre agenda laissé de côté."),
                            QStringLiteral("événements d'autres agendas laissés de côté."));
    }
    if (!longs.isEmpty())
        texte += QLatin1Char('\n') +
                 QStringLiteral("Noms plus longs que les %1 caractères de la case Prénom, gardés "
                                "entiers : %2.")
                     .arg(LargeurCaseNom)
                     .arg(longs.join(QStringLiteral(", ")));
    return {Rapport::Reussi, texte};
}

Rapport exporter(socle::Database& base, const QString& fichier, socle::Selection selection)
{
    const Sorte sorte = sorteDe(fichier);
    if (sorte == Sorte::Inconnue)
        return {Rapport::Usage, QStringLiteral("%1 : l'export écrit un agenda (.ics), des contacts "
                                               "(.vcf) ou un tableur (.csv).")
                                    .arg(fichier)};
    if (sorte == Sorte::Vcard && selection == socle::Selection::Fetes)
        return {Rapport::Usage,
                QStringLiteral("%1 : un fichier de contacts (.vcf) ne tient que des "
                               "anniversaires.")
                    .arg(fichier)};

    std::vector<socle::FicheStockee> toutes;
    if (const int rc = socle::lireFiches(base, toutes); rc != socle::SqliteOk)
        return illisible(QStringLiteral("Rien n'a été exporté : la base de données ne peut pas "
                                        "être lue : %1.")
                             .arg(raison(rc)));
    std::vector<socle::Fiche> fiches;
    qsizetype anniversaires = 0, fetes = 0, sansJour = 0;
    QSet<QString> joursDeFete;
    for (socle::FicheStockee& stockee : toutes) {
        socle::Fiche& f = stockee.fiche;
        const bool fete = f.estFete();
        if ((fete && (selection == socle::Selection::Anniversaires || sorte == Sorte::Vcard)) ||
            (!fete && selection == socle::Selection::Fetes))
            continue;
        if (sorte != Sorte::Csv && !socle::lireCleDuJour(f.date)) {
            ++sansJour; // an agenda or an address book needs a real day
            continue;
        }
        if (fete) {
            ++fetes;
            joursDeFete.insert(QString::fromStdString(f.date));
        } else {
            ++anniversaires;
        }
        fiches.push_back(std::move(f));
    }

    QByteArray octets;
    switch (sorte) {
    case Sorte::Vcard:
        octets = ecrireVcard(fiches);
        break;
    case Sorte::Icalendar:
        octets = ecrireIcalendar(fiches, selection);
        break;
    case Sorte::Csv:
    case Sorte::Inconnue:
        octets = ecrireCsv(fiches);
        break;
    }

    QString pourquoi;
    const std::optional<QString> cible = cibleEcrivable(fichier, &pourquoi);
    if (!cible)
        return illisible(
            QStringLiteral("Le fichier %1 ne peut pas être écrit : %2.").arg(fichier, pourquoi));
    QSaveFile sortie(*cible);
    if (!sortie.open(QIODevice::WriteOnly))
        return illisible(QStringLiteral("Le fichier %1 ne peut pas être écrit : l'accès est "
                                        "refusé.")
                             .arg(fichier));
    if (sortie.write(octets) != octets.size() || !sortie.commit())
        return illisible(QStringLiteral("Le fichier %1 ne peut pas être écrit : erreur "
                                        "d'écriture (disque plein ?). Il reste tel qu'il était.")
                             .arg(fichier));

    QStringList quoi;
    if (sorte == Sorte::Icalendar && selection != socle::Selection::Anniversaires)
        quoi << compte(joursDeFete.size(), QStringLiteral("jour de fêtes"),
                       QStringLiteral("jours de fêtes"));
    if (sorte == Sorte::Csv && selection != socle::Selection::Anniversaires)
        quoi << compte(fetes, QStringLiteral("fête"), QStringLiteral("fêtes"), true);
    if (selection != socle::Selection::Fetes)
        quoi << compte(anniversaires, QStringLiteral("anniversaire"),
                       QStringLiteral("anniversaires"));
    QString texte =
        QStringLiteral("Exporté dans %1 : %2.").arg(fichier, quoi.join(QStringLiteral(", ")));
    if (sansJour > 0)
        texte +=
            QLatin1Char('\n') +
            compte(sansJour, QStringLiteral("entrée dont le jour n'existe pas laissée de côté."),
                   QStringLiteral("entrées dont le jour n'existe pas laissées de côté."), true);
    return {Rapport::Reussi, texte};
}

} // namespace echange
