#pragma once

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <optional>

// The stand-in servers of the tests and the timing programs: one HTTP/1.1
// request taken from what a connection has sent so far.
namespace test {

struct RequeteHttp {
    QByteArray methode;
    QByteArray chemin;
    QByteArray tete; // the request line and the header lines
    QByteArray corps;
};

// The first whole request of `tampon`, taken out of it; none until it has
// all come (its headers, then Content-Length bytes).
inline std::optional<RequeteHttp> prochaineRequete(QByteArray& tampon)
{
    const qsizetype fin = tampon.indexOf("\r\n\r\n");
    if (fin < 0)
        return std::nullopt;
    const QByteArray tete = tampon.left(fin);
    static const QRegularExpression longueur(QStringLiteral("(?i)content-length: *(\\d+)"));
    const qsizetype taille = longueur.match(QString::fromLatin1(tete)).captured(1).toLongLong();
    if (tampon.size() < fin + 4 + taille)
        return std::nullopt;
    const QByteArray corps = tampon.mid(fin + 4, taille);
    tampon.remove(0, fin + 4 + taille);
    const QList<QByteArray> ligne = tete.left(tete.indexOf("\r\n")).split(' ');
    return RequeteHttp{ligne.value(0), ligne.value(1), tete, corps};
}

} // namespace test
