#include "module/parametres.h"

#include "socle/parametres.h"

#include <QFile>

namespace module {

QString CheminInstallation;
QString FichierParametres;

QString LireParametre(const QString& fichier, const QString& section, const QString& cle,
                      const QString& defaut)
{
    return QString::fromStdString(socle::lireCle(QFile::encodeName(fichier).toStdString(),
                                                 section.toStdString(), cle.toStdString())
                                      .ou(defaut.toStdString()));
}

} // namespace module
