#include "logging/tftimer.h"

#include "controls/windowsettings.h"
#include "logging/repeatrule.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/guarded.h"
#include "platform/localeformat.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "store/daycount.h"
#include "store/errors.h"
#include "store/logstore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const WindowSettingNames kTimerWindowSettings{
    QStringLiteral("PeriodFormTop"), QStringLiteral("PeriodFormLeft"), QStringLiteral("PeriodFormHeight"),
    QStringLiteral("PeriodFormWidth")};
const QColor kWaiting(255, 183, 183);
const QColor kAllowed(183, 255, 183);
const QColor kSelected(255, 255, 0);
const QColor kSelectedText(0, 0, 128);

// The cells as the timer has always drawn them: the wait in red or green, the selection
// in yellow with a frame and navy text, the text 4 pixels in and 3 down.
class TimerCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString text = index.data().toString();
        QColor background = index.column() == 4 ? Tftimer::waitColour(text) : QColor();
        QColor pen = option.palette.color(QPalette::Text);
        const bool selected = option.state & QStyle::State_Selected;
        if (selected) {
            background = kSelected;
            pen = kSelectedText;
        }
        if (background.isValid())
            painter->fillRect(option.rect, background);
        if (selected) {
            painter->setPen(pen);
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
        painter->setPen(pen);
        painter->drawText(option.rect.adjusted(4, 3, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    }
};

} // namespace

