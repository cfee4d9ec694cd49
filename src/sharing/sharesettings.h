#pragma once

#include "sharing/pgconnection.h"

class LogStore;

// How this position reaches the shared log, kept in the Setting rows ShareHost, SharePort,
// ShareDatabase, ShareUser, SharePositionName and ShareEnabled. The password is never kept
// in the log file.
struct ShareSettings
{
    ServerAddress address; // without a password
    QString positionName;
    bool enabled = false;

    static ShareSettings load(LogStore& store);
    void save(LogStore& store) const;
};

// This position's id (SharePositionId): made once, when it is first asked for, and kept.
QString sharePositionId(LogStore& store);
