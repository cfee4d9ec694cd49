#include "onair/calllist.h"

#include "exchange/edireader.h"
#include "logging/locator.h"
#include "onair/chatreader.h"
#include "store/database.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringTokenizer>

#include <algorithm>

std::optional<CallListReading> readCallList(const QByteArray& bytes)
{
    const std::optional<QString> text = decodeEdiText(bytes);
    if (!text)
        return std::nullopt;
    CallListReading reading;
    auto take = [&reading](QString call, QString locator) {
        call = call.trimmed().toUpper();
        locator = locator.trimmed();
        if (!looksLikeCall(call) ||
            (!locator.isEmpty() && !LocatorIsValid(locator) && !LocatorSquareIsValid(locator)))
            return false;
        reading.entries.push_back({call, locator});
        return true;
    };
    if (text->contains(QLatin1String("[QSORecords"), Qt::CaseInsensitive)) {
        const EdiReading edi = readEdiText(*text);
        for (const EdiReadContact& contact : edi.contacts)
            take(contact.call, contact.locator);
        reading.unreadLines = edi.unreadLines;
        return reading;
    }
    static const QRegularExpression lineEnds(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text->split(lineEnds);
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("//")))
            continue;
        const QStringList fields =
            line.split(line.contains(QLatin1Char(',')) ? QLatin1Char(',') : QLatin1Char(';'));
        if (fields[0].trimmed().compare(QLatin1String("ZZZZ"), Qt::CaseInsensitive) == 0)
            break;
        if (!take(fields[0], fields.value(1)))
            reading.unreadLines << i + 1;
    }
    return reading;
}

QString callKey(const QString& typed)
{
    static const QRegularExpression callCharacters(QStringLiteral("^[A-Za-z0-9/]+$"));
    const QString key = typed.trimmed().toUpper();
    return callCharacters.match(key).hasMatch() ? key : QString();
}

void CallIndex::clear()
{
    m_text = QStringLiteral("\n");
    m_lines.clear();
    m_blanked = 0;
}

void CallIndex::add(const QString& call)
{
    if (call.isEmpty() || call.contains(QLatin1Char('\n')))
        return;
    const auto found = m_lines.find(call);
    if (found != m_lines.end()) {
        if (*found + call.size() + 1 == m_text.size())
            return; // the newest already
        blank(*found, call.size());
        *found = m_text.size();
    } else {
        m_lines.insert(call, m_text.size());
    }
    m_text += call + QLatin1Char('\n');
    squeeze();
}

void CallIndex::remove(const QString& call)
{
    const auto found = m_lines.constFind(call);
    if (found == m_lines.constEnd())
        return;
    blank(*found, call.size());
    m_lines.erase(found);
    squeeze();
}

void CallIndex::blank(qsizetype at, qsizetype length)
{
    std::fill(m_text.begin() + at, m_text.begin() + at + length, QLatin1Char('\n'));
    m_blanked += length;
}

