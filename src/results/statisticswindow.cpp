#include "results/statisticswindow.h"

#include "controls/windowsettings.h"
#include "platform/prompts.h"
#include "store/daycount.h"
#include "store/errors.h"
#include "store/logstore.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPainter>
#include <QPolarChart>
#include <QScatterSeries>
#include <QSplitter>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

namespace {

const WindowSettingNames kPlace{QStringLiteral("StatisticsFormTop"), QStringLiteral("StatisticsFormLeft"),
                                QStringLiteral("StatisticsFormHeight"),
                                QStringLiteral("StatisticsFormWidth")};

// One colour per band of the band list, the same in every plot.
const QColor kBandColours[] = {QColor(31, 119, 180), QColor(255, 127, 14),  QColor(44, 160, 44),
                               QColor(214, 39, 40),  QColor(148, 103, 189), QColor(140, 86, 75),
                               QColor(227, 119, 194)};
const QString kReadFailed = QStringLiteral("Не удалось прочитать лог: ");
const QColor kOtherBand(127, 127, 127);
const QColor kTotal(0, 0, 0);

// The step of an axis that shows 0 to `highest` in about four steps: 1, 2, 2.5 or 5 times a
// power of ten, at least 1 (the axes count contacts, points and kilometres).
double axisStep(double highest)
{
    const double wanted = std::max(1.0, highest / 4);
    const double power = std::pow(10.0, std::floor(std::log10(wanted)));
    // 2.5 only where it stays a whole number.
    for (double step : {1.0, 2.0, 2.5, 5.0}) {
        if (step * power >= wanted && (step != 2.5 || power >= 10))
            return step * power;
    }
    return 10 * power;
}

double axisTop(double highest, double step)
{
    return step * std::max(1.0, std::ceil(highest / step));
}

// An axis of whole numbers from 0 past `highest`, its ticks on round figures.
void setCountRange(QValueAxis* axis, double highest)
{
    const double step = axisStep(highest);
    axis->setRange(0, axisTop(highest, step));
    axis->setTickInterval(step);
}

// Points as the grid's footer writes them, so that the two read the same.
QString pointsText(double points)
{
    return QString::number(points, 'g', 15);
}

QString kmText(double km)
{
    return QLocale().toString(km, 'f', 0) + QStringLiteral(" км");
}

QString hourText(double start, bool withDate)
{
    const QDateTime from = fromDayCount(start);
    const QString hours = from.toString(QStringLiteral("HH:mm")) + QStringLiteral("–") +
                          from.addSecs(3600).toString(QStringLiteral("HH:mm"));
    return withDate ? from.toString(QStringLiteral("dd.MM ")) + hours : hours;
}

QTableWidget* makeTable(const QStringList& titles, const QString& name, const QString& accessibleName,
                        QWidget* parent)
{
    auto* table = new QTableWidget(0, int(titles.size()), parent);
    table->setObjectName(name);
    table->setAccessibleName(accessibleName);
    table->setHorizontalHeaderLabels(titles);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    return table;
}

// The cells of a row as text, numbers to the right; items are kept and only a changed text
// is set, so that a refresh costs little when few figures move.
void setRow(QTableWidget* table, int row, const QStringList& cells, QList<int> textColumns, bool bold = false)
{
    for (int column = 0; column < cells.size(); ++column) {
        QTableWidgetItem* item = table->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            if (!textColumns.contains(column))
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(row, column, item);
        }
        if (item->text() != cells[column])
            item->setText(cells[column]);
        if (item->font().bold() != bold) {
            QFont font = item->font();
            font.setBold(bold);
            item->setFont(font);
        }
    }
}

// A round marker drawn once: a scatter series with it draws its points itself instead of
// keeping an item for each.
QImage markerImage(const QColor& colour, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    return image;
}

QChartView* makeView(QChart* chart, const QString& name, const QString& title, QWidget* parent)
{
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* view = new QChartView(chart, parent);
    view->setObjectName(name);
    view->setAccessibleName(title);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(240, 220);
    return view;
}

} // namespace

