#include "platform/help.h"

#include "platform/fenetres.h"

#include <QFile>
#include <QPointer>
#include <QTextBrowser>

static void initAideResource()
{
    Q_INIT_RESOURCE(aide);
}

namespace platform {

namespace {

QString currentHelpFile;

void showBuiltInManual(const QString&, int context)
{
    initAideResource();
    static QPointer<QTextBrowser> viewer;
    if (!viewer) {
        viewer = new QTextBrowser;
        viewer->setAttribute(Qt::WA_DeleteOnClose);
        viewer->setAttribute(Qt::WA_QuitOnClose, false); // the program ends with its main window
        viewer->setObjectName(QStringLiteral("Aide"));
        viewer->setWindowTitle(QStringLiteral("Aide de Tarvelon"));
        viewer->setAccessibleName(QStringLiteral("Aide de Tarvelon"));
        viewer->setOpenExternalLinks(false);
        viewer->resize(520, 440);
        viewer->setSource(QUrl(QStringLiteral("qrc:/aide/tarvelon.html")));
    }
    viewer->scrollToAnchor(helpAnchor(context));
    viewer->show();
    activate(viewer);
}

} // namespace

void setHelpFile(const QString& path)
{
    currentHelpFile = path;
}

QString helpFile()
{
    return currentHelpFile;
}

QString helpAnchor(int context)
{
    return context == 3100 ? QStringLiteral("apropos") : QStringLiteral("sommaire");
}

HelpHandler& helpHandlerSlot()
{
    static HelpHandler handler = showBuiltInManual;
    return handler;
}

void openHelp(const QString& file, int context)
{
    helpHandlerSlot()(file, context);
}

} // namespace platform
