#include "app/logview.h"

#include "app/mainstate.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "platform/localeformat.h"
#include "platform/services.h"
#include "store/daycount.h"
#include "store/logstore.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace {

const QColor kComputedGrey(128, 128, 128);

QString timeOnly(const DbValue& v)
{
    return v.isNull() ? QString() : fromDayCount(v.toDouble()).toString(QStringLiteral("HH:mm"));
}

QString dayAndTime(const DbValue& v)
{
    return v.isNull() ? QString() : fromDayCount(v.toDouble()).toString(QStringLiteral("dd.MM HH:mm:ss"));
}

QString localNumber(const DbValue& v)
{
    return v.isNumeric() ? formatGeneralNumber(v.toDouble()) : v.displayText();
}

std::vector<std::pair<DbValue, QString>> lookupOf(Cursor& cursor, const QString& key, const QString& name)
{
    std::vector<std::pair<DbValue, QString>> entries;
    const int keyColumn = cursor.fieldIndex(key);
    const int nameColumn = cursor.fieldIndex(name);
    for (int row = 0; row < cursor.rowCount(); ++row)
        entries.emplace_back(cursor.value(row, keyColumn), cursor.value(row, nameColumn).displayText());
    return entries;
}

} // namespace

LogView::LogView(LogStore& store, MainState& state, const Services& services, QWidget* parent)
    : QGroupBox(QStringLiteral("Список"), parent), m_store(store), m_state(state), m_services(services),
      m_log(std::make_unique<Cursor>(store.db())), m_bands(std::make_unique<Cursor>(store.db())),
      m_modes(std::make_unique<Cursor>(store.db()))
{
    setObjectName(QStringLiteral("gb2"));
    m_log->setObjectName(QStringLiteral("q1"));
    m_log->setBaseTable(QStringLiteral("ContestList"));
    m_bands->setSql(
        QStringLiteral("SELECT BandRowid, BandName, BandFrequency FROM [Band] ORDER BY BandRowid"));
    m_modes->setSql(
        QStringLiteral("SELECT ModulationRowid, ModulationName FROM Modulation ORDER BY ModulationRowid"));

    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("g1"));
    m_grid->setCursor(m_log.get());
    m_grid->setColumns(designColumns());
    m_grid->setSumFooter(PointsColumn);
    m_grid->setWholeRowSelection(true);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    m_navigator = new DbNavigator(services.prompts, panel);
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));
    m_navigator->setVisibleButtons(DbNavigator::First | DbNavigator::Prior | DbNavigator::Next |
                                   DbNavigator::Last | DbNavigator::Delete | DbNavigator::Edit |
                                   DbNavigator::Post);
    m_navigator->setCursor(m_log.get());
    m_editor = new QCheckBox(QStringLiteral("Редактор"), panel);
    m_editor->setObjectName(QStringLiteral("cb1"));
    m_editor->setFocusPolicy(Qt::NoFocus);
    m_fontSlider = new QSlider(Qt::Horizontal, panel);
    m_fontSlider->setObjectName(QStringLiteral("TrackBar1"));
    m_fontSlider->setRange(8, 25);
    m_fontSlider->setPageStep(1);
    m_fontSlider->setTickPosition(QSlider::TicksBelow);
    m_fontSlider->setFixedWidth(150);
    m_fontSlider->setFocusPolicy(Qt::NoFocus);
    m_fontSlider->setToolTip(QStringLiteral("Размер шрифта"));
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 1, 0);
    panelLayout->addWidget(m_navigator);
    panelLayout->addSpacing(8);
    panelLayout->addWidget(m_editor);
    panelLayout->addStretch(1);
    panelLayout->addWidget(m_fontSlider);

    m_hintBar = new QLabel(this);
    m_hintBar->setObjectName(QStringLiteral("Label5"));
    m_hintBar->setFrameShape(QFrame::StyledPanel);
    m_hintBar->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_grid, 1);
    layout->addWidget(panel);
    layout->addWidget(m_hintBar);

    connect(m_log.get(), &Cursor::currentRowChanged, this, &LogView::updateCaption);
    connect(m_log.get(), &Cursor::reset, this, &LogView::updateCaption);
    connect(m_log.get(), &Cursor::stateChanged, this, &LogView::updateCaption);
    connect(m_log.get(), &Cursor::rowRemoved, this, &LogView::updateCaption);
    updateCaption();
}

