#include "app/logview.h"

#include "app/confirmcode.h"
#include "app/mainstate.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/hintbar.h"
#include "controls/lookupdelegate.h"
#include "controls/windowsettings.h"
#include "exchange/mappage.h"
#include "logging/contactlog.h"
#include "logging/fieldtext.h"
#include "logging/locator.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/guarded.h"
#include "platform/localeformat.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "store/contactjournal.h"
#include "store/daycount.h"
#include "store/errors.h"
#include "store/logstore.h"
#include "store/sqltext.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

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

// "000": at least three digits, zero-padded.
QString paddedNumber(const DbValue& v)
{
    if (v.kind() != DbValue::Kind::Integer)
        return v.displayText();
    const qint64 n = v.toInt();
    const QString digits = QStringLiteral("%1").arg(std::abs(n), 3, 10, QLatin1Char('0'));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

std::optional<QColor> modeColor(const DbValue& mode)
{
    if (!mode.isNumeric())
        return std::nullopt;
    switch (mode.toInt()) {
    case 1:
        return QColor(175, 255, 175);
    case 2:
        return QColor(255, 175, 175);
    case 6:
        return QColor(175, 175, 255);
    default:
        return std::nullopt;
    }
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
    : QWidget(parent), m_store(store), m_state(state), m_services(services),
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
    m_grid->enableFind(services.prompts);
    m_grid->setCursor(m_log.get());
    m_grid->cursorModel()->setUtcNow(
        [this] { return fromDayCount(utcNow(m_services.clock, m_state.clockCorrection())); });
    m_grid->setColumns(designColumns());
    m_grid->setSumFooter(PointsColumn);
    m_grid->setWholeRowSelection(true);
    m_grid->cursorModel()->setBackground([this](int row, int column) {
        const CursorModel* model = m_grid->cursorModel();
        return cellBackground(column, model->value(row, ModeColumn), model->value(row, AzimuthColumn));
    });
    // The modes list of the mode column shows the modes in their grid colours.
    m_grid->setItemDelegateForColumn(ModeColumn, new LookupDelegate(modeColor, m_grid));
    m_grid->setItemDelegateForColumn(BandColumn, new LookupDelegate(nullptr, m_grid));
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this, &LogView::showContextMenu);
    connect(m_grid, &DataGrid::titleClicked, this, [this](int column) {
        if (m_services.desktop.ctrlHeld())
            guarded(m_services.prompts, [&] { renameColumn(column); });
    });
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] {
        if (!m_state.ViewerMode && m_bands->isOpen() && !m_bands->isEmpty())
            emit contactPicked(m_log->value(QStringLiteral("ContestListCall")).displayText(),
                               m_log->value(QStringLiteral("ContestListQTH")).displayText());
    });
    connect(m_grid->cursorModel(), &CursorModel::postFailed, this,
            [this](const QString& message) { m_services.prompts.error(message); });
    // An edit or delete of a shared contact goes to the other positions with the change itself.
    m_log->inTransaction = [this](qint64 rowid, bool deleting) {
        if (ContactJournal* journal = m_store.journal())
            deleting ? journal->removing(rowid) : journal->written(rowid);
    };

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

    m_hintBar = new HintBar(this);
    m_hintBar->setObjectName(QStringLiteral("Label5"));
    m_hintBar->setFrameShape(QFrame::StyledPanel);

    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("gb2Caption"));
    m_caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(m_caption);
    layout->addWidget(m_grid, 1);
    layout->addWidget(panel);
    layout->addWidget(m_hintBar);

    m_refreshLater = new QTimer(this);
    m_refreshLater->setSingleShot(true);
    m_refreshLater->setInterval(300);
    connect(m_refreshLater, &QTimer::timeout, this,
            [this] { guarded(m_services.prompts, [this] { refresh(); }); });

    connect(m_log.get(), &Cursor::currentRowChanged, this, &LogView::updateCaption);
    connect(m_log.get(), &Cursor::reset, this, &LogView::updateCaption);
    connect(m_log.get(), &Cursor::stateChanged, this, &LogView::updateCaption);
    connect(m_log.get(), &Cursor::rowRemoved, this, &LogView::updateCaption);
    connect(m_log.get(), &Cursor::rowInserted, this, &LogView::updateCaption);
    connect(m_editor, &QCheckBox::toggled, this, &LogView::applyEditorMode);
    buildMenus();
    updateCaption();
}

