#include "echange/identite.h"

#include <QCryptographicHash>

namespace echange {

QByteArray Identites::anniversaire(const socle::Fiche& fiche)
{
    const QString cle = QString::fromStdString(fiche.nom) + QLatin1Char('\x1f') +
                        QString::fromStdString(fiche.date) + QLatin1Char('\x1f') +
                        QString::fromStdString(fiche.annee);
    const int fois = m_vus[cle]++;
    QByteArray uid =
        "anniversaire-" +
        QCryptographicHash::hash(cle.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    if (fois > 0)
        uid += '-' + QByteArray::number(fois + 1);
    return uid + "@tarvelon";
}

QByteArray Identites::fetes(int mois, int jour)
{
    return "fetes-" + QByteArray::number(mois).rightJustified(2, '0') +
           QByteArray::number(jour).rightJustified(2, '0') + "@tarvelon";
}

QByteArray uuidDe(const QByteArray& texte)
{
    QByteArray o = QCryptographicHash::hash(texte, QCryptographicHash::Sha1).left(16);
    o[6] = char((o[6] & 0x0F) | 0x50);
    o[8] = char((o[8] & 0x3F) | 0x80);
    const QByteArray h = o.toHex();
    return h.mid(0, 8) + '-' + h.mid(8, 4) + '-' + h.mid(12, 4) + '-' + h.mid(16, 4) + '-' +
           h.mid(20, 12);
}

} // namespace echange
