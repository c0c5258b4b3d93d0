#include "windows/main/tarvelon.h"

#include "platform/messagebox.h"
#include "windows/regles/regles.h"

namespace windows {

using namespace store;

using namespace platform;

// "Rechercher": by any part of a first name, or by a day when the text
// begins with a number. Always from the first entry; the box is emptied.
void Tarvelon::SSCommand3_Click()
{
    const DataSource::Action action(*Data1);
    RecordSet& rs = Data1->recordset();

    QString recherche = Text2->text();
    Text2->setText(QString());
    int erreur = 0;

    if (recherche.isEmpty()) {
        if (ModeFetes)
            msgBox(QStringLiteral("Veuillez indiquer le Prénom ou la Date recherchés !"));
        else
            msgBox(QStringLiteral("Veuillez indiquer un Prénom ou un mot en rapport") + LineBreak +
                   QStringLiteral("avec ce que vous recherchez..."));
        Text2->setFocus();
        return;
    }

    if (!RechercheParDate(recherche)) {
        rs.moveFirst();
        rs.findFirst(Criterion::like(Field::Nom, QLatin1Char('*') + recherche + QLatin1Char('*')));
        if (rs.noMatch()) {
            if (ModeFetes)
                msgBox(QStringLiteral("Le prénom ") + recherche + LineBreak +
                       QStringLiteral(" ne figure pas dans le fichier !"));
            else
                msgBox(QStringLiteral("Je ne connais pas ") + recherche + LineBreak +
                       QStringLiteral("ce nom est absent du fichier !"));
            rs.moveFirst();
        }
    } else {
        if (recherche.contains(QLatin1Char('/'))) {
            const DateRecherchee date = ReecrireDate(recherche);
            recherche = date.texte;
            erreur = date.erreur;
        }
        rs.moveFirst();
        rs.findFirst(Criterion::equals(Field::Date, recherche));
        if (rs.noMatch()) {
            switch (erreur) {
            case 1:
                msgBox(QStringLiteral("Le jour doit être compris entre 01 et 31"));
                break;
            case 2:
                msgBox(QStringLiteral("Le mois doit être compris entre 01 et 12"));
                break;
            default:
                msgBox(QStringLiteral("Le format de date ") + recherche +
                       QStringLiteral(" est erroné, ou") + LineBreak +
                       QStringLiteral(" ne contient aucune fête ou anniversaire à souhaiter !"));
                break;
            }
            rs.moveFirst();
        }
    }

    SuiteDuDeplacement();
}

} // namespace windows
