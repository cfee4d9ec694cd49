#include "results/contestfigures.h"

#include "store/database.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

constexpr qint64 kSecondsPerHour = 3600;
constexpr qint64 kSecondsPerMinute = 60;

const QString kContactColumns =
    QStringLiteral("SELECT ContestListRowid, IdBand, ContestListCall, ContestListQTH, ContestListDateTime, "
                   "ContestListResult, ContestListDistance, ContestListAzimut, IdContest FROM ContestList ");

ScoredContact contactOf(const ResultRow& row)
{
    ScoredContact c;
    c.rowid = row[0].toInt();
    c.band = row[1].isNumeric() ? int(row[1].toInt()) : 0;
    c.call = row[2].displayText();
    c.locator = row[3].displayText();
    if (row[4].isNumeric())
        c.time = row[4].toDouble();
    if (row[5].isNumeric())
        c.points = row[5].toDouble();
    if (row[6].isNumeric())
        c.km = row[6].toDouble();
    if (row[7].isNumeric())
        c.azimuth = int(row[7].toInt());
    return c;
}

// Stored times are whole seconds; counting in seconds keeps a contact exactly on a boundary
// on the side it belongs to.
qint64 secondsOf(double dayCount)
{
    return std::llround(dayCount * 86400.0);
}

double dayCountOf(qint64 seconds)
{
    return double(seconds) / 86400.0;
}

qint64 hourOf(qint64 seconds)
{
    return seconds >= 0 ? seconds / kSecondsPerHour : (seconds - kSecondsPerHour + 1) / kSecondsPerHour;
}

struct Accumulator
{
    BandFigures figures;
    QSet<QString> squares;
    double kmSum = 0;
    int kmCount = 0;
    std::vector<const ScoredContact*> timed;

    void add(const ScoredContact& c)
    {
        ++figures.contacts;
        figures.points += c.points;
        const QString square = squareOf(c.locator);
        if (!square.isEmpty())
            squares.insert(square);
        if (c.km) {
            kmSum += *c.km;
            ++kmCount;
            if (!figures.best || *c.km > figures.best->km)
                figures.best = BestDx{c.call, c.locator, *c.km};
        }
        if (c.time)
            timed.push_back(&c);
    }

    BandFigures finish()
    {
        figures.squares = int(squares.size());
        if (kmCount > 0)
            figures.averageKm = kmSum / kmCount;
        return figures;
    }

    // The running sum at each contact in time order, one point a minute.
    PlotSeries cumulative()
    {
        std::stable_sort(timed.begin(), timed.end(),
                         [](const ScoredContact* a, const ScoredContact* b) { return *a->time < *b->time; });
        PlotSeries series{figures.band, figures.name, {}};
        double sum = 0;
        qint64 lastMinute = 0;
        for (const ScoredContact* c : timed) {
            sum += c->points;
            const qint64 seconds = secondsOf(*c->time);
            const qint64 minute = seconds / kSecondsPerMinute;
            if (!series.points.isEmpty() && minute == lastMinute)
                series.points.last() = QPointF(dayCountOf(seconds), sum);
            else
                series.points.append(QPointF(dayCountOf(seconds), sum));
            lastMinute = minute;
        }
        return series;
    }
};

} // namespace

QString squareOf(const QString& locator)
{
    if (locator.size() < 4)
        return QString();
    const QString square = locator.left(4).toUpper();
    const auto field = [](QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('R'); };
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    if (!field(square[0]) || !field(square[1]) || !digit(square[2]) || !digit(square[3]))
        return QString();
    return square;
}

void ContestFigures::load(Database& db, qint32 contestId)
{
    std::vector<std::pair<int, QString>> names;
    db.queryEach(
        QStringLiteral("SELECT BandRowid, BandName FROM [Band] ORDER BY BandRowid"),
        [&](const ResultRow& row) { names.emplace_back(int(row[0].toInt()), row[1].displayText()); });
    std::map<qint64, ScoredContact> contacts;
    db.queryEach(kContactColumns + QStringLiteral("WHERE IdContest=%1").arg(contestId),
                 [&](const ResultRow& row) {
                     ScoredContact c = contactOf(row);
                     contacts.emplace(c.rowid, std::move(c));
                 });
    // Only once everything was read: a failed read keeps what was held.
    m_bandNames = std::move(names);
    m_contacts = std::move(contacts);
    m_contest = contestId;
}

