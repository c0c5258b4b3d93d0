#pragma once

#include <QString>

// The calendar file shown by the desktop's calendar (GNOME Calendar, the
// clock's calendar in the top bar): a read-only local calendar of the
// desktop's calendar service (Evolution Data Server), "Fêtes et
// anniversaires", declared by a key file of its sources folder
// ($XDG_CONFIG_HOME/evolution/sources/). The service sees the file come and
// go within seconds.
namespace bureau {

QString fichierSource();

// Whether the calendar is declared.
bool estInscrit();

// Why the calendar cannot be declared on this session (no calendar service),
// in French; empty when it can.
QString serviceAbsent(const QString& agenda);

// Declared (oui) or taken away (non); French words when it cannot be
// (empty when done).
QString inscrire(bool oui, const QString& agenda);

// The first start's question, asked once whatever the answer.
bool questionPosee();
void noterQuestionPosee();

} // namespace bureau
