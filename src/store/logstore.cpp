#include "store/logstore.h"

#include "platform/prompts.h"
#include "store/errors.h"

LogStore::LogStore(std::unique_ptr<Database> db, Prompts& prompts)
    : m_db(std::move(db)), m_prompts(prompts), m_setting(*m_db), m_settingInfo(*m_db)
{
    m_setting.setSql(QStringLiteral("SELECT * FROM Setting"));
    m_setting.setBaseTable(QStringLiteral("Setting"));
    m_settingInfo.setSql(QStringLiteral("SELECT * FROM SettingInfo"));
    m_settingInfo.setBaseTable(QStringLiteral("SettingInfo"));
}

bool LogStore::eSQL(const QString& statement)
{
    try {
        m_db->exec(statement);
        return true;
    } catch (const SqlError& e) {
        m_prompts.error(statementErrorText(statement, e.message()));
        return false;
    }
}

DbValue LogStore::eSQLreturn(const QString& query)
{
    return m_db->queryFirst(query).value_or(DbValue(0));
}

DbValue LogStore::eSQLreturn2(const QString& query)
{
    return m_db->queryFirst(query).value_or(DbValue());
}

void LogStore::openSettingCursors()
{
    m_setting.open();
    m_settingInfo.open();
}

DbValue LogStore::GetSet(const QString& name, int kind)
{
    if (!m_setting.locatePrefix(QStringLiteral("SettingName"), name))
        return {};
    return m_setting.value(kind == TextSetting ? QStringLiteral("SettingParamStr")
                                               : QStringLiteral("SettingParamInt"));
}

void LogStore::SetSet(const QString& name, int kind, const DbValue& value)
{
    const bool found = m_setting.locatePrefix(QStringLiteral("SettingName"), name);
    if (found)
        m_setting.edit();
    else
        m_setting.append();
    m_setting.setValue(
        kind == TextSetting ? QStringLiteral("SettingParamStr") : QStringLiteral("SettingParamInt"), value);
    if (!found)
        m_setting.setValue(QStringLiteral("SettingName"), name);
    try {
        m_setting.post();
    } catch (...) {
        m_setting.cancel();
        throw;
    }
}

DbValue LogStore::GetSetInfo(const QString& key)
{
    // Windows that read the personal data close it when they end; reading opens it again.
    if (!m_settingInfo.isOpen())
        m_settingInfo.open();
    if (!m_settingInfo.locatePrefix(QStringLiteral("SettingInfoN"), key))
        return {};
    return m_settingInfo.value(QStringLiteral("SettingInfoValue"));
}

std::optional<int> LogStore::intSetting(const QString& name)
{
    const DbValue v = GetSet(name, IntegerSetting);
    if (v.isNull())
        return std::nullopt;
    try {
        return int(v.toInt());
    } catch (const DbConversionError&) {
        return std::nullopt;
    }
}

std::optional<QString> LogStore::textSetting(const QString& name)
{
    const DbValue v = GetSet(name, TextSetting);
    if (v.isNull())
        return std::nullopt;
    return v.toString();
}

QString RowCount2Gb(const Cursor* source, const QString& caption, bool reverse)
{
    if (!source || !source->isOpen())
        return caption + QStringLiteral(" [-/-]");
    switch (source->state()) {
    case Cursor::State::Insert:
        return caption + QStringLiteral(" [новая запись]");
    case Cursor::State::Edit:
        return caption + QStringLiteral(" [редактирование]");
    default:
        break;
    }
    const int count = source->rowCount();
    if (count == 0)
        return caption + QStringLiteral(" [0/0]");
    const int position = reverse ? count - source->recNo() + 1 : source->recNo();
    return caption + QStringLiteral(" [%1/%2]").arg(position).arg(count);
}

int storedListPosition(const DbValue& value, int count)
{
    if (value.isNull())
        return -1;
    bool ok = false;
    const int position = value.displayText().trimmed().toInt(&ok);
    return ok && position >= 0 && position < count ? position : -1;
}
