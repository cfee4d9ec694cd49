#include "exchange/ediimport.h"

#include "exchange/ediviewtable.h"
#include "exchange/iaruedi.h"
#include "logging/fieldtext.h"
#include "logging/repeatrule.h"
#include "store/daycount.h"
#include "store/logstore.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// Contacts match to the minute: EDI has no seconds, and a file cuts them off (this program's
// export too: a contact at 12:34:45 is written 1234), so a stored time counts in the minute it
// began, to the millisecond as its date and time read.
qint64 minuteOf(double dayCount)
{
    const qint64 ms = std::llround(dayCount * 86400000.0);
    constexpr qint64 kMsecsPerMinute = 60000;
    return ms >= 0 ? ms / kMsecsPerMinute : -((-ms + kMsecsPerMinute - 1) / kMsecsPerMinute);
}

// The key of a contact for "already in the contest": call, band and minute, whatever the mode.
// A file writes one code (7) for every digital mode and this import reads it back as one row, so
// a mode in the key would miss an FT8 or MSK144 contact of the file's own log.
QString matchKey(const QString& call, qint32 band, double dayCount)
{
    return call.trimmed().toUpper() + QLatin1Char('|') + QString::number(band) + QLatin1Char('|') +
           QString::number(minuteOf(dayCount));
}

// The columns of a contact: the call up to 255 characters, the locator up to 6, serials and
// reports small integers.
constexpr qsizetype kLongestCall = 255;
constexpr qsizetype kLongestLocator = 6;
constexpr qint64 kLeastNumber = -32768;
constexpr qint64 kGreatestNumber = 32767;

} // namespace

QString unstorableReason(const EdiReadContact& c)
{
    const QString call = c.call.trimmed();
    if (call.size() > kLongestCall)
        return QStringLiteral("позывной длиннее %1 знаков").arg(kLongestCall);
    if (!isPlainFieldText(call))
        return QStringLiteral("управляющий знак в позывном");
    const QString locator = c.locator.trimmed();
    if (locator.size() > kLongestLocator)
        return QStringLiteral("локатор \"%1\" длиннее %2 знаков").arg(locator.left(20)).arg(kLongestLocator);
    if (!isPlainFieldText(locator))
        return QStringLiteral("управляющий знак в локаторе");
    const std::pair<qint64, const char*> numbers[] = {{c.sentReport, "переданный рапорт"},
                                                      {c.sentNumber, "переданный номер"},
                                                      {c.receivedReport, "принятый рапорт"},
                                                      {c.receivedNumber, "принятый номер"}};
    for (const auto& [value, name] : numbers) {
        if (value < kLeastNumber || value > kGreatestNumber)
            return QStringLiteral("%1 %2 вне пределов от %3 до %4")
                .arg(QString::fromUtf8(name))
                .arg(value)
                .arg(kLeastNumber)
                .arg(kGreatestNumber);
    }
    return QString();
}

QString importOutcomeText(const std::vector<SaveOutcome>& outcomes)
{
    // A repeat's refusal names the call and times; its first line is the same for all.
    static const QString repeat = repeatRefusalText(QString(), QString(), QString(), 0, 0, 0, 0)
                                      .section(QLatin1Char('\n'), 0, 0)
                                      .trimmed()
                                      .chopped(1); // its full stop
    qsizetype added = 0;
    QList<std::pair<QString, int>> reasons; // in the order first met
    for (const SaveOutcome& o : outcomes) {
        QString reason;
        switch (o.kind) {
        case SaveOutcome::Saved:
            ++added;
            continue;
        case SaveOutcome::MissingField:
            reason = missingFieldText(o.field);
            break;
        case SaveOutcome::NoContest:
            reason = QStringLiteral("не выбрано соревнование");
            break;
        case SaveOutcome::Refused: {
            QString first = o.message.section(QLatin1Char('\n'), 0, 0).trimmed();
            if (first.endsWith(QLatin1Char('.')))
                first.chop(1);
            reason = first == repeat ? QStringLiteral("повтор раньше срока") : first;
            break;
        }
        case SaveOutcome::Failed:
            reason = QStringLiteral("база данных не приняла связь");
            break;
        }
        const auto known =
            std::find_if(reasons.begin(), reasons.end(), [&](const auto& r) { return r.first == reason; });
        if (known == reasons.end())
            reasons.append({reason, 1});
        else
            ++known->second;
    }
    QString text = QStringLiteral("Добавлено связей: %1.").arg(added);
    if (!reasons.isEmpty()) {
        QStringList parts;
        for (const auto& [reason, count] : std::as_const(reasons))
            parts << QStringLiteral("%1 — %2").arg(reason).arg(count);
        text += QStringLiteral("\nНе добавлено: ") + parts.join(QStringLiteral("; ")) + QLatin1Char('.');
    }
    return text;
}

