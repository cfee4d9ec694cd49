#pragma once

#include <QString>

// Statements are kept in the Jet (Access) dialect the log has always spoken; this rewrites
// only what SQLite does not accept:
//  - "SELECT TOP n" at any nesting level becomes "LIMIT n" at the end of that SELECT;
//  - a date literal #mm/dd/yyyy hh.nn.ss# becomes its day count, computed exactly as the
//    program computes day counts, so stored and computed times compare equal;
//  - "ALTER TABLE t ALTER COLUMN ..." has nothing to do (SQLite types are dynamic).
// Text inside quotes, brackets and identifiers is never touched. Last() is registered with
// the connection as an aggregate, True/False and [brackets] are native.
struct JetTranslation
{
    QString sql;
    bool noOp = false; // the statement succeeds without running anything
};

// Throws SqlError on an unterminated literal or an impossible date literal.
JetTranslation translateJet(const QString& jetSql);
