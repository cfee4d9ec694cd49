#include "logging/lastlocators.h"

#include "logging/locator.h"
#include "store/database.h"

void LastLocators::load(Database& db)
{
    m_byCall.clear();
    db.queryEach(
        QStringLiteral("SELECT ContestListCall, ContestListQTH, ContestListDateTime FROM ContestList "
                       "ORDER BY ContestListRowid"),
        [this](const ResultRow& row) {
            logged(row[0].displayText(), row[1].displayText(), row[2].isNumeric() ? row[2].toDouble() : 0);
        });
}

void LastLocators::logged(const QString& call, const QString& locator, double dateTime)
{
    const QString key = call.trimmed().toUpper();
    if (key.isEmpty())
        return;
    m_byCall.insert(key, {locator.trimmed().toUpper(), dateTime});
}

std::optional<LastLocators::Entry> LastLocators::of(const QString& call) const
{
    const auto found = m_byCall.constFind(call.trimmed().toUpper());
    if (found == m_byCall.constEnd())
        return std::nullopt;
    return *found;
}

std::optional<LastLocators::Entry> LastLocators::differing(const QString& call,
                                                           const QString& typedLocator) const
{
    QString typed = typedLocator.trimmed();
    if (!LocatorIsValid(typed)) // upper-cases it too
        return std::nullopt;
    const std::optional<Entry> earlier = of(call);
    if (!earlier || earlier->locator.isEmpty() || earlier->locator == typed)
        return std::nullopt;
    return earlier;
}