StatisticsWindow::StatisticsWindow(LogStore& store, Prompts& prompts, Context context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(store), m_prompts(prompts), m_context(std::move(context))
{
    setObjectName(QStringLiteral("fstatistics"));
    setWindowTitle(QStringLiteral("Статистика"));
    resize(1200, 760);

    m_bands =
        makeTable({QStringLiteral("Диапазон"), QStringLiteral("Связей"), QStringLiteral("Очков"),
                   QStringLiteral("Квадратов"), QStringLiteral("Лучший DX"), QStringLiteral("Средн. км")},
                  QStringLiteral("bandFigures"), QStringLiteral("Итоги по диапазонам"), this);
    m_bands->horizontalHeader()->setSectionResizeMode(BestDxColumn, QHeaderView::Stretch);
    m_rate = makeTable({QStringLiteral("Время, UTC"), QStringLiteral("Связей"), QStringLiteral("Очков")},
                       QStringLiteral("rateFigures"), QStringLiteral("Темп"), this);
    m_rate->horizontalHeader()->setSectionResizeMode(PeriodColumn, QHeaderView::Stretch);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statisticsStatus"));
    m_status->setWordWrap(true);
    m_status->hide();

    auto* hours = new QChart;
    m_hourBars = new QStackedBarSeries(hours);
    hours->addSeries(m_hourBars);
    m_hourAxis = new QBarCategoryAxis(hours);
    m_hourAxis->setTitleText(QStringLiteral("час, UTC"));
    m_hourCountAxis = new QValueAxis(hours);
    m_hourCountAxis->setLabelFormat(QStringLiteral("%d"));
    m_hourCountAxis->setTickType(QValueAxis::TicksDynamic);
    hours->addAxis(m_hourAxis, Qt::AlignBottom);
    hours->addAxis(m_hourCountAxis, Qt::AlignLeft);
    m_hourBars->attachAxis(m_hourAxis);
    m_hourBars->attachAxis(m_hourCountAxis);
    m_hoursView = makeView(hours, QStringLiteral("hoursChart"), QStringLiteral("Связи по часам"), this);

    auto* points = new QChart;
    m_timeAxis = new QCategoryAxis(points);
    m_timeAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_timeAxis->setTitleText(QStringLiteral("UTC"));
    m_pointsAxis = new QValueAxis(points);
    m_pointsAxis->setLabelFormat(QStringLiteral("%d"));
    m_pointsAxis->setTickType(QValueAxis::TicksDynamic);
    points->addAxis(m_timeAxis, Qt::AlignBottom);
    points->addAxis(m_pointsAxis, Qt::AlignLeft);
    m_pointsView =
        makeView(points, QStringLiteral("pointsChart"), QStringLiteral("Очки нарастающим итогом"), this);

    auto* directions = new QPolarChart;
    // Category axes, whose labels are texts: a value axis's label format takes no "°" or "км".
    m_azimuthAxis = new QCategoryAxis(directions);
    m_azimuthAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_azimuthAxis->setStartValue(-1);
    for (int azimuth = 0; azimuth < 360; azimuth += 45)
        m_azimuthAxis->append(QStringLiteral("%1°").arg(azimuth), azimuth);
    m_azimuthAxis->setRange(0, 360);
    m_distanceAxis = new QCategoryAxis(directions);
    m_distanceAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    directions->addAxis(m_azimuthAxis, QPolarChart::PolarOrientationAngular);
    directions->addAxis(m_distanceAxis, QPolarChart::PolarOrientationRadial);
    m_directionsView =
        makeView(directions, QStringLiteral("directionsChart"), QStringLiteral("Азимут и расстояние"), this);

    auto* tables = new QWidget(this);
    auto* tablesLayout = new QHBoxLayout(tables);
    tablesLayout->setContentsMargins(0, 0, 0, 0);
    tablesLayout->addWidget(m_bands, 3);
    tablesLayout->addWidget(m_rate, 2);
    auto* plots = new QWidget(this);
    auto* plotsLayout = new QHBoxLayout(plots);
    plotsLayout->setContentsMargins(0, 0, 0, 0);
    for (QChartView* view : {m_hoursView, m_pointsView, m_directionsView})
        plotsLayout->addWidget(view, 1);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(tables);
    splitter->addWidget(plots);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter, 1);
    layout->addWidget(m_status);

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(kRefreshDelayMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &StatisticsWindow::refresh);
    m_pollTimer = new QTimer(this);
    m_pollTimer->setInterval(kPollIntervalMs);
    connect(m_pollTimer, &QTimer::timeout, this, &StatisticsWindow::poll);
}

