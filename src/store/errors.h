#pragma once

#include <QString>

#include <stdexcept>

// Errors that reach the event loop (or a caller that handles them) carry a text the
// operator can read; the message box shows boxText() as it stands.
class KovraError : public std::runtime_error
{
public:
    explicit KovraError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    const QString& message() const { return m_message; }
    virtual QString boxText() const { return m_message; }

private:
    QString m_message;
};

// A statement or query the database refused; message() is the database's own text and
// statement() the text that was sent, when known.
class SqlError : public KovraError
{
public:
    enum class Cause { Other, Constraint };
    explicit SqlError(const QString& message, const QString& statement = QString(),
                      Cause cause = Cause::Other)
        : KovraError(message), m_statement(statement), m_cause(cause)
    {}
    const QString& statement() const { return m_statement; }
    // A row the database's constraints refuse (a unique, a NOT NULL, a check), as opposed to a
    // database that is busy, full or broken.
    bool brokeConstraint() const { return m_cause == Cause::Constraint; }
    // The box of a failed statement, so that the operator sees what was asked.
    QString boxText() const override;

private:
    QString m_statement;
    Cause m_cause;
};

// A null or malformed value where the caller needs a number or a text.
class DbConversionError : public KovraError
{
public:
    using KovraError::KovraError;
};

// The database file could not be opened as a log database.
class ConnectionError : public KovraError
{
public:
    using KovraError::KovraError;
};

// The error box of a failed statement: the statement, then the database's message, the
// lines broken with LF CR.
QString statementErrorText(const QString& statement, const QString& message);
