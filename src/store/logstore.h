#pragma once

#include "store/cursor.h"
#include "store/database.h"

#include <memory>
#include <optional>

class ContactJournal;
class Prompts;

// The helpers through which every window talks to the log database, and the two settings
// cursors that live for the whole run.
class LogStore
{
public:
    enum SettingKind { IntegerSetting = 0, TextSetting = 1 };

    LogStore(std::unique_ptr<Database> db, Prompts& prompts);

    Database& db() { return *m_db; }
    Prompts& prompts() { return m_prompts; }
    // What every write of contacts tells, when a journal is set (the shared log's).
    ContactJournal* journal() const { return m_journal; }
    void setJournal(ContactJournal* journal) { m_journal = journal; }

    // Runs a statement; a failure is shown in the error box and the caller goes on.
    // Returns whether it ran, for the callers that must not go on as if it had.
    bool eSQL(const QString& statement);
    // The first column of the first row: 0 (eSQLreturn) or null (eSQLreturn2) when there is
    // no row. A failing query throws SqlError to the caller.
    DbValue eSQLreturn(const QString& query);
    DbValue eSQLreturn2(const QString& query);

    // "SELECT * FROM Setting" and "SELECT * FROM SettingInfo", opened after the upgrade.
    void openSettingCursors();
    Cursor& qSetting() { return m_setting; }
    Cursor& qSettingInfo() { return m_settingInfo; }

    // Settings are found by prefix: the first row whose name begins with `name`.
    DbValue GetSet(const QString& name, int kind);
    void SetSet(const QString& name, int kind, const DbValue& value);
    DbValue GetSetInfo(const QString& key);

    // GetSet of an integer setting as a number; no value when absent or not a number.
    std::optional<int> intSetting(const QString& name);
    std::optional<QString> textSetting(const QString& name);

private:
    std::unique_ptr<Database> m_db;
    Prompts& m_prompts;
    ContactJournal* m_journal = nullptr;
    Cursor m_setting;
    Cursor m_settingInfo;
};

// "Список" plus the record counter of a cursor: [n/N], [0/0], [-/-], or the edit state.
// With reverse the rows count from the bottom, so a log sorted newest first still shows
// a contact's place in the order it was logged.
QString RowCount2Gb(const Cursor* source, const QString& caption, bool reverse);

// A personal-data choice kept as a position in a list of `count` entries: the position when
// the value is a decimal integer within the list, else -1 (not set; "-1" itself included).
int storedListPosition(const DbValue& value, int count);
