#pragma once

#include <QColor>
#include <QString>

// What the main window knows and the other windows read and change: the own station, the
// current contest and band, the clock offset and how the log is shown.
struct MainState
{
    QString OwnCall;
    QString OwnLocator;
    QString CurrentContestName;
    qint32 CurrentContestId = 0;
    qint32 CurrentBandId = 0; // BandRowid of the chosen band; 0 for none
    double BandPointsPerKm = 0;
    qint16 ClockOffsetHours = 0; // added to local time to give UTC
    double ClockTime = 0;        // the clock's last value, a day count
    QString SortOrder = QStringLiteral("ASC");
    bool ViewerMode = false;
    QString TmpHtmlPath;

    static inline const QColor SentColor{255, 255, 205};
    static inline const QColor ReceivedColor{255, 215, 255};
    static inline const QColor HighlightColor{255, 215, 215};
};
