#pragma once

#include "logging/lastlocators.h"
#include "onair/calllist.h"
#include "platform/clock.h"

#include <QColor>
#include <QString>

#include <optional>

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
    qint16 ClockOffsetHours = 0;  // added to local time to give UTC, once a zone is chosen
    bool ClockZoneChosen = false; // no zone or the computer's clock: the system's own UTC
    double ClockTime = 0;         // the clock's last value, a day count
    QString SortOrder = QStringLiteral("ASC");
    bool ViewerMode = false;
    LastLocators lastLocators; // every call's last locator, for the changed-QTH warning
    CallBook callBook;         // the calls of the log and the imported list, as a call is typed

    // A stored zone position (or none) as the clock's correction.
    void setZonePosition(std::optional<int> position)
    {
        const std::optional<int> correction = correctionOfZonePosition(position);
        ClockZoneChosen = correction.has_value();
        ClockOffsetHours = qint16(correction.value_or(0));
    }

    // The correction the clock applies: none until a zone is chosen.
    std::optional<int> clockCorrection() const
    {
        return ClockZoneChosen ? std::optional<int>(ClockOffsetHours) : std::nullopt;
    }

    static inline const QColor SentColor{255, 255, 205};
    static inline const QColor ReceivedColor{255, 215, 255};
    static inline const QColor HighlightColor{255, 215, 215};
    static inline const QColor MovedQthColor{255, 200, 120};
};
