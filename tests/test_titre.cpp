// The title bar as the X window system gets it (the _NET_WM_NAME property
// that window managers show), with the application set up as tarvelon does:
// the captions exactly as designed, nothing appended. Runs under Xvfb.
#include "support.h"
#include "windows/main/application.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QtTest>
#include <xcb/xcb.h>

using windows::PreparerApplication;

namespace {

QString xTitle(QWidget* window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return QStringLiteral("(not on X11)");
    xcb_connection_t* c = x11->connection();
    const auto atom = [c](const char* name) {
        xcb_intern_atom_reply_t* r =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return a;
    };
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, xcb_window_t(window->winId()),
                                                atom("_NET_WM_NAME"), atom("UTF8_STRING"), 0, 1024),
                               nullptr);
    QString title;
    if (reply) {
        title = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                  xcb_get_property_value_length(reply));
        free(reply);
    }
    return title;
}

} // namespace

class TestTitre : public QObject {
    Q_OBJECT

    platform::MessageHandler m_realBox = platform::messageHandlerSlot();

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        PreparerApplication();
    }

    void windowTitle_asDesignedInBothViews()
    {
        test::Installation inst(
            {{"Georges", "23/04", "0000", "M"}, {"Paul", "12/05", "1990", " "}});
        auto w = inst.startWindow();
        w->show();
        QTRY_COMPARE(xTitle(w.get()), QString::fromUtf8("Fêtes à Souhaiter"));
        w->SSCommand5_Click();
        QTRY_COMPARE(xTitle(w.get()), QStringLiteral("Anniversaires"));
        w->SSCommand5_Click();
        QTRY_COMPARE(xTitle(w.get()), QString::fromUtf8("Fêtes à souhaiter"));
    }

    void messageBoxTitles_asGiven()
    {
        test::Installation inst({{"Georges", "23/04", "0000", "M"}});
        auto w = inst.startWindow();
        w->show();
        QStringList titles;
        // The real boxes: read each one's title, then close it.
        const auto readAndClose = [&titles] {
            QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QTRY_VERIFY(!xTitle(box).isEmpty());
            titles << xTitle(box);
            box->button(box->buttons().size() > 1 ? QMessageBox::No : QMessageBox::Ok)->click();
        };
        platform::ScopedMessageHandler real(m_realBox);
        QTimer::singleShot(0, readAndClose);
        w->SSCommand4_Click(); // A propos...
        QTimer::singleShot(0, readAndClose);
        w->SSCommand1_Click(1); // Supprimer: the question, answered No
        QTimer::singleShot(0, readAndClose);
        platform::msgBox(QStringLiteral("Sans titre"));
        QCOMPARE(titles, (QStringList{"A propos...", "Suppression...", "Tarvelon"}));
    }
};

QTEST_MAIN(TestTitre)
#include "test_titre.moc"
