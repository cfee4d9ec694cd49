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
