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
    QString locator; // upper-case: a valid locator, a valid four-character square, or empty
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
// CP1251. A line whose call is no call or whose locator is neither a locator nor a square is
// left out and its number kept; a blank locator gives the call alone.
std::optional<CallListReading> readCallList(const QByteArray& bytes);

// Calls found by a part of them, fast over a hundred thousand: the calls are kept in one text,
// one a line, which a substring search runs through from the newest back. A call that moves or
// goes leaves blank lines behind, which no part matches; they are squeezed out once they are
// as many characters as the calls.
class CallIndex
{
public:
    void clear();
    // A call (upper-case); one that is there already becomes the newest.
    void add(const QString& call);
    void remove(const QString& call);
    bool contains(const QString& call) const { return m_lines.contains(call); }
    int size() const { return int(m_lines.size()); }
    // The calls holding `part` (upper-case, letters, digits and "/"), newest first, at most `limit`,
    // those in `skip` left out.
    QStringList find(const QString& part, int limit, const QSet<QString>& skip = {}) const;

private:
    void blank(qsizetype at, qsizetype length);
    void squeeze();

    QString m_text = QStringLiteral("\n"); // "\nCALL\nCALL\n", the newest last
    QHash<QString, qsizetype> m_lines;     // where each call's line begins in the text
    qsizetype m_blanked = 0;               // characters of calls moved or gone
};

// The known calls and locators: the program's own log (all contests, the newest contact first)
// before the call list the operator imported (the table CallList). Everything is in memory, so
// that a key typed into the call field asks nothing of the database. A contact saved or arrived
// adds its call; a contact edited or deleted reads its calls again; only a new contest or log
// reads everything.
class CallBook
{
public:
    void load(Database& db);
    // A contact was saved.
    void logged(const QString& call, const QString& locator);
    // Contacts with these calls were edited or deleted: each call's last locator read again from
    // the log, and a call the log no longer has gone from it (the list keeps its own).
    void recheck(Database& db, const QStringList& calls);
    // Adds the entries to the table in one transaction, each (call, locator) once: a second
    // import of the same file adds nothing. The latest import wins: its pairs become the newest
    // rows, so that a call's list locator is the one of the file imported last (of its lines,
    // the last), now and after the list is read again.
    int import(Database& db, const std::vector<CallListEntry>& entries);

    // The locator the own log has last for the call; empty when none.
    QString ownLocator(const QString& call) const;
    // The imported list's locator for the call (of the latest import); empty when none.
    QString listLocator(const QString& call) const;
    // The own log's locator, else the list's.
    QString locatorOf(const QString& call) const;
    // The calls holding the typed characters, the own log's first.
    QStringList matching(const QString& typed, int limit) const;
    int listSize() const { return m_list.size(); }

private:
    void listed(const QString& call, const QString& locator);

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
