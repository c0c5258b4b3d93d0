#include "echange/icalendar.h"

#include "socle/jours.h"

#include <QCryptographicHash>
#include <QDate>
#include <QHash>
#include <QMap>
#include <QString>
#include <libical/ical.h>

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

icalcomponent* evenement(const QByteArray& uid, const QString& resume, int annee, int mois,
                         int jour, icaltimetype maintenant)
{
    icalcomponent* e = icalcomponent_new_vevent();
    icalcomponent_add_property(e, icalproperty_new_uid(uid.constData()));
    icalcomponent_add_property(e, icalproperty_new_dtstamp(maintenant));
    const icaltimetype debut = jourDe(annee, mois, jour);
    icalcomponent_add_property(e, icalproperty_new_dtstart(debut));
    icaltimetype fin = debut;
    icaltime_adjust(&fin, 1, 0, 0, 0);
    icalcomponent_add_property(e, icalproperty_new_dtend(fin));
    const char* regle =
        (mois == 2 && jour == 29) ? "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1" : "FREQ=YEARLY";
    icalcomponent_add_property(e, icalproperty_new_rrule(icalrecurrencetype_from_string(regle)));
    icalcomponent_add_property(e, icalproperty_new_summary(resume.toUtf8().constData()));
    icalcomponent_add_property(e, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
    return e;
}

QByteArray empreinte(const QString& texte)
{
    return QCryptographicHash::hash(texte.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
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

QByteArray ecrireIcalendar(const std::vector<socle::Fiche>& fiches, socle::Selection selection)
{
    icalcomponent* agenda = icalcomponent_new_vcalendar();
    icalcomponent_add_property(agenda, icalproperty_new_version("2.0"));
    icalcomponent_add_property(agenda, icalproperty_new_prodid("-//Tarvelon//Tarvelon 2.0//FR"));
    icalcomponent_add_property(agenda, icalproperty_new_calscale("GREGORIAN"));
    const icaltimetype maintenant =
        icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());

    // Name days: one event a day, the names in record order.
    QMap<QString, QStringList> fetes; // by "mm/dd", so that the days come in order
    QHash<QString, int> vus;
    for (const socle::Fiche& fiche : fiches) {
        const std::optional<socle::JourDeLAnnee> jour = socle::lireCleDuJour(fiche.date);
        if (!jour)
            continue;
        const QString nom = QString::fromStdString(fiche.nom);
        const QString date = QString::fromStdString(fiche.date);
        if (fiche.estFete()) {
            if (selection != socle::Selection::Anniversaires)
                fetes[date.mid(3, 2) + date.left(2)] << nom;
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
        // The same entry twice (the window allows it) gets a UID of its own.
        const QString cle = nom + QLatin1Char('\x1f') + date + QLatin1Char('\x1f') +
                            QString::fromStdString(fiche.annee);
        const int fois = vus[cle]++;
        QByteArray uid = "anniversaire-" + empreinte(cle);
        if (fois > 0)
            uid += '-' + QByteArray::number(fois + 1);
        icalcomponent_add_component(agenda, evenement(uid + "@tarvelon", resume,
                                                      annee != 0 ? annee : AnneeSansAnnee,
                                                      jour->mois, jour->jour, maintenant));
    }
    for (auto it = fetes.cbegin(); it != fetes.cend(); ++it) {
        const int mois = it.key().left(2).toInt(), jour = it.key().mid(2, 2).toInt();
        const QByteArray uid = "fetes-" + it.key().toLatin1() + "@tarvelon";
        icalcomponent_add_component(
            agenda, evenement(uid, QStringLiteral("Fête des ") + enumeration(it.value()),
                              AnneeSansAnnee, mois, jour, maintenant));
    }

    char* texte = icalcomponent_as_ical_string_r(agenda);
    QByteArray octets(texte);
    icalmemory_free_buffer(texte);
    icalcomponent_free(agenda);
    return octets;
}

} // namespace echange