qint32 bandNamedBy(const QString& pband, const QList<LogBand>& bands)
{
    const QString named = pband.trimmed();
    if (named.isEmpty())
        return 0;
    for (const LogBand& band : bands) {
        if (named.compare(band.name.trimmed(), Qt::CaseInsensitive) == 0 ||
            named.compare(iaruBandName(band.key, QString()), Qt::CaseInsensitive) == 0)
            return band.key;
    }
    static const QRegularExpression frequency(QStringLiteral("^(\\d+(?:[.,]\\d+)?)\\s*([MG])Hz$"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = frequency.match(named);
    if (!m.hasMatch())
        return 0;
    QString number = m.captured(1);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    const double mhz =
        number.toDouble() * (m.captured(2).compare(QLatin1String("G"), Qt::CaseInsensitive) == 0 ? 1000 : 1);
    for (const LogBand& band : bands) {
        if (band.key > 0 && mhz >= band.key && mhz <= band.key * 1.1)
            return band.key;
    }
    return 0;
}

QList<ContactFields> importedFields(const EdiReading& reading, const QString& bandName,
                                    const QHash<qint64, QString>& modeNames)
{
    QList<EdiReadContact> contacts = reading.contacts;
    std::stable_sort(contacts.begin(), contacts.end(), [](const EdiReadContact& a, const EdiReadContact& b) {
        return a.dateTime < b.dateTime;
    });
    QList<ContactFields> fields;
    fields.reserve(contacts.size());
    for (const EdiReadContact& c : std::as_const(contacts)) {
        const double minute = double(minuteOf(c.dateTime)) / 1440.0;
        ContactFields f;
        f.band = bandName;
        f.mode = modeNames.value(c.mode, modeNames.value(0));
        f.call = c.call.trimmed();
        f.locator = c.locator.trimmed();
        f.sentReport = QString::number(c.sentReport);
        f.sentNumber = QString::number(c.sentNumber);
        f.receivedReport = QString::number(c.receivedReport);
        f.receivedNumber = QString::number(c.receivedNumber);
        f.date = dayCountDate(minute);
        f.time = dayCountTime(minute);
        fields << f;
    }
    return fields;
}

QString EdiImportPlan::summary() const
{
    QStringList lines;
    for (const Band& band : bands)
        lines << QStringLiteral("%1: связей в файлах %2, уже есть в соревновании %3 (пропускаются), будет "
                                "добавлено %4")
                     .arg(band.name)
                     .arg(band.contacts)
                     .arg(band.existing)
                     .arg(band.contacts - band.existing);
    if (bands.isEmpty())
        lines << QStringLiteral("Связей для добавления нет.");
    lines << failedFiles << unread;
    return lines.join(QLatin1Char('\n'));
}

EdiImport::EdiImport(LogStore& store, qint32 contestId, QString ownLocator)
    : m_store(store), m_contestId(contestId), m_ownLocator(std::move(ownLocator))
{
    for (const LogBand& band : readLogBands(m_store.db()))
        m_bands << band;
    for (const ResultRow& r :
         m_store.db().query(QStringLiteral("SELECT ModulationRowid, ModulationName FROM Modulation")).rows)
        m_modeNames.insert(r[0].toInt(), r[1].isNull() ? QString() : r[1].displayText());
}

EdiImportFile EdiImport::read(const QString& path) const
{
    EdiImportFile file;
    file.path = path;
    EdiFileReading reading = readEdiFile(path);
    if (!reading.reading) {
        file.error = reading.cause;
        return file;
    }
    file.reading = std::move(*reading.reading);
    file.bandId = bandNamedBy(file.reading.band, m_bands);
    return file;
}

EdiImportPlan EdiImport::plan(const QList<EdiImportFile>& files)
{
    EdiImportPlan plan;
    QSet<QString> present;
    m_store.db().queryEach(
        QStringLiteral(
            "SELECT ContestListCall, IdBand, ContestListDateTime FROM ContestList WHERE IdContest=%1")
            .arg(m_contestId),
        [&](const ResultRow& r) {
            if (!r[0].isNull() && r[1].isNumeric() && r[2].isNumeric())
                present.insert(matchKey(r[0].displayText(), qint32(r[1].toInt()), r[2].toDouble()));
        });
    ContactLog log(m_store);
    for (const EdiImportFile& file : files) {
        const QString name = QFileInfo(file.path).fileName();
        if (!file.error.isEmpty()) {
            plan.failedFiles << QStringLiteral("Не удалось открыть файл %1: %2").arg(name, file.error);
            continue;
        }
        if (!file.reading.unreadLines.isEmpty())
            plan.unread << unreadLinesText(name, file.reading.unreadLines);
        EdiReading storable = file.reading;
        storable.contacts.removeIf([&](const EdiReadContact& c) {
            const QString reason = unstorableReason(c);
            if (!reason.isEmpty())
                plan.unread << QStringLiteral("Файл %1, строка %2: %3, связь не добавляется.")
                                   .arg(name)
                                   .arg(c.line)
                                   .arg(reason);
            return !reason.isEmpty();
        });
        const auto band = std::find_if(m_bands.cbegin(), m_bands.cend(),
                                       [&](const LogBand& b) { return b.key == file.bandId; });
        if (band == m_bands.cend() || storable.contacts.isEmpty())
            continue;
        auto counted = std::find_if(plan.bands.begin(), plan.bands.end(),
                                    [&](const EdiImportPlan::Band& b) { return b.id == band->key; });
        if (counted == plan.bands.end()) {
            plan.bands << EdiImportPlan::Band{band->key, band->name};
            counted = plan.bands.end() - 1;
        }
        SaveContext context;
        context.contestId = m_contestId;
        context.ownLocator = m_ownLocator;
        context.pointsPerKm = log.bandPointsPerKm(band->name);
        for (const ContactFields& f : importedFields(storable, band->name, m_modeNames)) {
            ++counted->contacts;
            const double when = toDayCount(f.date, f.time);
            if (present.contains(matchKey(f.call, band->key, when))) {
                ++counted->existing;
                continue;
            }
            present.insert(matchKey(f.call, band->key, when));
            // The repeat rule judges the contact at its own time, as if typed then, against the
            // stored contacts on both sides of it.
            context.nowUtc = when;
            plan.rows << std::pair{f, context};
        }
    }
    std::stable_sort(plan.rows.begin(), plan.rows.end(),
                     [](const auto& a, const auto& b) { return a.second.nowUtc < b.second.nowUtc; });
    return plan;
}

std::vector<SaveOutcome> EdiImport::write(const EdiImportPlan& plan)
{
    return ContactLog(m_store).saveAll(plan.rows);
}
