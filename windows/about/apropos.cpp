#include "windows/about/apropos.h"

#include "platform/help.h"
#include "platform/messagebox.h"

QString TexteAPropos()
{
    const QString saut = QStringLiteral("\n\r");
    return QStringLiteral("Tarvelon version 2.0") + QStringLiteral(" - 32 bits.") + saut + saut +
           QStringLiteral("Calendrier multimédia des") + saut +
           QStringLiteral("fêtes et anniversaires") + saut + QStringLiteral("à souhaiter...") +
           saut + saut + QStringLiteral("© 1997 Tarvelon") + saut +
           QStringLiteral("Frappez la touche F1 pour plus d'infos.") + saut;
}

void MontrerAPropos()
{
    const QString aide = platform::helpFile();
    platform::msgBox(TexteAPropos(), platform::MbInformation, QStringLiteral("A propos..."), aide,
                     3100);
}
