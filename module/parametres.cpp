#include "module/parametres.h"

#include <QFile>
#include <QStringDecoder>

QString CheminInstallation;
QString FichierParametres;

namespace {

// Windows-1252 for 0x80..0x9F; the other bytes are Latin-1. The five unused
// positions keep their C1 code points.
// clang-format off
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
// clang-format on

QString decodeCp1252(const QByteArray& bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(Cp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

} // namespace

QString decoderParametres(const QByteArray& octets)
{
    QByteArrayView bytes(octets);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(octets);
}

QString LireParametre(const QString& fichier, const QString& section, const QString& cle,
                      const QString& defaut)
{
    const QString entete = QLatin1Char('[') + section + QLatin1Char(']');
    const QString debutCle = cle + QLatin1Char('=');

    QByteArray octets;
    {
        QFile file(fichier);
        if (!file.open(QIODevice::ReadOnly))
            return defaut;
        octets = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return defaut;
    } // the file is closed here, whatever follows

    const QString texte = decoderParametres(octets);
    const QStringView tout(texte);

    // Lines end with LF (CR LF on the original system; the CR is dropped). A
    // final line end does not start one more, empty line.
    qsizetype debut = 0;
    auto ligneSuivante = [&](QStringView& ligne) {
        if (debut >= tout.size())
            return false;
        qsizetype fin = tout.indexOf(QLatin1Char('\n'), debut);
        if (fin < 0)
            fin = tout.size();
        ligne = tout.sliced(debut, fin - debut);
        if (ligne.endsWith(QLatin1Char('\r')))
            ligne.chop(1);
        debut = fin + 1;
        return true;
    };

    QStringView ligne;
    bool enTete = false;
    while (ligneSuivante(ligne)) {
        if (ligne == entete) {
            enTete = true;
            break;
        }
    }
    if (!enTete)
        return QString();

    QString provisoire;
    while (ligneSuivante(ligne)) {
        if (ligne.startsWith(QLatin1Char('[')))
            return provisoire;
        if (ligne.startsWith(debutCle))
            return ligne.sliced(debutCle.size()).toString();
        provisoire = defaut;
    }
    return provisoire;
}