void LogView::buildMenus()
{
    auto add = [](QMenu* menu, const char* name, const QString& text) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    m_normalMenu = new QMenu(this);
    m_normalMenu->setObjectName(QStringLiteral("PopupMenu2"));
    QMenu* sort = m_normalMenu->addMenu(QStringLiteral("Сортировка таблицы"));
    sort->setObjectName(QStringLiteral("N18"));
    auto* sortGroup = new QActionGroup(this);
    for (QAction* a : {add(sort, "N19", QStringLiteral("Первая связь вверху")),
                       add(sort, "N20", QStringLiteral("Первая связь внизу"))}) {
        a->setCheckable(true);
        sortGroup->addAction(a);
        connect(a, &QAction::triggered, this,
                [this] { guarded(m_services.prompts, [this] { applySortOrder(true); }); });
    }
    QMenu* numbers = m_normalMenu->addMenu(QStringLiteral("Отображение номеров как..."));
    numbers->setObjectName(QStringLiteral("N21"));
    auto* numberGroup = new QActionGroup(this);
    QAction* plain = add(numbers, "N22", QStringLiteral("Без нулей (1,2,3...)"));
    QAction* padded = add(numbers, "N23", QStringLiteral("С нулями (001,002,003...)"));
    for (QAction* a : {plain, padded}) {
        a->setCheckable(true);
        numberGroup->addAction(a);
    }
    connect(plain, &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { applyNumberDisplay(false, true); }); });
    connect(padded, &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { applyNumberDisplay(true, true); }); });
    connect(add(m_normalMenu, "N27", QStringLiteral("Открыть QTH в браузере")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { openLocatorInBrowser(); }); });

    m_editorMenu = new QMenu(this);
    m_editorMenu->setObjectName(QStringLiteral("PopupMenu1"));
    connect(add(m_editorMenu, "N9", QStringLiteral("Пересчитать расстояние и очки")), &QAction::triggered,
            this, [this] { guarded(m_services.prompts, [this] { rescoreCurrentRow(); }); });
    m_editorMenu->addSeparator();
    connect(add(m_editorMenu, "N17", QStringLiteral("Стереть все записи")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { eraseBandLog(); }); });
}

QAction* LogView::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void LogView::showContextMenu(const QPoint& position)
{
    if (m_state.ViewerMode)
        return;
    prepareMenus();
    (m_editor->isChecked() ? m_editorMenu : m_normalMenu)->popup(m_grid->viewport()->mapToGlobal(position));
}

void LogView::prepareMenus()
{
    const bool rows = m_log->isOpen() && !m_log->isEmpty();
    QAction* rescore = action(QStringLiteral("N9"));
    rescore->setEnabled(rows);
    rescore->setText(rows ? QStringLiteral("Пересчитать расстояние и очки у ") +
                                m_log->value(QStringLiteral("ContestListCall")).displayText()
                          : QStringLiteral("Пересчитать расстояние и очки"));
    QAction* browse = action(QStringLiteral("N27"));
    browse->setEnabled(rows);
    browse->setText(rows ? QStringLiteral("Открыть ") +
                               m_log->value(QStringLiteral("ContestListQTH")).displayText() +
                               QStringLiteral(" в браузере")
                         : QStringLiteral("Открыть QTH в браузере"));
}

std::optional<QColor> LogView::cellBackground(int column, const DbValue& mode, const DbValue& azimuth)
{
    switch (column) {
    case ModeColumn:
        return modeColor(mode);
    case SentReportColumn:
    case SentNumberColumn:
        return MainState::SentColor;
    case ReceivedReportColumn:
    case ReceivedNumberColumn:
        return MainState::ReceivedColor;
    case AzimuthColumn: {
        if (!azimuth.isNumeric())
            return std::nullopt;
        const double a = azimuth.toDouble();
        std::optional<QColor> color;
        if ((a >= 315 && a <= 360) || (a >= 0 && a <= 45))
            color = QColor(183, 255, 255);
        if (a >= 135 && a <= 225)
            color = QColor(255, 255, 103);
        if (a >= 45 && a <= 135)
            color = QColor(103, 255, 103);
        if (a >= 225 && a <= 315)
            color = QColor(255, 135, 195);
        return color;
    }
    default:
        return std::nullopt;
    }
}

