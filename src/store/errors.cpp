#include "store/errors.h"

QString SqlError::boxText() const
{
    return m_statement.isEmpty() ? message() : statementErrorText(m_statement, message());
}

QString statementErrorText(const QString& statement, const QString& message)
{
    const QString lineBreak = QStringLiteral("\n\r");
    return QStringLiteral("Не могу выполнить запрос: ") + lineBreak + statement + lineBreak + lineBreak +
           message;
}