StatisticsWindow::~StatisticsWindow() = default;

void StatisticsWindow::open()
{
    if (!isVisible()) // a window that shows stays where the operator has put it
        restoreWindowGeometry(m_store, *this, kPlace);
    m_reloadPending = true;
    refresh();
    show();
    raise();
    activateWindow();
    m_pollTimer->start();
}

void StatisticsWindow::contactChanged(qint64 rowid)
{
    if (!isVisible())
        return; // a hidden window reads everything when it opens
    if (rowid > 0)
        m_pendingRows.push_back(rowid);
    else
        m_reloadPending = true;
    if (!m_refreshTimer->isActive())
        m_refreshTimer->start();
}

qint64 StatisticsWindow::dataVersion()
{
    const ResultSet version = m_store.db().queryNative(QStringLiteral("PRAGMA data_version"));
    return version.rows.empty() ? 0 : version.rows[0][0].toInt();
}

void StatisticsWindow::poll()
{
    try {
        // A read that failed is tried again, with no box: the window says it until it succeeds.
        if (m_reloadPending || dataVersion() != m_dataVersion ||
            m_context.contestId() != m_figures.contestId()) {
            m_reloadPending = true;
            refresh();
            return;
        }
    } catch (const KovraError& e) {
        m_status->setText(kReadFailed + e.boxText());
        m_status->show();
        return;
    }
    const double now = m_context.utcNow();
    showRecentRate(m_figures.rate(now, 10), m_figures.rate(now, 60));
}

void StatisticsWindow::refresh()
{
    m_refreshTimer->stop();
    Database& db = m_store.db();
    try {
        const qint32 contest = m_context.contestId();
        if (m_reloadPending || contest != m_figures.contestId()) {
            // Everything read again: from here on, only what another program writes moves
            // the file's version.
            m_dataVersion = dataVersion();
            m_figures.load(db, contest);
            const std::optional<DbValue> name = db.queryFirst(
                QStringLiteral("SELECT ContestName FROM Contest WHERE ContestRowid=%1").arg(contest));
            setWindowTitle(name && !name->isNull() ? QStringLiteral("Статистика: ") + name->displayText()
                                                   : QStringLiteral("Статистика"));
        } else {
            for (qint64 rowid : m_pendingRows)
                m_figures.reread(db, rowid);
        }
        m_reloadPending = false;
        m_pendingRows.clear();
    } catch (const KovraError& e) {
        // The figures stay as they were until a later read succeeds; it reads everything.
        m_reloadPending = true;
        m_pendingRows.clear();
        m_status->setText(kReadFailed + e.boxText());
        m_status->show();
        return;
    }
    m_status->clear();
    m_status->hide();
    showSummary(m_figures.summary(m_context.utcNow()));
}

void StatisticsWindow::showSummary(const ContestSummary& summary)
{
    const QList<int> textColumns{BandNameColumn, BestDxColumn};
    m_bands->setRowCount(int(summary.bands.size()) + 1);
    const auto cells = [](const BandFigures& f) {
        return QStringList{f.name,
                           QString::number(f.contacts),
                           pointsText(f.points),
                           QString::number(f.squares),
                           f.best ? f.best->call + QLatin1Char(' ') + f.best->locator + QLatin1Char(' ') +
                                        kmText(f.best->km)
                                  : QStringLiteral("—"),
                           f.averageKm ? kmText(*f.averageKm) : QStringLiteral("—")};
    };
    for (int row = 0; row < int(summary.bands.size()); ++row)
        setRow(m_bands, row, cells(summary.bands[size_t(row)]), textColumns);
    setRow(m_bands, int(summary.bands.size()), cells(summary.total), textColumns, true);

    showRate(summary);
    // The series are made again only when the bands with contacts are not the same.
    std::vector<int> bands;
    for (const BandFigures& f : summary.bands)
        bands.push_back(f.band);
    const bool newBands = bands != m_plottedBands;
    m_plottedBands = bands;
    plotHours(summary, newBands);
    plotPoints(summary, newBands);
    plotDirections(summary, newBands);
}

