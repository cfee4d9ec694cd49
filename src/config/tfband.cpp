#include "config/tfband.h"

#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/gridframe.h"
#include "controls/windowsettings.h"
#include "platform/guarded.h"
#include "platform/services.h"
#include "store/logstore.h"

#include <QGroupBox>

namespace {

// Its size; the place is the designed one.
const WindowSettingNames kBandWindowSettings{QString(), QString(), QStringLiteral("BandFormHeight"),
                                             QStringLiteral("BandFormWidth")};
const QPoint kDesignedPlace(456, 308);
constexpr int kColumns = 4;

} // namespace

Tfband::Tfband(LogStore& store, const Services& services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint), m_store(store),
      m_services(services), m_bands(std::make_unique<Cursor>(store.db()))
{
    setObjectName(QStringLiteral("fband"));
    setWindowTitle(QStringLiteral("Диапазоны"));
    resize(455, 334);

    const GridFrame body = buildGridFrame(*this, services.prompts);
    m_frame = body.frame;
    m_grid = body.grid;
    m_navigator = body.navigator;
    m_navigator->resize(150, 25);
    m_navigator->setVisibleButtons(DbNavigator::First | DbNavigator::Prior | DbNavigator::Next |
                                   DbNavigator::Last | DbNavigator::Edit | DbNavigator::Post);

    Cursor& q1 = *m_bands;
    q1.setObjectName(QStringLiteral("q1"));
    q1.setSql(QStringLiteral("SELECT * FROM [Band]"));
    q1.setBaseTable(QStringLiteral("Band"));
    // A band with contacts must never vanish from the log and the exports.
    q1.beforeDelete = [] { return false; };
    connect(&q1, &Cursor::currentRowChanged, this, &Tfband::updateCaption);
    connect(&q1, &Cursor::stateChanged, this, &Tfband::updateCaption);
    connect(&q1, &Cursor::reset, this, &Tfband::updateCaption);
    m_grid->setCursor(&q1);
    m_grid->setEditable(true);
    m_navigator->setCursor(&q1);
    connect(m_grid->cursorModel(), &CursorModel::postFailed, this,
            [this](const QString& message) { m_services.prompts.error(message); });

    m_built = guarded(m_services.prompts, [&] {
        q1.open();
        restoreSettings();
    });
    updateCaption();
    restoreWindowGeometry(m_store, *this, kBandWindowSettings, kDesignedPlace);
}

Tfband::~Tfband() = default;

void Tfband::restoreSettings()
{
    const struct
    {
        const char* field;
        int width;
        bool readOnly;
    } design[] = {{"BandName", 64, true},
                  {"BandFrequency", 239, true},
                  {"BandPoint1km", 64, false},
                  {"BandTransverterOffset", 90, false}};
    QVector<GridColumnSpec> columns;
    for (int i = 0; i < kColumns; ++i) {
        GridColumnSpec column;
        column.field = QString::fromLatin1(design[i].field);
        column.title = column.field;
        column.width = design[i].width;
        column.readOnly = design[i].readOnly;
        applyStoredColumn(m_store, column, QStringLiteral("GridBandColumnWidth%1").arg(i),
                          QStringLiteral("GridBandColumnTitleCaptionRu%1").arg(i));
        columns << column;
    }
    m_grid->setColumns(columns);
}

void Tfband::saveSettings()
{
    saveWindowGeometry(m_store, *this, kBandWindowSettings);
    if (!m_built)
        return; // the stored widths stay: this window never showed its columns
    for (int i = 0; i < kColumns; ++i)
        m_store.SetSet(QStringLiteral("GridBandColumnWidth%1").arg(i), LogStore::IntegerSetting,
                       m_grid->columnWidth(i));
}

void Tfband::updateCaption()
{
    m_frame->setTitle(RowCount2Gb(m_bands.get(), QStringLiteral("Диапазоны"), false));
}

void Tfband::done(int result)
{
    guarded(m_services.prompts, [this] {
        // A factor typed and not yet posted is stored, as moving to another row would.
        if (m_bands->state() == Cursor::State::Edit)
            m_bands->post();
    });
    guarded(m_services.prompts, [this] { saveSettings(); });
    QDialog::done(result);
}