void ContestFigures::reread(Database& db, qint64 rowid)
{
    const ResultSet rows =
        db.queryNative(kContactColumns + QStringLiteral("WHERE ContestListRowid=?"), {DbValue(rowid)});
    if (rows.rows.empty() || !rows.rows[0][8].isNumeric() || rows.rows[0][8].toInt() != m_contest)
        remove(rowid);
    else
        put(contactOf(rows.rows[0]));
}

QString ContestFigures::bandName(int band) const
{
    for (const auto& [id, name] : m_bandNames) {
        if (id == band)
            return name;
    }
    return QString::number(band);
}

RateFigures ContestFigures::rate(double nowUtc, int minutes) const
{
    const qint64 now = secondsOf(nowUtc);
    const qint64 from = now - qint64(minutes) * kSecondsPerMinute;
    RateFigures rate;
    for (const auto& [rowid, c] : m_contacts) {
        if (!c.time)
            continue;
        const qint64 t = secondsOf(*c.time);
        if (t > from && t <= now) {
            ++rate.contacts;
            rate.points += c.points;
        }
    }
    return rate;
}

ContestSummary ContestFigures::summary(double nowUtc) const
{
    ContestSummary s;
    std::map<int, Accumulator> perBand;
    Accumulator total;
    std::optional<qint64> firstHour, lastHour;
    for (const auto& [rowid, c] : m_contacts) {
        perBand[c.band].add(c);
        total.add(c);
        if (c.time) {
            const qint64 hour = hourOf(secondsOf(*c.time));
            firstHour = std::min(firstHour.value_or(hour), hour);
            lastHour = std::max(lastHour.value_or(hour), hour);
        }
    }

    // The bands in the order of the band list; a band it does not name goes last.
    std::vector<int> order;
    for (const auto& [band, accumulator] : perBand)
        order.push_back(band);
    const auto position = [this](int band) {
        const auto it = std::find_if(m_bandNames.begin(), m_bandNames.end(),
                                     [band](const auto& entry) { return entry.first == band; });
        return std::pair(it - m_bandNames.begin(), band);
    };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return position(a) < position(b); });

    for (int band : order) {
        Accumulator& a = perBand[band];
        a.figures.band = band;
        a.figures.name = bandName(band);
        s.bands.push_back(a.finish());
        s.cumulativePoints.push_back(a.cumulative());

        std::set<std::pair<int, qint64>> seen;
        PlotSeries directions{band, a.figures.name, {}};
        for (const auto& [rowid, c] : m_contacts) {
            if (c.band != band || !c.km || !c.azimuth)
                continue;
            const std::pair<int, qint64> place(*c.azimuth, std::llround(*c.km));
            if (seen.insert(place).second)
                directions.points.append(QPointF(place.first, double(place.second)));
        }
        s.directions.push_back(std::move(directions));
    }
    total.figures.name = QStringLiteral("Всего");
    s.total = total.finish();
    s.cumulativePoints.push_back(total.cumulative());
    s.last10Minutes = rate(nowUtc, 10);
    s.last60Minutes = rate(nowUtc, 60);

    if (lastHour) {
        const qint64 first = std::max(*firstHour, *lastHour - kPlottedHours + 1);
        s.hours.resize(size_t(*lastHour - first + 1));
        for (size_t i = 0; i < s.hours.size(); ++i) {
            s.hours[i].start = dayCountOf((first + qint64(i)) * kSecondsPerHour);
            s.hours[i].bandContacts.assign(order.size(), 0);
        }
        for (const auto& [rowid, c] : m_contacts) {
            if (!c.time)
                continue;
            const qint64 index = hourOf(secondsOf(*c.time)) - first;
            if (index < 0)
                continue;
            HourFigures& h = s.hours[size_t(index)];
            ++h.contacts;
            h.points += c.points;
            ++h.bandContacts[size_t(std::find(order.begin(), order.end(), c.band) - order.begin())];
        }
    }
    return s;
}
