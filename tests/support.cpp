#include "support.h"

#include "platform/sqlite.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDir>
#include <QFile>
#include <QtTest>

namespace test {

Installation::Installation(const std::vector<Row>& rows, const QByteArray& settings, QDate day)
    : m_oldXdg(qgetenv("XDG_DATA_HOME"))
    , m_today(day)
    , m_sound(sound)
    , m_help([this](const QString& file, int context) {
        helpOpened << file + QLatin1Char('#') + QString::number(context);
    })
{
    qputenv("XDG_DATA_HOME", m_root.path().toUtf8());
    QDir().mkpath(dir());
    writeDatabase(dbPath(), rows);
    if (!settings.isNull())
        writeSettings(settings);
    sound.journal = &journal;
    messages.journal = &journal;
}

Installation::~Installation()
{
    qputenv("XDG_DATA_HOME", m_oldXdg);
}

QString Installation::dir() const
{
    return m_root.path() + QStringLiteral("/tarvelon/");
}

void Installation::writeSettings(const QByteArray& settings)
{
    QFile file(settingsPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(settings);
}

QStringList Installation::storedRows() const
{
    return test::storedRows(dbPath());
}

std::unique_ptr<Tarvelon> Installation::loadWindow()
{
    auto w = std::make_unique<Tarvelon>();
    w->DelaiAccueil = 0;
    if (!w->Form_Load())
        return nullptr;
    return w;
}

std::unique_ptr<Tarvelon> Installation::startWindow()
{
    auto w = loadWindow();
    if (!w)
        return w;
    w->Form_Activate();
    messages.shown.clear();
    sound.events.clear();
    journal.clear();
    return w;
}

QString shown(const Tarvelon& w)
{
    return w.Text1[0]->text() + QLatin1Char('|') + w.Text1[1]->text();
}

QStringList listItems(const Tarvelon& w)
{
    QStringList items;
    for (int i = 0; i < w.List1->count(); ++i)
        items << w.List1->item(i)->text();
    return items;
}

bool showActive(QWidget& w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

void press(QAbstractButton* button)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button);
    QVERIFY(a && a->actionInterface());
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

} // namespace test
