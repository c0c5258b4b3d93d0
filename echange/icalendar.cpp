#include "echange/icalendar.h"

#include "echange/identite.h"
#include "socle/calendrier_fr.h"
#include "socle/jours.h"

#include <QDate>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <libical/ical.h>
#include <numeric>

namespace echange {

namespace {

// Name days and birthdays without a year start in 2000, a leap year: a
// 29 February is a day of it.
constexpr int AnneeSansAnnee = 2000;

icaltimetype jourDe(int annee, int mois, int jour)
{
    icaltimetype t = icaltime_null_date();
    t.year = annee;
    t.month = mois;
    t.day = jour;
    return t;
}

// The entries an event holds, each field percent-encoded: "Georges;23%2F04;0000;M".
constexpr const char* ProprieteFiche = "X-TARVELON-FICHE";

QByteArray enFiche(const socle::Fiche& fiche)
{
    QByteArray texte;
    for (int c = 0; c < socle::NombreDeChamps; ++c)
        texte +=
            (c ? ";" : "") + QByteArray::fromStdString(fiche[socle::Champ(c)]).toPercentEncoding();
    return texte;
}

std::optional<socle::Fiche> deFiche(const QByteArray& texte)
{
    const QList<QByteArray> champs = texte.split(';');
    if (champs.size() != socle::NombreDeChamps)
        return std::nullopt;
    socle::Fiche fiche;
    for (int c = 0; c < socle::NombreDeChamps; ++c)
        fiche[socle::Champ(c)] = QByteArray::fromPercentEncoding(champs[c].trimmed()).toStdString();
    return fiche;
}

// The year an event starts: its birth year, else the year of no year; for a
// server, never before 1970 (1972 for 29 February, a leap year).
int anneeDeDebut(const Evenement& e, bool depuis1970)
{
    // A year the agendas cannot write starts like no year at all.
    const bool anneeEcrite = e.annee > 0 && e.annee <= 3000;
    if (!depuis1970)
        return anneeEcrite ? e.annee : AnneeSansAnnee;
    const int plancher = e.mois == 2 && e.jour == 29 ? 1972 : 1970;
    return anneeEcrite && e.annee >= plancher ? e.annee : plancher;
}

// The entries' places in the table: the backup file's, never the publish's
// (an entry added would change every event after it).
constexpr const char* ParametreRang = "X-RANG";

icalcomponent* composant(const Evenement& e, std::optional<icaltimetype> maintenant,
                         bool depuis1970 = false, std::optional<int> rappelMinutes = {},
                         bool rangs = false)
{
    icalcomponent* c = icalcomponent_new_vevent();
    icalcomponent_add_property(c, icalproperty_new_uid(e.uid.constData()));
    if (maintenant)
        icalcomponent_add_property(c, icalproperty_new_dtstamp(*maintenant));
    const icaltimetype debut = jourDe(anneeDeDebut(e, depuis1970), e.mois, e.jour);
    icalcomponent_add_property(c, icalproperty_new_dtstart(debut));
    icaltimetype fin = debut;
    icaltime_adjust(&fin, 1, 0, 0, 0);
    icalcomponent_add_property(c, icalproperty_new_dtend(fin));
    const char* regle =
        (e.mois == 2 && e.jour == 29) ? "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1" : "FREQ=YEARLY";
    icalcomponent_add_property(c, icalproperty_new_rrule(icalrecurrencetype_from_string(regle)));
    icalcomponent_add_property(c, icalproperty_new_summary(e.resume.toUtf8().constData()));
    if (!e.description.isEmpty())
        icalcomponent_add_property(
            c, icalproperty_new_description(e.description.toUtf8().constData()));
    icalcomponent_add_property(c, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    for (size_t i = 0; i < e.fiches.size(); ++i) {
        icalproperty* p = icalproperty_new_x(enFiche(e.fiches[i]).constData());
        icalproperty_set_x_name(p, ProprieteFiche);
        if (rangs && i < e.rangs.size()) {
            icalparameter* rang = icalparameter_new_x(QByteArray::number(e.rangs[i]).constData());
            icalparameter_set_xname(rang, ParametreRang);
            icalproperty_add_parameter(p, rang);
        }
        icalcomponent_add_property(c, p);
    }
    if (rappelMinutes) {
        icalcomponent* alarme = icalcomponent_new_valarm();
        icalcomponent_add_property(alarme, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        icalcomponent_add_property(alarme,
                                   icalproperty_new_description(e.resume.toUtf8().constData()));
        icaltriggertype declencheur{};
        declencheur.time = icaltime_null_time();
        declencheur.duration = icaldurationtype_from_int(*rappelMinutes * 60);
        icalcomponent_add_property(alarme, icalproperty_new_trigger(declencheur));
        icalcomponent_add_component(c, alarme);
    }
    return c;
}

QByteArray texteDe(icalcomponent* agenda)
{
    char* texte = icalcomponent_as_ical_string_r(agenda);
    QByteArray octets(texte);
    icalmemory_free_buffer(texte);
    icalcomponent_free(agenda);
    return octets;
}

icalcomponent* nouvelAgenda()
{
    icalcomponent* agenda = icalcomponent_new_vcalendar();
    icalcomponent_add_property(agenda, icalproperty_new_version("2.0"));
    icalcomponent_add_property(agenda, icalproperty_new_prodid("-//Tarvelon//Tarvelon 2.0//FR"));
    icalcomponent_add_property(agenda, icalproperty_new_calscale("GREGORIAN"));
    return agenda;
}

// "de Paul", "d'Anne", "d'Élodie".
QString deNom(const QString& nom)
{
    const QString initiale = nom.left(1).normalized(QString::NormalizationForm_D).left(1).toUpper();
    const bool voyelle = !initiale.isEmpty() && QStringLiteral("AEIOUY").contains(initiale);
    return (voyelle ? QStringLiteral("d'") : QStringLiteral("de ")) + nom;
}

QString enumeration(const QStringList& noms)
{
    if (noms.size() < 2)
        return noms.join(QString());
    return QStringList(noms.mid(0, noms.size() - 1)).join(QStringLiteral(", ")) +
           QStringLiteral(" et ") + noms.last();
}

} // namespace

std::vector<Evenement> evenements(const std::vector<socle::Fiche>& fiches,
                                  socle::Selection selection)
{
    std::vector<Evenement> liste;
    // Name days: one event a day, the names in record order.
    QMap<QString, Evenement> fetes; // by "mm/dd", so that the days come in order
    Identites identites;
    for (size_t rang = 0; rang < fiches.size(); ++rang) {
        const socle::Fiche& fiche = fiches[rang];
        const std::optional<socle::JourDeLAnnee> jour = socle::lireCleDuJour(fiche.date);
        if (!jour)
            continue;
        const QString nom = QString::fromStdString(fiche.nom);
        if (fiche.estFete()) {
            if (selection == socle::Selection::Anniversaires)
                continue;
            Evenement& e =
                fetes[QString::fromStdString(fiche.date.substr(3, 2) + fiche.date.substr(0, 2))];
            e.mois = jour->mois;
            e.jour = jour->jour;
            e.fiches.push_back(fiche);
            e.rangs.push_back(int(rang));
            continue;
        }
        if (selection == socle::Selection::Fetes)
            continue;
        int annee = socle::anneeDeNaissance(fiche.annee).value_or(0); // 0: not known
        if (annee != 0 && !QDate(annee, jour->mois, jour->jour).isValid())
            annee = 0; // a 29 February of a common year: as if no year were known
        const QString resume =
            annee != 0
                ? QStringLiteral("Anniversaire %1 (%2)").arg(deNom(nom), QString::number(annee))
                : QStringLiteral("Anniversaire %1").arg(deNom(nom));
        liste.push_back({identites.anniversaire(fiche),
                         resume,
                         annee,
                         jour->mois,
                         jour->jour,
                         {fiche},
                         {},
                         {int(rang)}});
    }
    for (Evenement& e : fetes) {
        QStringList noms;
        for (const socle::Fiche& f : e.fiches)
            noms << QString::fromStdString(f.nom);
        e.uid = Identites::fetes(e.mois, e.jour);
        e.resume = QStringLiteral("Fête des ") + enumeration(noms);
        liste.push_back(std::move(e));
    }
    return liste;
}

QByteArray ecrireIcalendar(const std::vector<socle::Fiche>& fiches, socle::Selection selection)
{
    icalcomponent* agenda = nouvelAgenda();
    const icaltimetype maintenant =
        icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    for (const Evenement& e : evenements(fiches, selection))
        icalcomponent_add_component(agenda, composant(e, maintenant, false, {}, true));
    return texteDe(agenda);
}

QByteArray ecrireEvenement(const Evenement& evenement, const Publication& publication,
                           bool horodate)
{
    icalcomponent* agenda = nouvelAgenda();
    std::optional<icaltimetype> maintenant;
    if (horodate)
        maintenant = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    icalcomponent_add_component(agenda,
                                composant(evenement, maintenant, true, publication.rappelMinutes));
    return texteDe(agenda);
}

namespace {

// An older export's event, read back from what it says: a birthday's name
// and year from its summary, a day of name days' names (their sex from the
// bundled calendar when it knows them).
void depuisResume(bool fete, const QString& resume, int mois, int jour,
                  std::vector<socle::Fiche>& fiches)
{
    const std::string date = socle::cleDuJour(jour, mois);
    if (fete) {
        QString noms = resume;
        noms.remove(0, QStringLiteral("Fête des ").size());
        QStringList liste = noms.split(QStringLiteral(", "));
        if (const qsizetype et = liste.last().lastIndexOf(QStringLiteral(" et ")); et > 0) {
            const QString dernier = liste.last().mid(et + 4);
            liste.last().truncate(et);
            liste << dernier;
        }
        static const std::vector<socle::Fiche> bundled = socle::calendrierFr();
        for (const QString& n : liste) {
            std::string mf;
            for (const socle::Fiche& b : bundled)
                if (b.date == date && b.nom == n.toStdString())
                    mf = b.mf;
            fiches.push_back({n.toStdString(), date, std::string(socle::AnneeNomDeFete), mf});
        }
        return;
    }
    static const QRegularExpression anniversaire(
        QStringLiteral("^Anniversaire (?:de |d')(.*?)(?: \\((\\d{4})\\))?$"));
    const QRegularExpressionMatch m = anniversaire.match(resume);
    if (!m.hasMatch())
        return;
    fiches.push_back(
        {m.captured(1).toStdString(), date,
         m.captured(2).isEmpty() ? std::string(socle::AnneeInconnue) : m.captured(2).toStdString(),
         " "});
}

} // namespace

namespace {

// The place an entry had in the table, when its property says it.
std::optional<int> rangDe(icalproperty* p)
{
    for (icalparameter* r = icalproperty_get_first_parameter(p, ICAL_X_PARAMETER); r;
         r = icalproperty_get_next_parameter(p, ICAL_X_PARAMETER))
        if (qstrcmp(icalparameter_get_xname(r), ParametreRang) == 0) {
            bool lu = false;
            const int rang = QByteArray(icalparameter_get_xvalue(r)).toInt(&lu);
            if (lu && rang >= 0)
                return rang;
        }
    return std::nullopt;
}

} // namespace

LectureIcalendar lireIcalendar(const QByteArray& octets)
{
    LectureIcalendar lecture;
    icalcomponent* racine = icalparser_parse_string(octets.constData());
    if (!racine) {
        lecture.erreur = QStringLiteral("ce n'est pas un agenda iCalendar lisible");
        return lecture;
    }
    static const QRegularExpression notreUid(
        QStringLiteral("^(anniversaire-[0-9a-f]{20}(-\\d+)?|fetes-(\\d{2})(\\d{2}))@tarvelon$"));
    int evenementsLus = 0;
    bool entieres = true;
    std::vector<std::optional<int>> rangs;
    const auto lire = [&](icalcomponent* e) {
        ++evenementsLus;
        const QString uid = QString::fromUtf8(icalcomponent_get_uid(e));
        const QRegularExpressionMatch m = notreUid.match(uid);
        if (!m.hasMatch()) {
            ++lecture.autres;
            return;
        }
        const bool fete = uid.startsWith(QStringLiteral("fetes-"));
        const size_t avant = lecture.fiches.size();
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_X_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_X_PROPERTY))
            if (qstrcmp(icalproperty_get_x_name(p), ProprieteFiche) == 0)
                if (const auto f = deFiche(icalproperty_get_x(p))) {
                    lecture.fiches.push_back(*f);
                    rangs.push_back(rangDe(p));
                }
        if (lecture.fiches.size() == avant) {
            entieres = false;
            const icaltimetype debut = icalcomponent_get_dtstart(e);
            depuisResume(fete, QString::fromUtf8(icalcomponent_get_summary(e)), debut.month,
                         debut.day, lecture.fiches);
        }
    };
    if (icalcomponent_isa(racine) == ICAL_VEVENT_COMPONENT)
        lire(racine);
    for (icalcomponent* e = icalcomponent_get_first_component(racine, ICAL_VEVENT_COMPONENT); e;
         e = icalcomponent_get_next_component(racine, ICAL_VEVENT_COMPONENT))
        lire(e);
    icalcomponent_free(racine);
    // A backup: the table's order again, when every entry says its place.
    lecture.sauvegarde = entieres && !lecture.fiches.empty();
    if (lecture.sauvegarde &&
        std::all_of(rangs.begin(), rangs.end(), [](const auto& r) { return r.has_value(); })) {
        std::vector<size_t> ordre(lecture.fiches.size());
        std::iota(ordre.begin(), ordre.end(), size_t(0));
        std::stable_sort(ordre.begin(), ordre.end(),
                         [&rangs](size_t a, size_t b) { return *rangs[a] < *rangs[b]; });
        std::vector<socle::Fiche> rangees;
        rangees.reserve(ordre.size());
        for (const size_t i : ordre)
            rangees.push_back(std::move(lecture.fiches[i]));
        lecture.fiches = std::move(rangees);
    }
    if (evenementsLus == 0)
        lecture.erreur = QStringLiteral("ce n'est pas un agenda iCalendar lisible (il n'a aucun "
                                        "événement)");
    else if (lecture.fiches.empty() && lecture.autres > 0)
        lecture.erreur = QStringLiteral("cet agenda n'a pas été écrit par Tarvelon : seuls les "
                                        "agendas exportés par Tarvelon s'importent (pour les "
                                        "anniversaires de vos contacts, importez plutôt leur "
                                        "fichier .vcf)");
    return lecture;
}

QByteArray sens(const QByteArray& octets)
{
    icalcomponent* racine = icalparser_parse_string(octets.constData());
    if (!racine)
        return {};
    icalcomponent* e = icalcomponent_isa(racine) == ICAL_VEVENT_COMPONENT
                           ? racine
                           : icalcomponent_get_first_component(racine, ICAL_VEVENT_COMPONENT);
    QByteArray texte;
    if (e) {
        const auto propriete = [e](icalproperty_kind sorte) {
            icalproperty* p = icalcomponent_get_first_property(e, sorte);
            return p ? QByteArray(icalproperty_get_value_as_string(p)) : QByteArray();
        };
        QByteArrayList fiches;
        for (icalproperty* p = icalcomponent_get_first_property(e, ICAL_X_PROPERTY); p;
             p = icalcomponent_get_next_property(e, ICAL_X_PROPERTY))
            if (qstrcmp(icalproperty_get_x_name(p), ProprieteFiche) == 0)
                fiches << QByteArray(icalproperty_get_x(p));
        std::sort(fiches.begin(), fiches.end());
        QByteArray alarme;
        if (icalcomponent* a = icalcomponent_get_first_component(e, ICAL_VALARM_COMPONENT))
            if (icalproperty* t = icalcomponent_get_first_property(a, ICAL_TRIGGER_PROPERTY))
                alarme = icalproperty_get_value_as_string(t);
        texte = QByteArrayList{propriete(ICAL_UID_PROPERTY),
                               propriete(ICAL_SUMMARY_PROPERTY),
                               propriete(ICAL_DESCRIPTION_PROPERTY),
                               propriete(ICAL_DTSTART_PROPERTY),
                               propriete(ICAL_RRULE_PROPERTY),
                               alarme,
                               fiches.join('\n')}
                    .join('\x1f');
    }
    icalcomponent_free(racine);
    return texte;
}

} // namespace echange
