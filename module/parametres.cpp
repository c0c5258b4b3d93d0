#include "module/parametres.h"

#include "module/lecture.h"

#include <QFile>

QString CheminInstallation;
QString FichierParametres;

QString decoderParametres(const QByteArray& octets)
{
    return QString::fromStdString(
        texteParametres(std::string_view(octets.constData(), size_t(octets.size()))));
}

QString LireParametre(const QString& fichier, const QString& section, const QString& cle,
                      const QString& defaut)
{
    const LectureParametre lu =
        lireCle(QFile::encodeName(fichier).toStdString(), section.toStdString(), cle.toStdString());
    switch (lu.issue) {
    case LectureParametre::Valeur:
        return QString::fromStdString(lu.valeur);
    case LectureParametre::Defaut:
        return defaut;
    case LectureParametre::Vide:
        break;
    }
    return QString();
}
