#pragma once

#include "store/database.h"
#include "store/logstore.h"

#include <QTemporaryDir>

#include <memory>

class Prompts;

// A fresh log database file in a temporary folder, removed with the object.
class TempDatabase
{
public:
    TempDatabase();
    QString path() const { return m_dir.filePath(QStringLiteral("Kovra.db")); }
    QString folder() const { return m_dir.path(); }

    // Opens the file (creating it from the seed the first time).
    std::unique_ptr<LogStore> openStore(Prompts& prompts) const;

    // Runs native SQLite statements on the file through a connection of its own, to shape
    // a fixture or to look at what the program stored.
    void sqlite(const QString& statements) const;
    QVariantList column(const QString& query) const;

private:
    QTemporaryDir m_dir;
};

// A small contest for figures, as statements for TempDatabase::sqlite: contest 1, current,
// own locator KO85AA, on 15 July 2015 (UTC), with five contacts on two bands, their points,
// distances and azimuths as stored:
//   144 MHz  1 UA3AAA KO95AA 10:02  127 pt  127.4 km  89°
//            2 UA3BBB KO86AA 10:30  111 pt  111.1 km   0°
//            3 RA1CCC KO59XX 11:00  700 pt  700.2 km 330°
//   432 MHz  4 UA3AAA KO95AA 10:40  254 pt  127.4 km  89°
//            5 R2DDD  KO95BB 11:55  260 pt  130.0 km  88°
// and one contact of another contest (rowid 6), which no figure of contest 1 may count.
QString fiveContactsOnTwoBands();
