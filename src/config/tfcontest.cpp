#include "config/tfcontest.h"

#include "app/mainstate.h"
#include "controls/datagrid.h"
#include "controls/dbnavigator.h"
#include "controls/gridframe.h"
#include "controls/windowsettings.h"
#include "platform/clock.h"
#include "platform/guarded.h"
#include "platform/localeformat.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "store/contactjournal.h"
#include "store/daycount.h"
#include "store/errors.h"
#include "store/logstore.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

// Only its size: the window opens centred on the main window.
const WindowSettingNames kContestWindowSettings{QString(), QString(),
                                                QStringLiteral("SettingContestFormHeight"),
                                                QStringLiteral("SettingContestFormWidth")};

QString dateAndTime(const DbValue& v)
{
    return v.isNumeric() ? formatDateAndTime(v.toDouble()) : v.displayText();
}

} // namespace

Tfcontest::Tfcontest(LogStore& store, MainState& state, const Services& services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint), m_store(store),
      m_state(state), m_services(services), m_contests(std::make_unique<Cursor>(store.db()))
{
    setObjectName(QStringLiteral("fcontest"));
    setWindowTitle(QStringLiteral("Соревнования"));
    resize(545, 392);

    const GridFrame body = buildGridFrame(*this, services.prompts);
    m_frame = body.frame;
    m_grid = body.grid;
    m_navigator = body.navigator;
    m_grid->installEventFilter(this);
    m_choose = new QPushButton(QStringLiteral("Выбрать"), body.panel);
    m_choose->setObjectName(QStringLiteral("btn1"));
    m_choose->setGeometry(230, 4, 131, 25);

    m_resortTimer = new QTimer(this);
    m_resortTimer->setObjectName(QStringLiteral("Timer1"));
    m_resortTimer->setSingleShot(true);
    m_resortTimer->setInterval(100);
    connect(m_resortTimer, &QTimer::timeout, this,
            [this] { guarded(m_services.prompts, [this] { resort(); }); });

    Cursor& q1 = *m_contests;
    q1.setObjectName(QStringLiteral("q1"));
    q1.setSql(QStringLiteral("SELECT * FROM Contest ORDER BY ContestDTStart, ContestName"));
    q1.setBaseTable(QStringLiteral("Contest"));
    q1.beforePost = [this] { return checkBeforePost(); };
    q1.afterInsert = [this] { newRowStarted(); };
    q1.afterPost = [this] {
        if (m_inserted)
            m_resortTimer->start();
    };
    q1.beforeDelete = [this] { return confirmDelete(); };
    connect(&q1, &Cursor::currentRowChanged, this, &Tfcontest::dataChanged);
    connect(&q1, &Cursor::stateChanged, this, &Tfcontest::dataChanged);
    connect(&q1, &Cursor::reset, this, &Tfcontest::dataChanged);
    connect(&q1, &Cursor::rowRemoved, this, &Tfcontest::dataChanged);
    connect(&q1, &Cursor::rowChanged, this, &Tfcontest::dataChanged);

    m_grid->setCursor(&q1);
    m_grid->cursorModel()->setUtcNow(
        [this] { return fromDayCount(utcNow(m_services.clock, m_state.clockCorrection())); });
    m_grid->setEditable(true);
    m_grid->cursorModel()->setBackground([this](int row, int) -> std::optional<QColor> {
        if (isCurrentContest(row))
            return MainState::HighlightColor;
        return std::nullopt;
    });
    m_navigator->setVisibleButtons(DbNavigator::First | DbNavigator::Prior | DbNavigator::Next |
                                   DbNavigator::Last | DbNavigator::Insert | DbNavigator::Delete |
                                   DbNavigator::Edit | DbNavigator::Post);
    m_navigator->setCursor(&q1);
    connect(m_choose, &QPushButton::clicked, this, &Tfcontest::chooseContest);
    connect(m_grid, &QAbstractItemView::doubleClicked, this, &Tfcontest::chooseContest);
    connect(m_grid->cursorModel(), &CursorModel::postFailed, this,
            [this](const QString& message) { m_services.prompts.error(message); });

    // A table that cannot be read leaves the list empty, with the error shown.
    m_built = guarded(m_services.prompts, [&] {
        // The personal data are read while the window is open (the caption names the own call).
        if (!m_store.qSettingInfo().isOpen())
            m_store.qSettingInfo().open();
        q1.open();
        q1.locate(QStringLiteral("ContestActual"), DbValue::boolean(true));
        restoreSettings();
    });
    dataChanged();
}

Tfcontest::~Tfcontest() = default;

bool Tfcontest::isCurrentContest(int row) const
{
    const DbValue actual = m_contests->value(row, m_contests->fieldIndex(QStringLiteral("ContestActual")));
    return !actual.isNull() && actual.toBool();
}

void Tfcontest::restoreSettings()
{
    restoreWindowGeometry(m_store, *this, kContestWindowSettings);

    const struct
    {
        const char* field;
        int width;
    } design[] = {{"ContestName", 325}, {"ContestDTStart", 80}, {"ContestDTStop", 80}};
    QVector<GridColumnSpec> columns;
    for (int i = 0; i < 3; ++i) {
        GridColumnSpec column;
        column.field = QString::fromLatin1(design[i].field);
        column.title = column.field;
        column.width = design[i].width;
        if (i > 0)
            column.display = dateAndTime;
        applyStoredColumn(m_store, column, QStringLiteral("GridContestColumnWidth%1").arg(i),
                          QStringLiteral("GridContestColumnTitleCaptionRu%1").arg(i));
        columns << column;
    }
    m_grid->setColumns(columns);
}

