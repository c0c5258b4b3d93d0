#include "windows/main/tarvelon.h"

// "Anniversaires" / "Fêtes à souhaiter": the other view, its first entry.
void Tarvelon::SSCommand5_Click()
{
    marquer(Label1[1], false);
    const bool versAnniversaires = ModeFetes;
    if (versAnniversaires) {
        setWindowTitle(QStringLiteral("Anniversaires"));
        SSCommand5->setText(QStringLiteral("Fêtes à souhaiter"));
        Label1[3]->setText(QStringLiteral("Fêtes du jour"));
        Label1[0]->setText(QStringLiteral("Evenement"));
        ModeFetes = false;
    } else {
        setWindowTitle(QStringLiteral("Fêtes à souhaiter"));
        SSCommand5->setText(QStringLiteral("Anniversaires"));
        Label1[3]->setText(QStringLiteral("Prénoms associés"));
        Label1[0]->setText(QStringLiteral("Prénom"));
        ModeFetes = true;
    }
    Label1[2]->setVisible(versAnniversaires);
    Text3->setVisible(versAnniversaires);
    SSOption1[0]->setVisible(!versAnniversaires);
    SSOption1[1]->setVisible(!versAnniversaires);
    Data1->setRecordSource(versAnniversaires ? sourceBirthdays() : sourceNameDays());
    Data1->refresh();
    MiseAJour();
    Text2->setFocus();
}
