#pragma once

#include <QString>

#include <stdexcept>

// Errors that reach the event loop (or a caller that handles them) carry a text the
// operator can read; the message box shows it as it stands.
class KovraError : public std::runtime_error
{
public:
    explicit KovraError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// A statement or query the database refused; message() is the database's own text.
class SqlError : public KovraError
{
public:
    using KovraError::KovraError;
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
