#pragma once

#include <QString>

// A contact another position added, changed or deleted, as the window needs it to follow.
struct ArrivedContact
{
    enum Kind { Added, Changed, Removed };
    Kind kind = Added;
    qint32 contestId = 0;
    qint32 bandId = 0;
    // The band it had in this log before the change (a changed contact may have moved off a
    // band); 0 for one new here.
    qint32 previousBandId = 0;
    qint64 rowid = 0;
    QString call;
    QString previousCall; // the call it had here before; empty for one new here
    QString locator;
    double dateTime = 0; // a day count, UTC
};
