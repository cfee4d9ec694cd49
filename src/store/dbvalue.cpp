#include "store/dbvalue.h"

#include "store/daycount.h"
#include "store/errors.h"

#include <cmath>

namespace {

[[noreturn]] void nullConversion()
{
    throw DbConversionError(QStringLiteral("Невозможно преобразовать пустое значение (Null)"));
}

} // namespace

DbValue DbValue::dateTime(double days)
{
    DbValue v(days);
    v.m_kind = Kind::DateTime;
    return v;
}

DbValue DbValue::boolean(bool b)
{
    DbValue v;
    v.m_kind = Kind::Boolean;
    v.m_value = b;
    return v;
}

bool DbValue::isNumeric() const
{
    return m_kind == Kind::Integer || m_kind == Kind::Double || m_kind == Kind::DateTime ||
           m_kind == Kind::Boolean;
}

qint64 DbValue::toInt() const
{
    switch (m_kind) {
    case Kind::Null:
        nullConversion();
    case Kind::Integer:
        return std::get<qint64>(m_value);
    case Kind::Double:
    case Kind::DateTime:
        return qint64(std::nearbyint(std::get<double>(m_value)));
    case Kind::Boolean:
        return std::get<bool>(m_value) ? 1 : 0;
    case Kind::Text: {
        bool ok = false;
        const QString text = std::get<QString>(m_value).trimmed();
        const qint64 v = text.toLongLong(&ok);
        if (ok)
            return v;
        const double d = text.toDouble(&ok);
        if (ok)
            return qint64(std::nearbyint(d));
        throw DbConversionError(QStringLiteral("\"%1\" не является целым числом").arg(text));
    }
    }
    nullConversion();
}

double DbValue::toDouble() const
{
    switch (m_kind) {
    case Kind::Null:
        nullConversion();
    case Kind::Integer:
        return double(std::get<qint64>(m_value));
    case Kind::Double:
    case Kind::DateTime:
        return std::get<double>(m_value);
    case Kind::Boolean:
        return std::get<bool>(m_value) ? 1.0 : 0.0;
    case Kind::Text: {
        bool ok = false;
        const QString text = std::get<QString>(m_value).trimmed();
        const double d = text.toDouble(&ok);
        if (ok)
            return d;
        throw DbConversionError(QStringLiteral("\"%1\" не является числом").arg(text));
    }
    }
    nullConversion();
}

QString DbValue::toString() const
{
    if (m_kind == Kind::Null)
        nullConversion();
    return displayText();
}

bool DbValue::toBool() const
{
    switch (m_kind) {
    case Kind::Null:
        nullConversion();
    case Kind::Boolean:
        return std::get<bool>(m_value);
    case Kind::Text: {
        const QString t = std::get<QString>(m_value).trimmed();
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        return toDouble() != 0.0;
    }
    default:
        return toDouble() != 0.0;
    }
}

QString DbValue::displayText() const
{
    switch (m_kind) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return QString::number(std::get<qint64>(m_value));
    case Kind::Double:
        return QString::number(std::get<double>(m_value), 'g', 15);
    case Kind::DateTime:
        return formatDayCount(std::get<double>(m_value));
    case Kind::Text:
        return std::get<QString>(m_value);
    case Kind::Boolean:
        return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    }
    return {};
}

bool DbValue::operator==(const DbValue& other) const
{
    if (isNull() || other.isNull())
        return isNull() && other.isNull();
    if (m_kind == Kind::Text || other.m_kind == Kind::Text) {
        if (m_kind != other.m_kind)
            return false;
        return std::get<QString>(m_value) == std::get<QString>(other.m_value);
    }
    if (m_kind == Kind::Integer && other.m_kind == Kind::Integer)
        return std::get<qint64>(m_value) == std::get<qint64>(other.m_value);
    return toDouble() == other.toDouble();
}