void LogView::contactAdded(qint64 rowid, double sentNumber)
{
    // The new row goes where a reopen would put it, found by its serial number; a row
    // without a number sorts as the database sorts nulls, before every number.
    const bool ascending = m_state.SortOrder == QLatin1String("ASC");
    const int numberField = m_log->fieldIndex(QStringLiteral("ContestListSendNum"));
    auto numberAt = [&](int row) {
        const DbValue v = m_log->value(row, numberField);
        return v.isNumeric() ? v.toDouble() : -std::numeric_limits<double>::infinity();
    };
    int low = 0;
    int high = m_log->rowCount();
    while (low < high) {
        const int middle = (low + high) / 2;
        const bool before = ascending ? numberAt(middle) <= sentNumber : numberAt(middle) > sentNumber;
        if (before)
            low = middle + 1;
        else
            high = middle;
    }
    m_log->insertStoredRow(rowid, low);
    if (ascending)
        m_log->last();
    else
        m_log->first();
}

void LogView::refresh()
{
    if (m_state.ViewerMode || !m_log->isOpen())
        return;
    if (m_log->state() != Cursor::State::Browse || m_grid->editing()) {
        m_refreshLater->start();
        return;
    }
    const bool ascending = m_state.SortOrder == QLatin1String("ASC");
    const int newest = ascending ? m_log->rowCount() - 1 : 0;
    const qint64 rowid =
        m_log->isEmpty() || m_log->currentRow() == newest ? -1 : m_log->rowId(m_log->currentRow());
    q1Set();
    if (rowid >= 0)
        m_log->locate(QStringLiteral("ContestListRowid"), rowid);
    updateCaption();
}

void LogView::applySortOrder(bool store)
{
    const qint64 rowid = m_log->isOpen() && !m_log->isEmpty() ? m_log->rowId(m_log->currentRow()) : -1;
    const bool ascending = action(QStringLiteral("N19"))->isChecked();
    m_state.SortOrder = ascending ? QStringLiteral("ASC") : QStringLiteral("DESC");
    m_grid->cursorModel()->setRowNumbers(ascending);
    if (!store)
        return;
    m_store.SetSet(QStringLiteral("GridOptionsSort"), LogStore::TextSetting, m_state.SortOrder);
    q1Set();
    if (rowid >= 0)
        m_log->locate(QStringLiteral("ContestListRowid"), rowid);
    updateCaption();
}

void LogView::applyNumberDisplay(bool padded, bool store)
{
    action(padded ? QStringLiteral("N23") : QStringLiteral("N22"))->setChecked(true);
    CursorModel* model = m_grid->cursorModel();
    for (int column : {SentNumberColumn, ReceivedNumberColumn})
        model->column(column).display = padded ? paddedNumber : std::function<QString(const DbValue&)>();
    model->refreshColumns();
    if (store)
        m_store.SetSet(QStringLiteral("GridOptionsNol"), LogStore::IntegerSetting, padded ? 0 : 1);
}

void LogView::renameColumn(int column)
{
    const QString current = m_grid->columnTitle(column);
    const QString answer = m_services.prompts.inputText(QStringLiteral("Переименование колонки"),
                                                        QStringLiteral("Введите новое название"), current);
    if (answer == current)
        return;
    if (column == PositionColumn) {
        // Its rows are made when first needed; a caption is read with a width.
        m_store.SetSet(widthSetting(column), LogStore::IntegerSetting, m_grid->columnWidth(column));
        m_store.SetSet(captionSetting(column), LogStore::TextSetting, answer);
    } else {
        m_store.eSQL(QStringLiteral("UPDATE Setting SET SettingParamStr=") + sqlQuote(answer) +
                     QStringLiteral(" WHERE SettingName='GridColumnTitleCaptionRu%1' ").arg(column));
    }
    m_grid->setColumnTitle(column, answer);
}

