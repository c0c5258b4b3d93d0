#include "echange/commande.h"
#include "windows/echange/fenetre.h"
#include "windows/main/application.h"
#include "windows/main/tarvelon.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Importing and exporting need no display and no window.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<int> code = echange::commande(arguments))
        return *code;

    QApplication app(argc, argv);
    windows::PreparerApplication();

    windows::Tarvelon fenetre;
    if (!fenetre.Form_Load())
        return 1;
    echange::installer(&fenetre, fenetre.Data1->database(), [&fenetre] { fenetre.Actualiser(); });
    fenetre.show();
    return QApplication::exec();
}
