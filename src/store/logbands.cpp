#include "store/logbands.h"

#include "store/database.h"

std::vector<LogBand> readLogBands(Database& db)
{
    std::vector<LogBand> bands;
    db.queryEach(
        QStringLiteral("SELECT BandRowid, BandName FROM [Band] ORDER BY BandRowid"),
        [&](const ResultRow& row) {
            bands.push_back({qint32(row[0].toInt()), row[1].isNull() ? QString() : row[1].displayText()});
        });
    return bands;
}