void LogView::eraseBandLog()
{
    if (!ConfirmDeleteCode(m_services.prompts, m_services.random))
        return;
    ContactJournal* journal = m_store.journal();
    const bool shared = journal && journal->journals(m_state.CurrentContestId);
    QString question = QStringLiteral("Удалить все записи в ") + m_state.CurrentContestName +
                       QStringLiteral(" в диапазоне ") + m_bandName + QStringLiteral(" ?");
    if (shared)
        question += QStringLiteral("\n\rСоревнование общее: записи удалятся на всех позициях.");
    if (!m_services.prompts.confirm(question))
        return;
    const QString erase = QStringLiteral("DELETE FROM ContestList WHERE IdContest=%1 AND IdBand=%2")
                              .arg(m_state.CurrentContestId)
                              .arg(m_state.CurrentBandId);
    if (!shared) {
        m_store.eSQL(erase);
    } else {
        try {
            m_store.db().transaction([&] {
                journal->bandErasing(m_state.CurrentContestId, m_state.CurrentBandId);
                m_store.db().exec(erase);
            });
        } catch (const SqlError& e) {
            m_services.prompts.error(statementErrorText(erase, e.message()));
        }
    }
    m_log->reopen();
    updateCaption();
    emit bandLogErased();
}

void LogView::openLocatorInBrowser()
{
    if (!m_log->isOpen() || m_log->isEmpty())
        return;
    QString own = m_state.OwnLocator;
    if (!LocatorIsValid(own)) {
        m_services.prompts.warning(kNoOwnLocator);
        return;
    }
    QString locator = m_log->value(QStringLiteral("ContestListQTH")).displayText();
    if (!LocatorIsValid(locator)) {
        m_services.prompts.warning(QStringLiteral("У связи с ") +
                                   m_log->value(QStringLiteral("ContestListCall")).displayText() +
                                   QStringLiteral(" нет верного QTH локатора."));
        return;
    }
    m_services.desktop.openUrl(QUrl(webMapAddress(locator)));
}

void LogView::rescoreCurrentRow()
{
    if (!m_log->isOpen() || m_log->isEmpty())
        return;
    ContactLog(m_store).rescore(*m_log, m_state.OwnLocator, m_state.BandPointsPerKm);
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
                             {"ContestListResult", 35},
                             {"ContestListPosition", 70}};
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
    for (int i : {CallColumn, LocatorColumn}) {
        columns[i].accepts = isPlainFieldText;
        columns[i].refusal =
            QStringLiteral("Знак \";\" и управляющие знаки в позывном и локаторе недопустимы.");
    }
    columns[DistanceColumn].display = localNumber;
    columns[PositionColumn].title = QStringLiteral("Позиция");
    columns[PositionColumn].hint = QStringLiteral("Позиция общего лога, с которой записана связь");
    columns[PositionColumn].readOnly = true;
    for (int i : {CallColumn, SentNumberColumn, ReceivedNumberColumn})
        columns[i].bold = true;
    return columns;
}

void LogView::openLookup(Column column)
{
    const bool band = column == BandColumn;
    Cursor& cursor = band ? *m_bands : *m_modes;
    cursor.open();
    m_grid->cursorModel()->column(column).lookup =
        band ? lookupOf(cursor, QStringLiteral("BandRowid"), QStringLiteral("BandName"))
             : lookupOf(cursor, QStringLiteral("ModulationRowid"), QStringLiteral("ModulationName"));
    m_grid->cursorModel()->refreshColumns();
}

QStringList LogView::lookupNames(Column column) const
{
    QStringList names;
    for (const auto& entry : m_grid->cursorModel()->columns()[column].lookup)
        names << entry.second;
    return names;
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
    showPositionColumn();
}

void LogView::showPositionColumn()
{
    const ContactJournal* journal = m_store.journal();
    m_grid->setColumnHidden(PositionColumn,
                            m_state.ViewerMode || !journal || !journal->journals(m_state.CurrentContestId));
}

QString LogView::widthSetting(int column)
{
    return column == PositionColumn ? QStringLiteral("GridPositionColumnWidth")
                                    : QStringLiteral("GridColumnWidth%1").arg(column);
}

QString LogView::captionSetting(int column)
{
    return column == PositionColumn ? QStringLiteral("GridPositionColumnTitleCaptionRu")
                                    : QStringLiteral("GridColumnTitleCaptionRu%1").arg(column);
}