LogView::~LogView() = default;

QVector<GridColumnSpec> LogView::designColumns() const
{
    QVector<GridColumnSpec> columns(ColumnCount);
    const struct
    {
        const char* field;
        int width;
    } design[ColumnCount] = {{"Band", 50},
                             {"Modulation", 57},
                             {"ContestListCall", 50},
                             {"ContestListQTH", 50},
                             {"ContestListDateTime", 61},
                             {"ContestListSendRST", 35},
                             {"ContestListSendNum", 35},
                             {"ContestListReceivedRST", 35},
                             {"ContestListReceivedNum", 35},
                             {"ContestListAzimut", 64},
                             {"ContestListDistance", 35},
                             {"ContestListResult", 35}};
    for (int i = 0; i < ColumnCount; ++i) {
        columns[i].field = QString::fromLatin1(design[i].field);
        columns[i].title = columns[i].field;
        columns[i].width = design[i].width;
    }
    columns[BandColumn].keyField = QStringLiteral("IdBand");
    columns[BandColumn].maxChars = 10;
    columns[ModeColumn].keyField = QStringLiteral("IdModulation");
    columns[ModeColumn].maxChars = 15;
    columns[TimeColumn].display = timeOnly;
    columns[DistanceColumn].display = localNumber;
    for (int i : {CallColumn, SentNumberColumn, ReceivedNumberColumn})
        columns[i].bold = true;
    return columns;
}

void LogView::openLookups()
{
    m_bands->open();
    m_modes->open();
    auto columns = m_grid->cursorModel()->columns();
    columns[BandColumn].lookup = lookupOf(*m_bands, QStringLiteral("BandRowid"), QStringLiteral("BandName"));
    columns[ModeColumn].lookup =
        lookupOf(*m_modes, QStringLiteral("ModulationRowid"), QStringLiteral("ModulationName"));
    m_grid->cursorModel()->setColumns(columns);
    m_grid->cursorModel()->refreshColumns();
}

void LogView::q1Set()
{
    m_log->setSql(
        QStringLiteral(
            "SELECT * FROM ContestList WHERE IdContest=%1 AND IdBand=%2 ORDER BY ContestListSendNum %3")
            .arg(m_state.CurrentContestId)
            .arg(m_state.CurrentBandId)
            .arg(m_state.SortOrder));
    m_log->close();
    m_log->open();
    if (m_state.SortOrder == QLatin1String("ASC"))
        m_log->last();
}

void LogView::applyColumnSettings()
{
    for (int i = 0; i < ColumnCount; ++i) {
        const auto width = m_store.intSetting(QStringLiteral("GridColumnWidth%1").arg(i));
        if (!width || *width == 0)
            continue;
        m_grid->setColumnWidth(i, std::max(*width, 10));
        m_grid->setColumnTitle(i, m_store.textSetting(QStringLiteral("GridColumnTitleCaptionRu%1").arg(i))
                                      .value_or(m_grid->columnTitle(i)));
        if (const auto hint = m_store.textSetting(QStringLiteral("GridColumnTitleHintRu%1").arg(i)))
            m_grid->setColumnHint(i, *hint);
    }
}

void LogView::applyFontSize(int size)
{
    CursorModel* model = m_grid->cursorModel();
    for (int i : {CallColumn, SentNumberColumn, ReceivedNumberColumn}) {
        model->column(i).bold = true;
        model->column(i).pointSize = size;
    }
    model->refreshColumns();
    m_grid->resizeRowsToContents();
    m_grid->verticalHeader()->setDefaultSectionSize(
        QFontMetrics(QFont(font().family(), size, QFont::Bold)).height() + 6);
}

void LogView::applyEditorMode()
{
    const bool editing = m_editor->isChecked();
    m_grid->setEditable(editing);
    m_grid->setWholeRowSelection(!editing);
    CursorModel* model = m_grid->cursorModel();
    for (int i : {AzimuthColumn, DistanceColumn, PointsColumn}) {
        model->column(i).readOnly = editing;
        model->column(i).foreground = editing ? std::optional<QColor>(kComputedGrey) : std::nullopt;
    }
    model->column(TimeColumn).display = editing ? dayAndTime : timeOnly;
    model->refreshColumns();
}

void LogView::updateCaption()
{
    setTitle(RowCount2Gb(m_log.get(), QStringLiteral("Список"), m_state.SortOrder != QLatin1String("ASC")));
}
