#pragma once

#include "platform/controls.h"

#include <QDialog>
#include <QTimer>

namespace windows {

// The title card Accueil. Shown modally by the main window's first
// activation, over the main window's top-left corner. It closes itself after
// its timer (ten seconds), or, when the settings key Titre says "CLICK" in any
// letter case, only on a click on any part of it. The pointer is the default
// arrow while it is up and the hourglass from its closing on.
class Accueil : public QDialog {
    Q_OBJECT
public:
    // principale: the window whose position the card takes; delai: the
    // timer's interval in milliseconds.
    explicit Accueil(QWidget* principale, int delai = 10000);

    bool FermerAuClic = false;

    QTimer* Timer1;
    platform::SSPanel* SSPanel1;
    platform::SSPanel* SSPanel2;
    platform::Label* Label1;
    platform::Label* Label2;

    void Timer1_Timer();
    void FermerSurClic();

protected:
    bool event(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

public:
    // Every way of closing ends here (timer, click, the window system).
    void done(int result) override;

private:
    void Form_Load(QWidget* principale);
};

} // namespace windows
