#include "windows/main/tarvelon.h"

#include "platform/messagebox.h"

namespace windows {

using namespace store;

// "Anniversaires" / "Fêtes à souhaiter": the other view, its first entry.
// The switch happens whole or not at all: when the other view cannot be
// read (the user is told once), the window goes back to the view it shows.
void Tarvelon::SSCommand5_Click()
{
    const DataSource::Action action(*Data1);
    marquer(Label1[1], false);
    const bool versAnniversaires = ModeFetes;
    const QString titre = windowTitle();
    const RecordSource source = Data1->recordSource();
    montrerVue(versAnniversaires);
    Data1->setRecordSource(versAnniversaires ? sourceBirthdays() : sourceNameDays());
    if (!Data1->refresh()) {
        montrerVue(!versAnniversaires);
        setWindowTitle(titre);
        Data1->setRecordSource(source);
        return;
    }
    MiseAJour();
    Text2->setFocus();
}

// The captions, the view flag and the controls of one view.
void Tarvelon::montrerVue(bool anniversaires)
{
    if (anniversaires) {
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
    Label1[2]->setVisible(anniversaires);
    Text3->setVisible(anniversaires);
    SSOption1[0]->setVisible(!anniversaires);
    SSOption1[1]->setVisible(!anniversaires);
}

bool Tarvelon::PreparerImport()
{
    const DataSource::Action action(*Data1);
    if (SSCommand1[3]->isVisibleTo(this)) {
        platform::msgBox(QStringLiteral("Une entrée est en cours d'ajout : validez-la ou "
                                        "annulez-la avant d'importer."));
        return false;
    }
    return Data1->submit();
}

// The calendar changed outside the window's own commands (an import): the
// view is read again, stands on the entry shown (else its first entry), and
// the chain of a move follows.
void Tarvelon::Actualiser()
{
    const DataSource::Action action(*Data1);
    RecordSet& rs = Data1->recordset();
    const std::optional<qint64> signet = rs.bookmark();
    if (!Data1->refresh())
        return;
    if (signet)
        rs.setBookmark(*signet);
    SuiteDuDeplacement();
}

void Tarvelon::ActualiserSiLibre()
{
    if (!SSCommand1[3]->isVisibleTo(this) && !Data1->isDirty())
        Actualiser();
}

} // namespace windows