Tftimer::Tftimer(LogStore& store, const Services& services, Context context, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_store(store), m_services(services),
      m_context(std::move(context)), m_periods(std::make_unique<Cursor>(store.db()))
{
    setObjectName(QStringLiteral("ftimer"));
    setWindowTitle(QStringLiteral("Таймер"));
    resize(761, 339);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    m_tours = new QCheckBox(QStringLiteral("Туры"), panel);
    m_tours->setObjectName(QStringLiteral("cb1"));
    m_label = new QLabel(QStringLiteral("Повторная связь не ранее:"), panel);
    m_label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_periodList = new QComboBox(panel);
    m_periodList->setObjectName(QStringLiteral("cb"));
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(5, 4, 10, 4);
    panelLayout->addWidget(m_tours);
    panelLayout->addWidget(m_label, 1);
    panelLayout->addWidget(m_periodList);

    m_grid = new QTableWidget(0, 5, this);
    m_grid->setObjectName(QStringLiteral("sg"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->verticalHeader()->hide();
    m_grid->setItemDelegate(new TimerCellDelegate(m_grid));
    const int widths[] = {100, 165, 165, 115, 115};
    for (int i = 0; i < 5; ++i)
        m_grid->setColumnWidth(i, widths[i]);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(m_grid, 1);

    m_refresh = new QTimer(this);
    m_refresh->setObjectName(QStringLiteral("Timer1"));
    m_refresh->setInterval(1000);
    connect(m_refresh, &QTimer::timeout, this, &Tftimer::refresh);

    // A damaged Period table leaves the list empty; the main window still comes up.
    guarded(m_services.prompts, [this] {
        m_periods->setSql(QStringLiteral("SELECT * FROM Period ORDER BY PeriodRowid"));
        m_periods->open();
        for (int row = 0; row < m_periods->rowCount(); ++row)
            m_periodList->addItem(
                m_periods->value(row, m_periods->fieldIndex(QStringLiteral("PeriodName"))).displayText());
        QStringList titles;
        for (int i = 0; i < 5; ++i)
            titles << m_store.textSetting(QStringLiteral("GridPeriodColumnTitleCaptionRu%1").arg(i))
                          .value_or(QString());
        m_grid->setHorizontalHeaderLabels(titles);
    });

    connect(m_periodList, &QComboBox::currentIndexChanged, this,
            [this] { guarded(m_services.prompts, [this] { periodChosen(); }); });
    connect(m_tours, &QCheckBox::clicked, this, [this](bool checked) {
        guarded(m_services.prompts, [&] {
            m_store.SetSet(QStringLiteral("Tour"), LogStore::IntegerSetting, checked ? 1 : 0);
            refresh();
            emit repeatRuleChanged();
        });
    });
}

Tftimer::~Tftimer() = default;

bool Tftimer::tours() const
{
    return m_tours->isChecked();
}

QColor Tftimer::waitColour(const QString& remainingText)
{
    return remainingText.contains(QLatin1Char('-')) ? kAllowed : kWaiting;
}

void Tftimer::OpenSet()
{
    restoreWindowGeometry(m_store, *this, kTimerWindowSettings);
    if (m_store.intSetting(QStringLiteral("Tour")) == 1)
        m_tours->setChecked(true);
    const DbValue period =
        m_store.eSQLreturn(QStringLiteral("SELECT SettingParamInt FROM Setting WHERE SettingName='Period' "));
    if (!period.isNull())
        m_periodList->setCurrentIndex(int(period.toInt()));
    periodChosen();
}

void Tftimer::periodChosen()
{
    // The period of the row named as the list shows; no match keeps the last one, and so
    // does a table that could not be read.
    if (!m_periods->isOpen()) {
        refresh();
        return;
    }
    if (m_periods->locate(QStringLiteral("PeriodName"), DbValue(m_periodList->currentText())))
        m_periodDays = m_periods->value(QStringLiteral("PeriodRowid")).toDouble() / 86400.0;
    else if (m_periods->currentRow() >= 0)
        m_periodDays = m_periods->value(QStringLiteral("PeriodRowid")).toDouble() / 86400.0;
    refresh();
    emit repeatRuleChanged();
}

void Tftimer::ReloadTimerList()
{
    m_refresh->stop();
    m_grid->setRowCount(0);
    m_lastTimes.clear();
    m_beepedFor.clear();
    try {
        const ResultSet calls = m_store.db().query(
            QStringLiteral("SELECT maxdt, ContestListCall FROM ( SELECT MAX(ContestListDateTime) As maxdt, "
                           "ContestListCall FROM ContestList WHERE IdContest= %1 AND IdBand= %2 GROUP BY "
                           "ContestListCall) t ORDER BY maxdt DESC")
                .arg(m_context.contestId())
                .arg(m_context.bandId()));
        m_grid->setRowCount(int(calls.rows.size()));
        for (int row = 0; row < int(calls.rows.size()); ++row) {
            const double last =
                calls.rows[size_t(row)][0].isNull() ? 0 : calls.rows[size_t(row)][0].toDouble();
            m_lastTimes.push_back(last);
            m_beepedFor.push_back(-1);
            m_grid->setItem(row, 0, new QTableWidgetItem(calls.rows[size_t(row)][1].displayText()));
            m_grid->setItem(row, 1, new QTableWidgetItem(formatDateAndTime(last)));
            for (int column = 2; column < 5; ++column)
                m_grid->setItem(row, column, new QTableWidgetItem());
        }
    } catch (const KovraError& e) {
        // The list stays empty and the refresh stopped until the next reload.
        m_grid->setRowCount(0);
        m_lastTimes.clear();
        m_beepedFor.clear();
        m_services.prompts.error(e.boxText());
        return;
    }
    m_refresh->start();
    setWindowTitle(QStringLiteral("Таймер: ") + m_context.bandName());
    refresh(); // the computed columns at once, not a second later
}

void Tftimer::refresh()
{
    const double now = m_context.utcNow();
    for (int row = 0; row < m_grid->rowCount() && size_t(row) < m_lastTimes.size(); ++row) {
        const TimerCells cells = timerCells(m_lastTimes[size_t(row)], now, m_periodDays, tours());
        m_grid->item(row, 2)->setText(cells.nextText);
        m_grid->item(row, 3)->setText(cells.elapsedText);
        m_grid->item(row, 4)->setText(cells.remainingText);
        // One beep for each wait that ends, however the seconds fall.
        if (cells.beep && m_beepedFor[size_t(row)] != cells.next) {
            m_beepedFor[size_t(row)] = cells.next;
            m_services.desktop.beep();
        }
    }
}

void Tftimer::saveSettings()
{
    if (!m_periodList->currentText().isEmpty())
        m_store.SetSet(QStringLiteral("Period"), LogStore::IntegerSetting, m_periodList->currentIndex());
    m_store.SetSet(QStringLiteral("Tour"), LogStore::IntegerSetting, tours() ? 1 : 0);
    saveWindowGeometry(m_store, *this, kTimerWindowSettings);
}

void Tftimer::closeEvent(QCloseEvent* event)
{
    // The window lives for the whole run: closing it stores its settings and hides it.
    m_refresh->stop();
    try {
        saveSettings();
    } catch (const KovraError& e) {
        m_services.prompts.error(e.boxText());
    }
    event->ignore();
    hide();
    emit closedByOperator();
}
