#include "windows/about/apropos.h"

#include "platform/help.h"
#include "platform/messagebox.h"

#include <QStringList>

namespace windows {

QString TexteAPropos()
{
    const QStringList lignes = {
        QStringLiteral("Tarvelon version 2.0") + QStringLiteral(" - 32 bits."),
        QString(),
        QStringLiteral("Calendrier multimédia des"),
        QStringLiteral("fêtes et anniversaires"),
        QStringLiteral("à souhaiter..."),
        QString(),
        QStringLiteral("© 1997 Tarvelon"),
        QStringLiteral("Frappez la touche F1 pour plus d'infos."),
    };
    QString texte;
    for (const QString& ligne : lignes)
        texte += ligne + platform::LineBreak; // the last line too
    return texte;
}

void MontrerAPropos()
{
    const QString aide = platform::helpFile();
    platform::msgBox(TexteAPropos(), platform::MbInformation, QStringLiteral("A propos..."), aide,
                     3100);
}

} // namespace windows
