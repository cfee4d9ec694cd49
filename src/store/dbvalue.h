#pragma once

#include <QString>

#include <variant>

// A value as the database helpers return and accept it. Date-times are day counts since
// 30 December 1899 with the time of day as the fraction; they travel as their own kind so
// that callers and grids know how to show them.
class DbValue
{
public:
    enum class Kind { Null, Integer, Double, Text, DateTime, Boolean };

    DbValue() = default;
    DbValue(int v) : m_kind(Kind::Integer), m_value(qint64(v)) {}
    DbValue(qint64 v) : m_kind(Kind::Integer), m_value(v) {}
    DbValue(double v) : m_kind(Kind::Double), m_value(v) {}
    DbValue(const QString& v) : m_kind(Kind::Text), m_value(v) {}
    DbValue(const char* v) : m_kind(Kind::Text), m_value(QString::fromUtf8(v)) {}

    static DbValue dateTime(double days);
    static DbValue boolean(bool v);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    bool isNumeric() const;

    // Conversions throw DbConversionError on null and on text that is not a number.
    qint64 toInt() const;
    double toDouble() const;
    QString toString() const;
    bool toBool() const;

    // Text for an operator: empty for null, numbers without locale grouping.
    QString displayText() const;

    bool operator==(const DbValue& other) const;
    bool operator!=(const DbValue& other) const { return !(*this == other); }

private:
    Kind m_kind = Kind::Null;
    std::variant<std::monostate, qint64, double, QString, bool> m_value;
};
