#include "sharing/sharesettings.h"

#include "store/logstore.h"

#include <QUuid>

ShareSettings ShareSettings::load(LogStore& store)
{
    ShareSettings s;
    auto text = [&](const char* name) {
        return store.textSetting(QString::fromLatin1(name)).value_or(QString());
    };
    s.address.host = text("ShareHost").trimmed();
    s.address.database = text("ShareDatabase").trimmed();
    s.address.user = text("ShareUser").trimmed();
    if (const auto port = store.intSetting(QStringLiteral("SharePort")); port && *port > 0 && *port < 65536)
        s.address.port = *port;
    s.positionName = text("SharePositionName").trimmed();
    s.enabled = store.intSetting(QStringLiteral("ShareEnabled")).value_or(0) == 1;
    return s;
}

void ShareSettings::save(LogStore& store) const
{
    store.SetSet(QStringLiteral("ShareHost"), LogStore::TextSetting, address.host.trimmed());
    store.SetSet(QStringLiteral("SharePort"), LogStore::IntegerSetting, address.port);
    store.SetSet(QStringLiteral("ShareDatabase"), LogStore::TextSetting, address.database.trimmed());
    store.SetSet(QStringLiteral("ShareUser"), LogStore::TextSetting, address.user.trimmed());
    store.SetSet(QStringLiteral("SharePositionName"), LogStore::TextSetting, positionName.trimmed());
    store.SetSet(QStringLiteral("ShareEnabled"), LogStore::IntegerSetting, enabled ? 1 : 0);
}

QString sharePositionId(LogStore& store)
{
    const QString stored = store.textSetting(QStringLiteral("SharePositionId")).value_or(QString()).trimmed();
    if (!QUuid::fromString(stored).isNull())
        return stored;
    const QString made = QUuid::createUuid().toString(QUuid::WithoutBraces);
    store.SetSet(QStringLiteral("SharePositionId"), LogStore::TextSetting, made);
    return made;
}
