#pragma once

#include <QList>
#include <QPointF>
#include <QString>

#include <map>
#include <optional>
#include <utility>
#include <vector>

class Database;

// One contact as the figures take it from the log: points, distance and azimuth as stored,
// so that the figures agree with the grid and the exports.
struct ScoredContact
{
    qint64 rowid = 0;
    int band = 0;
    QString call;
    QString locator;
    std::optional<double> time; // UTC, a day count
    double points = 0;
    std::optional<double> km;
    std::optional<int> azimuth;
};

struct BestDx
{
    QString call;
    QString locator;
    double km = 0;
};

// The figures of one band, or of the whole contest (band 0).
struct BandFigures
{
    int band = 0;
    QString name;
    int contacts = 0;
    double points = 0;
    // Distinct four-character squares of the valid locators.
    int squares = 0;
    std::optional<BestDx> best;
    // Over the contacts that have a distance.
    std::optional<double> averageKm;
};

struct RateFigures
{
    int contacts = 0;
    double points = 0;
};

// One clock hour (UTC): its contacts and points, and its contacts on each band of the
// summary, in the summary's band order.
struct HourFigures
{
    double start = 0; // day count of the hour's beginning
    int contacts = 0;
    double points = 0;
    std::vector<int> bandContacts;
};

// A series of a plot: a band's (or, band 0, the whole contest's) points.
struct PlotSeries
{
    int band = 0;
    QString name;
    QList<QPointF> points;
};

struct ContestSummary
{
    std::vector<BandFigures> bands; // the bands with contacts, in band order
    BandFigures total;
    RateFigures last10Minutes;
    RateFigures last60Minutes;
    // Every clock hour from the first contact's to the last one's, oldest first; a log that
    // spans more than kPlottedHours keeps its last ones.
    std::vector<HourFigures> hours;
    // The points gathered by each time (x a day count, y points), per band and then the
    // total; contacts of one minute make one point.
    std::vector<PlotSeries> cumulativePoints;
    // Where the contacts are from the own station (x azimuth in degrees, y km), per band;
    // contacts at the same whole degree and kilometre make one point.
    std::vector<PlotSeries> directions;
};

// The contacts of the current contest held in memory: loaded once, then kept up to date one
// contact at a time, so that a save costs one read of one row. Every figure is computed from
// what is held.
class ContestFigures
{
public:
    static constexpr int kPlottedHours = 48;

    // The contest's contacts and the band names, all read again.
    void load(Database& db, qint32 contestId);
    // One contact read again after a save, an edit or a delete: held when the log holds it
    // in this contest, dropped otherwise.
    void reread(Database& db, qint64 rowid);

    void put(const ScoredContact& contact) { m_contacts[contact.rowid] = contact; }
    void remove(qint64 rowid) { m_contacts.erase(rowid); }

    qint32 contestId() const { return m_contest; }
    // The bands of the log, in their order: identifier and name.
    const std::vector<std::pair<int, QString>>& bandNames() const { return m_bandNames; }
    int size() const { return int(m_contacts.size()); }

    ContestSummary summary(double nowUtc) const;
    // The contacts of the last `minutes` up to `nowUtc`, to the second.
    RateFigures rate(double nowUtc, int minutes) const;

private:
    QString bandName(int band) const;

    qint32 m_contest = 0;
    std::vector<std::pair<int, QString>> m_bandNames;
    std::map<qint64, ScoredContact> m_contacts; // by rowid, so that ties fall the same way each time
};

// The four-character square of a locator, upper case; empty when the locator does not
// begin with a valid one.
QString squareOf(const QString& locator);