void Tfcontest::saveSettings()
{
    if (!m_built)
        return; // what is stored stays: this window never showed its own columns
    saveWindowGeometry(m_store, *this, kContestWindowSettings);
    for (int i = 0; i < 3; ++i)
        m_store.SetSet(QStringLiteral("GridContestColumnWidth%1").arg(i), LogStore::IntegerSetting,
                       m_grid->columnWidth(i));
}

void Tfcontest::done(int result)
{
    try {
        // A row left half-typed is not stored; what was posted is.
        if (m_contests->state() == Cursor::State::Insert || m_contests->state() == Cursor::State::Edit)
            m_contests->cancel();
        saveSettings();
    } catch (const KovraError& e) {
        m_services.prompts.error(e.boxText());
    }
    m_store.qSettingInfo().close();
    QDialog::done(result);
}

void Tfcontest::dataChanged()
{
    const Cursor& q1 = *m_contests;
    m_choose->setVisible(q1.state() == Cursor::State::Browse || q1.state() == Cursor::State::Closed);
    m_frame->setTitle(RowCount2Gb(&q1, QStringLiteral("Соревнования"), false));
    DbNavigator::Buttons buttons = DbNavigator::First | DbNavigator::Prior | DbNavigator::Next |
                                   DbNavigator::Last | DbNavigator::Insert | DbNavigator::Edit |
                                   DbNavigator::Post;
    if (!(q1.currentRow() >= 0 && isCurrentContest(q1.currentRow())))
        buttons |= DbNavigator::Delete;
    m_navigator->setVisibleButtons(buttons);
}

void Tfcontest::chooseContest()
{
    Cursor& q1 = *m_contests;
    if (!q1.isOpen() || q1.isEmpty() || isCurrentContest(q1.currentRow()) ||
        q1.state() != Cursor::State::Browse)
        return;
    try {
        const DbValue id = q1.value(QStringLiteral("ContestRowid"));
        m_store.eSQL(QStringLiteral("UPDATE Contest SET ContestActual=False"));
        q1.edit();
        q1.setValue(QStringLiteral("ContestActual"), DbValue::boolean(true));
        q1.post();
        q1.reopen();
        q1.locate(QStringLiteral("ContestRowid"), id);
        emit contestChosen();
    } catch (const KovraError& e) {
        m_services.prompts.error(e.boxText());
    }
}

bool Tfcontest::checkBeforePost()
{
    const Cursor& q1 = *m_contests;
    for (const char* field : {"ContestName", "ContestDTStart", "ContestDTStop"}) {
        const DbValue v = q1.value(QString::fromLatin1(field));
        // Refused as an error, so that whoever posts says it where a box is safe: the
        // navigator at once, a cell editor once it is gone.
        if (v.isNull() || (v.kind() == DbValue::Kind::Text && v.toString().trimmed().isEmpty()))
            throw KovraError(QStringLiteral("Заполните все поля"));
    }
    return true;
}

void Tfcontest::newRowStarted()
{
    const DbValue max = m_store.eSQLreturn(QStringLiteral("SELECT MAX(ContestRowid) FROM Contest"));
    // The first contest of an empty table is number 1.
    m_contests->setValue(QStringLiteral("ContestRowid"), max.isNull() ? 1 : max.toInt() + 1);
    m_inserted = true;
}

void Tfcontest::resort()
{
    const DbValue newest = m_store.eSQLreturn(QStringLiteral("SELECT MAX(ContestRowid) FROM Contest"));
    m_contests->reopen();
    m_contests->locate(QStringLiteral("ContestRowid"), newest);
}

bool Tfcontest::confirmDelete()
{
    Cursor& q1 = *m_contests;
    if (q1.isEmpty())
        return false;
    const DbValue id = q1.value(QStringLiteral("ContestRowid"));
    const QString name = q1.value(QStringLiteral("ContestName")).displayText();
    const qint64 contacts =
        m_store
            .eSQLreturn(QStringLiteral("SELECT COUNT(*) FROM ContestList WHERE IdContest=%1").arg(id.toInt()))
            .toInt();
    const QString question = contacts != 0 ? QStringLiteral("Удалить запись \"") + name +
                                                 QStringLiteral("\" ? Внимание! У этого соревнования есть ") +
                                                 QString::number(contacts) +
                                                 QStringLiteral(" записи(ей), они тоже удалятся. Продолжить?")
                                           : QStringLiteral("Удалить \"") + name + QStringLiteral("\" ?");
    ContactJournal* journal = m_store.journal();
    if (journal && !journal->journals(qint32(id.toInt())))
        journal = nullptr;
    if (!m_services.prompts.confirm(journal
                                        ? question + QStringLiteral("\n\rСоревнование общее: удалится только "
                                                                    "его копия на этой позиции, на сервере "
                                                                    "и у других позиций оно останется.")
                                        : question))
        return false;
    // The contacts and the contest go together or not at all.
    m_store.db().transaction([&] {
        if (journal)
            journal->contestDeleting(qint32(id.toInt()));
        m_store.db().execNative(QStringLiteral("DELETE FROM ContestList WHERE IdContest=?"), {id});
        m_store.db().execNative(QStringLiteral("DELETE FROM Contest WHERE ContestRowid=?"), {id});
    });
    return true;
}

void Tfcontest::deleteWithConfirmation()
{
    if (m_contests->isEmpty() || !m_services.prompts.confirm(QStringLiteral("Удалить запись?")))
        return;
    try {
        m_contests->remove();
    } catch (const KovraError& e) {
        m_services.prompts.error(e.boxText());
    }
}

bool Tfcontest::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::ControlModifier) {
            deleteWithConfirmation();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
