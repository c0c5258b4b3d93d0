#include "windows/main/tarvelon.h"

#include "platform/clipboard.h"
#include "platform/messagebox.h"

namespace windows {

using namespace store;

using namespace platform;

// Shows "Valider" and "Annuler" over "Ajouter" and "Supprimer", or the other
// way round.
void Tarvelon::montrerPaireAjout(bool ajout)
{
    SSCommand1[3]->setVisible(ajout);
    SSCommand1[4]->setVisible(ajout);
    SSCommand1[0]->setVisible(!ajout);
    SSCommand1[1]->setVisible(!ajout);
}

// Begins a new entry holding what the boxes show, leaving the entry shown
// as it is stored.
bool Tarvelon::recommencerAjout()
{
    std::array<QString, 3> texte;
    for (size_t i = 0; i < texte.size(); ++i)
        texte[i] = Text1[i]->text();
    const QString annee = Text3->text();
    Data1->updateControls();
    if (!Data1->recordset().addNew())
        return false;
    for (size_t i = 0; i < texte.size(); ++i)
        Text1[i]->setText(texte[i]);
    Text3->setText(annee);
    return true;
}

// The editing commands. A step that fails is passed over, except a store the
// database refuses: the user was told, and what was typed stays on screen.
void Tarvelon::SSCommand1_Click(int Index)
{
    const DataSource::Action action(*Data1);
    RecordSet& rs = Data1->recordset();

    switch (Index) {
    case 0: // Ajouter
        // What was typed into the shown entry is stored first: refused, the
        // window stays exactly as it was, with the typed text.
        if (!Data1->submit())
            return;
        montrerPaireAjout(true);
        SSOption1[0]->setValue(false);
        SSOption1[1]->setValue(false);
        List1->clear();
        SSPanel4->setCaption(QString());
        Label1[2]->setText(QString());
        if (!rs.addNew()) { // nothing new begun: the entry shown again, whole
            montrerPaireAjout(false);
            MiseAJour();
            return;
        }
        Text1[0]->setFocus();
        break;

    case 1: // Supprimer
        if (msgBox(QStringLiteral("Etes-vous sûr de vouloir supprimer ce prénom ?"),
                   MbYesNoQuestion, QStringLiteral("Suppression...")) == AnswerNo)
            return;
        List1->clear();
        SSPanel4->setCaption(QString());
        if (!rs.deleteCurrent()) {
            if (rs.current()) // refused: the entry stays, shown whole again
                MiseAJour();
            return;
        }
        rs.movePrevious();
        if (rs.bof())
            rs.moveNext();
        break;

    case 2: // Quitter
        close();
        break;

    case 3: // Valider
        // Valider only ever adds. When a move has already stored the new
        // entry, what the boxes now hold, if typed, goes into a new entry and
        // never over the entry shown.
        if (!rs.isAdding() && Data1->isDirty() && !recommencerAjout())
            return;
        if (rs.isAdding()) {
            if (ModeFetes) {
                rs.setFieldValue(QStringLiteral("Nom"), Text1[0]->text());
                rs.setFieldValue(QStringLiteral("Date"), Text1[1]->text());
                rs.setFieldValue(QStringLiteral("MF"), Text1[2]->text());
                rs.setFieldValue(QStringLiteral("Annee"), nameDayYear());
            } else {
                rs.setFieldValue(QStringLiteral("Nom"), Text1[0]->text());
                rs.setFieldValue(QStringLiteral("Date"), Text1[1]->text());
                rs.setFieldValue(QStringLiteral("MF"), QStringLiteral(" "));
                rs.setFieldValue(QStringLiteral("Annee"), Text3->text());
            }
            if (!rs.update())
                return; // refused: still adding, with what was typed
        }
        rs.moveLast();
        montrerPaireAjout(false);
        MiseAJour();
        break;

    case 4: // Annuler
        montrerPaireAjout(false);
        Data1->updateControls();
        rs.moveFirst();
        MiseAJour();
        break;

    case 5: { // Copier
        const QString titre =
            SSOption1[0]->value() ? QStringLiteral(" Ste ") : QStringLiteral(" St ");
        const QString ligne = Text1[1]->text() + titre + Text1[0]->text();
        clearClipboard();
        setClipboardText(ligne);
        break;
    }

    case 6: { // Noms.txt
        rs.moveFirst();
        clearClipboard();
        QString liste;
        // Each entry once, even when the set cannot move on.
        for (int reste = rs.recordCount() + 1; reste > 0; --reste) {
            liste += Text1[1]->text() + QLatin1Char('\t') + Text1[0]->text() + LineBreak;
            if (!rs.moveNext() || rs.eof())
                break;
        }
        setClipboardText(liste);
        SSCommand2_Click(2);
        break;
    }

    default:
        break;
    }
}

} // namespace windows
