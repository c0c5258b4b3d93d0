#include "echange/entree.h"

#include "socle/texte.h"

#include <QDate>
#include <QLocale>
#include <QStringDecoder>
#include <algorithm>

namespace echange {

namespace {

// Digits alone, as many as min to max.
std::optional<int> chiffres(QStringView texte, qsizetype min, qsizetype max)
{
    if (texte.size() < min || texte.size() > max)
        return std::nullopt;
    int n = 0;
    for (const QChar c : texte) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

} // namespace

std::optional<QString> texteDuFichier(const QByteArray& octets, QString* raison)
{
    if (octets.startsWith("\xFF\xFE") || octets.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(octets.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE
                                                           : QStringDecoder::Utf16BE);
        QString texte = utf16.decode(QByteArrayView(octets).sliced(2));
        if (!utf16.hasError())
            return texte;
        *raison = QStringLiteral("le fichier se dit en UTF-16, mais ne l'est pas");
        return std::nullopt;
    }
    // NUL bytes in a text: UTF-16 or UTF-32 without a mark.
    if (octets.left(4096).contains('\0')) {
        *raison = QStringLiteral("son encodage n'est pas un de ceux que Tarvelon lit (UTF-8, "
                                 "UTF-16 avec sa marque d'ordre, Windows-1252)");
        return std::nullopt;
    }
    return QString::fromStdString(socle::decodeUtf8OrWindows1252(
        std::string_view(octets.constData(), size_t(octets.size()))));
}

QString nomLu(QString nom)
{
    // An invisible U+FEFF, and the bidirectional embeddings, overrides and
    // isolates that would show a name backwards (a text's order is its own).
    nom.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return u == 0xFEFF || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
    });
    return nom;
}

std::optional<QString> refusDuNom(const QString& nom)
{
    if (nom.trimmed().isEmpty())
        return QStringLiteral("le prénom est vide");
    if (std::all_of(nom.begin(), nom.end(),
                    [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Format; }))
        return QStringLiteral("le prénom n'a aucun caractère visible");
    if (nom.size() > LongueurMaxNom)
        return QStringLiteral("le prénom a plus de %1 caractères")
            .arg(QLocale(QLocale::French, QLocale::France).toString(LongueurMaxNom));
    for (const QChar c : nom)
        if (c.category() == QChar::Other_Control)
            return c == QLatin1Char('\n') || c == QLatin1Char('\r')
                       ? QStringLiteral("le prénom tient sur plusieurs lignes")
                       : QStringLiteral("le prénom contient un caractère de contrôle (U+%1)")
                             .arg(QString::number(c.unicode(), 16)
                                      .toUpper()
                                      .rightJustified(4, QLatin1Char('0')));
    return std::nullopt;
}

std::optional<QString> refusDeLaSauvegarde(const socle::Fiche& fiche)
{
    static const char* const Champs[] = {"le prénom", "le jour", "l'année", "le sexe"};
    const qsizetype longueurs[] = {LongueurMaxNom, LongueurMaxDate, LongueurMaxAnnee,
                                   LongueurMaxSexe};
    for (int c = 0; c < socle::NombreDeChamps; ++c) {
        const QString valeur = QString::fromStdString(fiche[socle::Champ(c)]);
        if (valeur.size() > longueurs[c])
            return QStringLiteral("%1 « %2 » a plus de %3 caractères")
                .arg(QString::fromUtf8(Champs[c]), valeur.left(40))
                .arg(longueurs[c]);
        if (std::any_of(valeur.begin(), valeur.end(),
                        [](QChar x) { return x.category() == QChar::Other_Control; }))
            return QStringLiteral("%1 contient un caractère de contrôle")
                .arg(QString::fromUtf8(Champs[c]));
    }
    return std::nullopt;
}

bool anneeDeNaissanceValable(int annee)
{
    return annee >= AnneeMin && annee <= AnneeMax;
}

std::optional<socle::JourDeLAnnee> jourEcrit(QStringView texte)
{
    int jour = 0, mois = 0;
    const QList<QStringView> barres = texte.split(QLatin1Char('/'));
    const QList<QStringView> tirets = texte.split(QLatin1Char('-'));
    if (barres.size() == 2 || barres.size() == 3) {
        const auto j = chiffres(barres[0], 1, 2);
        const auto m = chiffres(barres[1], 1, 2);
        if (!j || !m || (barres.size() == 3 && !chiffres(barres[2], 4, 4)))
            return std::nullopt;
        jour = *j;
        mois = *m;
    } else if (tirets.size() == 3) {
        const auto a = chiffres(tirets[0], 4, 4);
        const auto m = chiffres(tirets[1], 2, 2);
        const auto j = chiffres(tirets[2], 2, 2);
        if (!a || !m || !j)
            return std::nullopt;
        jour = *j;
        mois = *m;
    } else {
        return std::nullopt;
    }
    // 2000 is a leap year: 29/02 is a day.
    if (!QDate(2000, mois, jour).isValid())
        return std::nullopt;
    return socle::JourDeLAnnee{jour, mois};
}

} // namespace echange
