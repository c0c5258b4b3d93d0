#include "platform/messagebox.h"

#include "platform/help.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace platform {

namespace {

constexpr int MaxShownCharacters = 4000;

// F1 while the box is up opens the help at the box's topic.
class HelpKeyFilter : public QObject {
public:
    HelpKeyFilter(QString file, int context) : m_file(std::move(file)), m_context(context) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
            openHelp(m_file, m_context);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QString m_file;
    int m_context;
};

int showRealBox(const MessageRequest& request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowTitle(request.title.isEmpty() ? QStringLiteral("Tarvelon") : request.title);
    box.setText(displayedMessageText(request.text));
    switch (request.style & ~MbDefaultButton2) {
    case MbYesNoQuestion:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((request.style & MbDefaultButton2) ? QMessageBox::No
                                                                : QMessageBox::Yes);
        break;
    case MbInformation:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    HelpKeyFilter filter(request.helpFile, request.helpContext);
    if (!request.helpFile.isEmpty())
        box.installEventFilter(&filter);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return AnswerYes;
    if (answer == QMessageBox::No)
        return AnswerNo;
    return AnswerOk;
}

} // namespace

QString displayedMessageText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    for (QChar& c : shown) {
        if (c != QLatin1Char('\n') && c != QLatin1Char('\t') &&
            c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    if (shown.size() > MaxShownCharacters) {
        // Never half of a character that takes two UTF-16 units.
        shown.truncate(shown[MaxShownCharacters].isLowSurrogate() ? MaxShownCharacters - 1
                                                                  : MaxShownCharacters);
        shown += QStringLiteral(" […]");
    }
    return shown;
}

MessageHandler& messageHandlerSlot()
{
    static MessageHandler handler = showRealBox;
    return handler;
}

int msgBox(const QString& text, int style, const QString& title, const QString& helpFile,
           int helpContext)
{
    return messageHandlerSlot()(MessageRequest{text, style, title, helpFile, helpContext});
}

} // namespace platform