QString LogView::hintSetting(int column)
{
    return column == PositionColumn ? QStringLiteral("GridPositionColumnTitleHintRu")
                                    : QStringLiteral("GridColumnTitleHintRu%1").arg(column);
}

void LogView::applyColumnSettings()
{
    QVector<GridColumnSpec> columns = m_grid->cursorModel()->columns();
    for (int i = 0; i < ColumnCount; ++i)
        applyStoredColumn(m_store, columns[i], widthSetting(i), captionSetting(i), hintSetting(i));
    columns[ModeColumn].width = std::max(columns[ModeColumn].width, modeColumnLeast());
    m_grid->setColumns(columns);
}

int LogView::modeColumnLeast() const
{
    const QFontMetrics metrics = m_grid->fontMetrics();
    int widest = 0;
    for (const QString& name : lookupNames(ModeColumn))
        widest = std::max(widest, metrics.horizontalAdvance(name));
    return widest + 5; // the cell's padding of 2 px each side and the grid line
}

void LogView::applyFontSize(int size)
{
    CursorModel* model = m_grid->cursorModel();
    for (int i : {CallColumn, SentNumberColumn, ReceivedNumberColumn}) {
        model->column(i).bold = true;
        model->column(i).pointSize = size;
    }
    model->refreshColumns();
    m_grid->verticalHeader()->setDefaultSectionSize(
        QFontMetrics(QFont(font().family(), size, QFont::Bold)).height() + 6);
    m_grid->setColumnWidth(ModeColumn, std::max(m_grid->columnWidth(ModeColumn), modeColumnLeast()));
}

void LogView::applyEditorMode()
{
    const bool editing = m_editor->isChecked() && !m_state.ViewerMode;
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

void LogView::showFile(const QString& path)
{
    m_viewedPath = path;
    m_editor->setChecked(false);
    m_editor->setEnabled(false);
    m_navigator->setEnabled(false);
    m_grid->setContextMenuPolicy(Qt::NoContextMenu);
    // The same field names as the log, so the columns show either; one band row that no
    // contact matches leaves the band column empty (the caption names the file's band).
    m_bands->close();
    m_bands->setSql(
        QStringLiteral("SELECT TOP 1 -1 AS BandRowid, '' AS BandName, '' AS BandFrequency FROM [Band]"));
    openLookup(BandColumn);
    m_modes->close();
    openLookup(ModeColumn);
    m_log->close();
    m_log->setBaseTable(QString());
    m_log->setSql(QStringLiteral("SELECT -1 AS ContestListRowid, -1 AS IdContest, 144 AS IdBand, "
                                 "ContestListDateTime, ContestListCall, ContestListQTH, IdModulation, "
                                 "ContestListSendNum, ContestListSendRST, ContestListReceivedNum, "
                                 "ContestListReceivedRST, ContestListDistance, ContestListResult, "
                                 "ContestListAzimut\r\nFROM ContestListRead"));
    CursorModel* model = m_grid->cursorModel();
    model->column(TimeColumn).display = [](const DbValue& v) {
        return v.isNull() ? QString()
                          : fromDayCount(v.toDouble()).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    };
    model->refreshColumns();
    m_hiddenBandWidth = m_grid->columnWidth(BandColumn);
    m_grid->setColumnHidden(BandColumn, true);
    m_grid->setColumnHidden(PositionColumn, true);
    m_log->open();
    m_log->first(); // the file from its first contact
    updateCaption();
}

std::optional<int> LogView::columnWidthToStore(int column) const
{
    if (column == BandColumn && m_grid->isColumnHidden(column))
        return m_hiddenBandWidth;
    if (column == PositionColumn && m_grid->isColumnHidden(column))
        return std::nullopt; // never shown: nothing new in the settings
    return m_grid->columnWidth(column);
}

QString LogView::caption() const
{
    return m_caption->text();
}

void LogView::updateCaption()
{
    m_caption->setText(RowCount2Gb(m_log.get(), m_state.ViewerMode ? m_viewedPath : QStringLiteral("Список"),
                                   m_state.SortOrder != QLatin1String("ASC")));
}
