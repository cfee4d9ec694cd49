#pragma once

#include <QString>

#include <vector>

class Database;

// A band of the log: its key (BandRowid, the band's lower edge in MHz) and its name.
struct LogBand
{
    qint32 key = 0;
    QString name;
};

// The log's bands, read from the band table in the order of their keys.
std::vector<LogBand> readLogBands(Database& db);
