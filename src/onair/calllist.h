#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class Database;

// A call and its locator as a list file gives them; the locator empty when the file has none.
struct CallListEntry
{
    QString call;    // upper-case
    QString locator; // upper-case, a valid six-character locator or empty
};

// What a list file holds: its entries and the 1-based numbers of the lines that could not be
// read; none when the bytes are no text.
struct CallListReading
{
    std::vector<CallListEntry> entries;
    QList<int> unreadLines;
};

// Reads a call list: an EDI file (its contacts), or lines of `CALL,LOCATOR,...` (the CALL3.TXT
// format: "//" begins a comment line, a line "ZZZZ" ends the list) or `CALL;LOCATOR`. UTF-8 or
// CP1251. A line whose call is no call or whose locator is not a locator is left out and its
// number kept; a blank locator gives the call alone.
std::optional<CallListReading> readCallList(const QByteArray& bytes);

// Calls found by a part of them, fast over a hundred thousand: the calls are kept in one text,
// one a line, which a substring search runs through from the newest back.
class CallIndex
{
public:
    void clear();
    // A call (upper-case); one that is there already becomes the newest.
    void add(const QString& call);
    bool contains(const QString& call) const { return m_calls.contains(call); }
    int size() const { return int(m_calls.size()); }
    // The calls holding `part` (upper-case, letters, digits and "/"), newest first, at most `limit`,
    // those in `skip` left out.
    QStringList find(const QString& part, int limit, const QSet<QString>& skip = {}) const;

private:
    QString m_text = QStringLiteral("\n"); // "\nCALL\nCALL\n", the newest last
    QSet<QString> m_calls;
};

// The known calls and locators: the program's own log (all contests, the newest contact first)
// before the call list the operator imported (the table CallList). Everything is in memory, so
// that a key typed into the call field asks nothing of the database.
class CallBook
{
public:
    void load(Database& db);
    // A contact was saved.
    void logged(const QString& call, const QString& locator);
    // Adds the entries to the table in one transaction, each (call, locator) once: a second
    // import of the same file adds nothing. The number of rows added.
    int import(Database& db, const std::vector<CallListEntry>& entries);

    // The locator the own log has last for the call; empty when none.
    QString ownLocator(const QString& call) const;
    // The imported list's locator for the call (the last imported); empty when none.
    QString listLocator(const QString& call) const;
    // The own log's locator, else the list's.
    QString locatorOf(const QString& call) const;
    // The calls holding the typed characters, the own log's first.
    QStringList matching(const QString& typed, int limit) const;
    int listSize() const { return m_list.size(); }

private:
    CallIndex m_own;
    QHash<QString, QString> m_ownLocators;
    CallIndex m_list;
    QHash<QString, QString> m_listLocators;
};

// Whether a typed text can be searched for: letters, digits and "/"; upper-cased.
QString callKey(const QString& typed);

// Reads a list file and adds its calls to the table and the book. What to tell the operator,
// and whether it is a failure (nothing added, the log untouched).
struct CallListImport
{
    bool failed = false;
    QString message;
};
CallListImport importCallListFile(Database& db, CallBook& book, const QString& path);
