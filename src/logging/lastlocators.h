#pragma once

#include <QHash>
#include <QString>

#include <optional>

class Database;

// The locator last logged for every call in the whole log, the last by insertion, kept in
// memory so that a typed locator is compared with it at every key without a query.
class LastLocators
{
public:
    struct Entry
    {
        QString locator;
        double dateTime = 0; // a day count, UTC
    };

    // Reads the whole log again: at start and after the grid changed or deleted a row.
    void load(Database& db);
    // A contact was saved.
    void logged(const QString& call, const QString& locator, double dateTime);
    std::optional<Entry> of(const QString& call) const;
    // The earlier entry when the typed locator is a whole valid locator that differs from
    // the call's last one, in upper case; none otherwise.
    std::optional<Entry> differing(const QString& call, const QString& typedLocator) const;

private:
    QHash<QString, Entry> m_byCall; // by the call in upper case
};