void StatisticsWindow::showRate(const ContestSummary& summary)
{
    const int hours = int(summary.hours.size());
    m_rate->setRowCount(2 + hours);
    const bool withDate =
        hours > 0 && dayCountDate(summary.hours.front().start) != dayCountDate(summary.hours.back().start);
    // The latest hour first: that is the one the operator is working in.
    for (int i = 0; i < hours; ++i) {
        const HourFigures& h = summary.hours[size_t(hours - 1 - i)];
        setRow(m_rate, 2 + i,
               {hourText(h.start, withDate), QString::number(h.contacts), pointsText(h.points)},
               {PeriodColumn});
    }
    showRecentRate(summary.last10Minutes, summary.last60Minutes);
}

void StatisticsWindow::showRecentRate(const RateFigures& last10Minutes, const RateFigures& last60Minutes)
{
    m_rate->setRowCount(std::max(2, m_rate->rowCount()));
    setRow(m_rate, 0,
           {QStringLiteral("Последние 10 минут"), QString::number(last10Minutes.contacts),
            pointsText(last10Minutes.points)},
           {PeriodColumn});
    setRow(m_rate, 1,
           {QStringLiteral("Последние 60 минут"), QString::number(last60Minutes.contacts),
            pointsText(last60Minutes.points)},
           {PeriodColumn});
}

QColor StatisticsWindow::bandColour(int band) const
{
    if (band == 0)
        return kTotal;
    const auto& names = m_figures.bandNames();
    for (size_t i = 0; i < names.size() && i < std::size(kBandColours); ++i) {
        if (names[i].first == band)
            return kBandColours[i];
    }
    return kOtherBand;
}

void StatisticsWindow::plotHours(const ContestSummary& summary, bool newBands)
{
    if (newBands) {
        m_hourBars->clear();
        for (const BandFigures& band : summary.bands) {
            auto* set = new QBarSet(band.name);
            set->setColor(bandColour(band.band));
            set->setBorderColor(bandColour(band.band));
            m_hourBars->append(set);
        }
    }
    const QList<QBarSet*> sets = m_hourBars->barSets();
    int highest = 0;
    for (const HourFigures& h : summary.hours)
        highest = std::max(highest, h.contacts);
    for (int b = 0; b < int(sets.size()); ++b) {
        QBarSet* set = sets[b];
        if (set->count() != int(summary.hours.size())) {
            set->remove(0, set->count());
            QList<qreal> values;
            for (const HourFigures& h : summary.hours)
                values << h.bandContacts[size_t(b)];
            set->append(values);
            continue;
        }
        for (int h = 0; h < set->count(); ++h) {
            const qreal value = summary.hours[size_t(h)].bandContacts[size_t(b)];
            if (set->at(h) != value)
                set->replace(h, value);
        }
    }

    QStringList categories;
    const bool withDate = !summary.hours.empty() && dayCountDate(summary.hours.front().start) !=
                                                        dayCountDate(summary.hours.back().start);
    for (const HourFigures& h : summary.hours) {
        // A category axis takes each text once: across midnight of a second day the hour
        // carries its date.
        QString text = fromDayCount(h.start).toString(QStringLiteral("HH"));
        if (withDate && categories.contains(text))
            text = fromDayCount(h.start).toString(QStringLiteral("dd.MM HH"));
        categories << text;
    }
    if (m_hourAxis->categories() != categories) {
        m_hourAxis->clear();
        m_hourAxis->append(categories);
    }
    setCountRange(m_hourCountAxis, highest);
}

