#include "windows/splash/accueil.h"

#include "module/parametres.h"
#include "platform/fenetres.h"
#include "platform/pointer.h"

#include <QMouseEvent>

namespace windows {

using namespace module;

using namespace platform;

Accueil::Accueil(QWidget* principale, int delai) : QDialog(principale)
{
    setObjectName(QStringLiteral("Accueil"));
    setWindowTitle(QString());
    setWindowIcon(QIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(twips(3885), twips(4200));
    setAccessibleName(QStringLiteral("Tarvelon"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(delai);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &Accueil::Timer1_Timer);
    Timer1->start();

    SSPanel1 = new SSPanel(this);
    SSPanel1->setObjectName(QStringLiteral("SSPanel1"));
    SSPanel1->setGeometry(twipsRect(60, 240, 3735, 2475));
    SSPanel1->setCaption(QStringLiteral("Tarvelon "));
    SSPanel1->setCaptionFont(classicFont(QStringLiteral("Times New Roman"), 45.75, true, true));
    SSPanel1->setCaptionColor(QColor(0, 0, 255));

    Label2 = new Label(QStringLiteral("Quenival et Anniversaires"), SSPanel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(120, 240, 3495, 375));
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFont(classicFont(QStringLiteral("MS Sans Serif"), 9.75, false, false, true));
    setForeColor(Label2, QColor(0, 0, 128));

    Label1 = new Label(QStringLiteral("Version 2.0 pour Windows 95"), SSPanel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(120, 1920, 3495, 375));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(classicFont(QStringLiteral("Times New Roman"), 12, true));
    setForeColor(Label1, QColor(255, 0, 0));

    SSPanel2 = new SSPanel(this);
    SSPanel2->setObjectName(QStringLiteral("SSPanel2"));
    SSPanel2->setGeometry(twipsRect(240, 2880, 3375, 435));
    SSPanel2->setCaption(QStringLiteral("© 1997 Tarvelon"));
    SSPanel2->setCaptionFont(classicFont(QStringLiteral("MS Sans Serif"), 8.25, true));

    for (QWidget* w : {static_cast<QWidget*>(SSPanel1), static_cast<QWidget*>(SSPanel2),
                       static_cast<QWidget*>(Label1), static_cast<QWidget*>(Label2)})
        w->setFocusPolicy(Qt::NoFocus);
    connect(SSPanel1, &SSPanel::clicked, this, &Accueil::FermerSurClic);
    connect(SSPanel2, &SSPanel::clicked, this, &Accueil::FermerSurClic);
    connect(Label1, &Label::clicked, this, &Accueil::FermerSurClic);
    connect(Label2, &Label::clicked, this, &Accueil::FermerSurClic);

    Form_Load(principale);
}

// Load: over the main window, then the closing mode from the settings.
void Accueil::Form_Load(QWidget* principale)
{
    if (principale) {
        moveWindow(this, {x(), principale->y()});
        moveWindow(this, {principale->x(), y()});
    }
    FermerAuClic = false;
    const QString titre = LireParametre(FichierParametres, QStringLiteral("Defaut"),
                                        QStringLiteral("Titre"), QString());
    if (titre.toUpper() == QLatin1String("CLICK"))
        FermerAuClic = true;
    if (FermerAuClic)
        Timer1->stop();
}

void Accueil::Timer1_Timer()
{
    close();
}

void Accueil::FermerSurClic()
{
    if (FermerAuClic)
        close();
}

bool Accueil::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        setPointer(DefaultPointer);
    return QDialog::event(event);
}

void Accueil::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        FermerSurClic();
    QDialog::mouseReleaseEvent(event);
}

void Accueil::done(int result)
{
    Timer1->stop();
    setPointer(Hourglass);
    QDialog::done(result);
}

} // namespace windows
