#pragma once

#include "platform/scoped.h"
#include "socle/texte.h"

#include <QString>
#include <functional>

namespace platform {

// Message-box styles and answers by their classic numbers.
// MbDefaultButton2, added to a style, makes the second button (No) the
// default one.
enum MsgBoxStyle { MbOk = 0, MbYesNoQuestion = 36, MbInformation = 64, MbDefaultButton2 = 256 };
enum MsgBoxAnswer { AnswerOk = 1, AnswerYes = 6, AnswerNo = 7 };

// The program's line break in its multi-line texts: line feed, then carriage
// return. A message box shows it as one line break.
inline const QString LineBreak =
    QString::fromLatin1(socle::LineBreak.data(), qsizetype(socle::LineBreak.size()));

struct MessageRequest {
    QString text;
    int style = MbOk;
    QString title;    // empty: the application title, "Tarvelon"
    QString helpFile; // with a context, F1 opens the help at that topic
    int helpContext = 0;
};

// The one modal message box of the program. The text is always plain text:
// nothing from the settings file or the database is read as markup. The line
// break LF CR of the main window shows as one line break.
int msgBox(const QString& text, int style = MbOk, const QString& title = {},
           const QString& helpFile = {}, int helpContext = 0);

// What the box really shows for a text (line breaks folded, control
// characters blanked, an overlong text cut).
QString displayedMessageText(const QString& text);

using MessageHandler = std::function<int(const MessageRequest&)>;
MessageHandler& messageHandlerSlot();

// Routes every message box to a fake for the lifetime of the guard.
class ScopedMessageHandler : public ScopedSwap<MessageHandler> {
public:
    explicit ScopedMessageHandler(MessageHandler handler)
        : ScopedSwap(messageHandlerSlot(), std::move(handler))
    {
    }
};

} // namespace platform