// Once the blanked characters are as many as the rest, the text is written again without them:
// a pass over the whole text for every half of it blanked keeps each add and remove linear.
void CallIndex::squeeze()
{
    if (m_blanked * 2 < m_text.size())
        return;
    QString text;
    text.reserve(m_text.size() - m_blanked);
    text += QLatin1Char('\n');
    for (const QStringView call : QStringView(m_text).tokenize(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        m_lines[call.toString()] = text.size();
        text += call;
        text += QLatin1Char('\n');
    }
    m_text = std::move(text);
    m_blanked = 0;
}

QStringList CallIndex::find(const QString& part, int limit, const QSet<QString>& skip) const
{
    QStringList found;
    if (part.isEmpty() || part.contains(QLatin1Char('\n')))
        return found;
    qsizetype from = -1;
    while (found.size() < limit) {
        const qsizetype at = m_text.lastIndexOf(part, from);
        if (at <= 0)
            break;
        const qsizetype start = m_text.lastIndexOf(QLatin1Char('\n'), at) + 1;
        const qsizetype end = m_text.indexOf(QLatin1Char('\n'), at);
        const QString call = m_text.mid(start, end - start);
        if (!skip.contains(call))
            found << call;
        if (start < 2)
            break;
        from = start - 2; // before this call's line end
    }
    return found;
}

void CallBook::load(Database& db)
{
    m_own.clear();
    m_ownLocators.clear();
    db.queryEach(
        QStringLiteral("SELECT ContestListCall, ContestListQTH FROM ContestList ORDER BY ContestListRowid"),
        [this](const ResultRow& row) { logged(row[0].displayText(), row[1].displayText()); });
    m_list.clear();
    m_listLocators.clear();
    db.queryEach(QStringLiteral("SELECT CallListCall, CallListQTH FROM CallList ORDER BY CallListRowid"),
                 [this](const ResultRow& row) {
                     listed(row[0].displayText().toUpper(), row[1].displayText().toUpper());
                 });
}

void CallBook::logged(const QString& call, const QString& locator)
{
    const QString key = callKey(call);
    if (key.isEmpty())
        return;
    m_own.add(key);
    QString checked = locator.trimmed();
    if (LocatorIsValid(checked))
        m_ownLocators.insert(key, checked);
}

void CallBook::recheck(Database& db, const QStringList& calls)
{
    for (const QString& call : calls) {
        const QString key = callKey(call);
        if (key.isEmpty())
            continue;
        const ResultSet rows =
            db.queryNative(QStringLiteral("SELECT ContestListQTH FROM ContestList WHERE "
                                          "ContestListCall = ? ORDER BY ContestListRowid DESC"),
                           {DbValue(key)});
        if (rows.rows.empty()) {
            m_own.remove(key);
            m_ownLocators.remove(key);
            continue;
        }
        // A call still in the log keeps its place among the newest; only its locator may differ.
        if (!m_own.contains(key))
            m_own.add(key);
        m_ownLocators.remove(key);
        for (const ResultRow& row : rows.rows) {
            QString locator = row[0].displayText().trimmed();
            if (LocatorIsValid(locator)) {
                m_ownLocators.insert(key, locator);
                break;
            }
        }
    }
}

int CallBook::import(Database& db, const std::vector<CallListEntry>& entries)
{
    auto rows = [&db] { return db.queryFirst(QStringLiteral("SELECT COUNT(*) FROM CallList"))->toInt(); };
    const qint64 before = rows();
    std::vector<std::vector<DbValue>> values;
    values.reserve(entries.size());
    for (const CallListEntry& entry : entries)
        values.push_back({DbValue(entry.call), DbValue(entry.locator)});
    // A pair there already is written again as the newest row, as it is the newest in memory.
    db.transaction([&] {
        db.execNativeEach(
            QStringLiteral("INSERT OR REPLACE INTO CallList (CallListCall, CallListQTH) VALUES (?, ?)"),
            values);
    });
    const int added = int(rows() - before);
    for (const CallListEntry& entry : entries)
        listed(entry.call, entry.locator);
    return added;
}

void CallBook::listed(const QString& call, const QString& locator)
{
    m_list.add(call);
    if (!locator.isEmpty())
        m_listLocators.insert(call, locator);
}

QString CallBook::ownLocator(const QString& call) const
{
    return m_ownLocators.value(callKey(call));
}

QString CallBook::listLocator(const QString& call) const
{
    return m_listLocators.value(callKey(call));
}

QString CallBook::locatorOf(const QString& call) const
{
    const QString own = ownLocator(call);
    return own.isEmpty() ? listLocator(call) : own;
}

QStringList CallBook::matching(const QString& typed, int limit) const
{
    const QString key = callKey(typed);
    QStringList found = m_own.find(key, limit);
    if (found.size() < limit) {
        const QSet<QString> own(found.begin(), found.end());
        found += m_list.find(key, limit - int(found.size()), own);
    }
    return found;
}

CallListImport importCallListFile(Database& db, CallBook& book, const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {true, QStringLiteral("Не удалось открыть файл %1: %2").arg(name, file.errorString())};
    const std::optional<CallListReading> reading = readCallList(file.readAll());
    if (!reading)
        return {true, QStringLiteral("Файл %1 — не текст: список позывных не прочитан.").arg(name)};
    const int added = book.import(db, reading->entries);
    QString message = QStringLiteral("Из файла %1 прочитано позывных: %2, добавлено новых: %3.")
                          .arg(name)
                          .arg(reading->entries.size())
                          .arg(added);
    if (!reading->unreadLines.isEmpty()) {
        QStringList numbers;
        for (int i = 0; i < std::min(int(reading->unreadLines.size()), 10); ++i)
            numbers << QString::number(reading->unreadLines[i]);
        message += QStringLiteral("\nНе прочитаны строки (%1): %2%3")
                       .arg(reading->unreadLines.size())
                       .arg(numbers.join(QStringLiteral(", ")),
                            reading->unreadLines.size() > 10 ? QStringLiteral("…") : QString());
    }
    return {false, message};
}