void StatisticsWindow::plotPoints(const ContestSummary& summary, bool newBands)
{
    QChart* chart = m_pointsView->chart();
    if (newBands) {
        chart->removeAllSeries();
        m_lines.clear();
        for (const PlotSeries& s : summary.cumulativePoints) {
            auto* line = new QLineSeries(chart);
            line->setName(s.name);
            QPen pen(bandColour(s.band));
            pen.setWidthF(s.band == 0 ? 2.5 : 1.5);
            line->setPen(pen);
            chart->addSeries(line);
            line->attachAxis(m_timeAxis);
            line->attachAxis(m_pointsAxis);
            m_lines << line;
        }
    }

    // Hours since the first plotted hour, labelled with their UTC time.
    const double origin = summary.hours.empty() ? 0 : summary.hours.front().start;
    const int hours = std::max(1, int(summary.hours.size()));
    const int step = std::max(1, (hours + 5) / 6);
    QStringList labels;
    for (int h = 0; h <= hours; h += step) {
        const QDateTime at = fromDayCount(origin).addSecs(qint64(h) * 3600);
        QString text = at.toString(QStringLiteral("HH:mm"));
        if (labels.contains(text))
            text = at.toString(QStringLiteral("dd.MM HH:mm"));
        labels << text;
    }
    if (m_timeAxis->categoriesLabels() != labels) {
        for (const QString& label : m_timeAxis->categoriesLabels())
            m_timeAxis->remove(label);
        for (int i = 0; i < int(labels.size()); ++i)
            m_timeAxis->append(labels[i], i * step);
    }
    m_timeAxis->setRange(0, hours);

    double highest = 0;
    for (int i = 0; i < int(m_lines.size()); ++i) {
        const QList<QPointF>& source = summary.cumulativePoints[size_t(i)].points;
        QList<QPointF> points;
        points.reserve(source.size());
        for (const QPointF& p : source)
            points.append(QPointF((p.x() - origin) * 24.0, p.y()));
        if (!points.isEmpty())
            highest = std::max(highest, points.last().y());
        m_lines[i]->setPointsVisible(points.size() < 30); // a lone contact shows as a point
        m_lines[i]->replace(points);
    }
    setCountRange(m_pointsAxis, highest);
}

void StatisticsWindow::plotDirections(const ContestSummary& summary, bool newBands)
{
    constexpr int kMarkerSize = 7;
    QChart* chart = m_directionsView->chart();
    if (newBands) {
        chart->removeAllSeries();
        m_places.clear();
        for (const PlotSeries& s : summary.directions) {
            auto* scatter = new QScatterSeries(chart);
            scatter->setName(s.name);
            scatter->setMarkerSize(kMarkerSize);
            scatter->setColor(bandColour(s.band));
            scatter->setBorderColor(bandColour(s.band));
            scatter->setLightMarker(markerImage(bandColour(s.band), kMarkerSize));
            chart->addSeries(scatter);
            scatter->attachAxis(m_azimuthAxis);
            scatter->attachAxis(m_distanceAxis);
            m_places << scatter;
        }
    }
    double farthest = 0;
    for (int i = 0; i < int(m_places.size()); ++i) {
        const QList<QPointF>& points = summary.directions[size_t(i)].points;
        for (const QPointF& p : points)
            farthest = std::max(farthest, p.y());
        m_places[i]->replace(points);
    }
    const double step = axisStep(farthest);
    const double top = axisTop(farthest, step);
    QStringList labels;
    for (double km = step; km <= top; km += step)
        labels << QLocale().toString(km, 'f', 0) + QStringLiteral(" км");
    if (m_distanceAxis->categoriesLabels() != labels) {
        for (const QString& label : m_distanceAxis->categoriesLabels())
            m_distanceAxis->remove(label);
        for (int i = 0; i < int(labels.size()); ++i)
            m_distanceAxis->append(labels[i], step * (i + 1));
    }
    m_distanceAxis->setRange(0, top);
}

void StatisticsWindow::closeEvent(QCloseEvent* event)
{
    // The window lives for the whole run: closing it stores its place and hides it.
    m_pollTimer->stop();
    m_refreshTimer->stop();
    try {
        saveWindowGeometry(m_store, *this, kPlace);
    } catch (const KovraError& e) {
        m_prompts.error(e.boxText());
    }
    QWidget::closeEvent(event);
}
