#include "windows/main/tarvelon.h"

#include "platform/clock.h"
#include "windows/regles/regles.h"

namespace windows {

using namespace store;

// The chain after every move: the entry's day redrawn, then the day in hand
// for the reminder and its caption's colour.
void Tarvelon::SuiteDuDeplacement()
{
    MiseAJour();
    JourCourant = Text1[1]->text();
    CouleurDate(JourCourant);
}

// The record display: the names of the entry's day, the day in words, the
// age line and the Saint/Sainte options. It leaves the record set on the
// entry it was called on. In the birthday view, when the name days cannot be
// read, the list stays empty and the birthdays stay open on the entry shown.
void Tarvelon::MiseAJour()
{
    const DataSource::Action action(*Data1);
    RecordSet& rs = Data1->recordset();
    List1->clear();
    SSPanel4->setCaption(QString());

    const QString jour = Text1[1]->text();
    const QString nom = Text1[0]->text();

    if (jour.isEmpty()) {
        List1->addItem(QString());
        List1->addItem(QStringLiteral("Attention"));
        List1->addItem(QStringLiteral("Date inconnue !!!"));
    } else {
        const int annee = platform::today().year();
        Label1[2]->setText(
            SansAnnee(Text3->text()) ? QString() : LigneAge(AgeCetteAnnee(annee, Text3->text())));
        SSPanel4->setCaption(JourEnLettres(jour, annee));

        const std::optional<qint64> signet = rs.bookmark();
        bool lu = true;
        if (!ModeFetes) {
            Data1->setRecordSource(sourceNameDays());
            lu = Data1->refresh();
            if (!lu)
                Data1->setRecordSource(sourceBirthdays());
        }

        // The names of the day, in record order, as the name box shows them;
        // the name-day view leaves out the shown name (and its namesakes of
        // the same day). They come from the day index: the record set does
        // not move, what was typed into the shown entry is stored first, as
        // leaving it would.
        if (ModeFetes)
            lu = Data1->submit();
        if (lu) {
            for (const Entry* trouve : rs.entriesOfDay(jour)) {
                const QString prenom = Data1->asShown(Field::Nom, trouve->fiche.nom);
                if (!ModeFetes || prenom != nom)
                    List1->addItem(prenom);
            }
        }

        if (ModeFetes) {
            if (signet)
                rs.setBookmark(*signet);
        } else if (lu) {
            Data1->setRecordSource(sourceBirthdays());
            if (!Data1->refresh()) {
                // The name days stay open: the window says so rather than
                // show them under the birthday captions.
                montrerVue(false);
                rs.moveFirst();
            } else if (!signet || !rs.setBookmark(*signet)) {
                // Back to the very entry shown, even with namesakes; by its
                // name only when it was never stored.
                rs.moveFirst();
                rs.findFirst(Criterion::equals(Field::Nom, nom));
            }
        }
    }

    const QString mf = Text1[2]->text();
    if (mf == QLatin1String("M")) {
        SSOption1[1]->setValue(true);
    } else if (mf == QLatin1String("F")) {
        SSOption1[0]->setValue(true);
    } else {
        SSOption1[1]->setValue(false);
        SSOption1[0]->setValue(false);
    }
}

} // namespace windows
