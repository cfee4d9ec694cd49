#include "onair/clusterwindow.h"

#include "app/contactentry.h"
#include "app/mainstate.h"
#include "controls/hintbar.h"
#include "controls/windowsettings.h"
#include "platform/guarded.h"
#include "platform/services.h"
#include "store/database.h"
#include "store/logstore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <initializer_list>

namespace {

const WindowSettingNames kClusterWindowSettings{
    QStringLiteral("ClusterWindowTop"), QStringLiteral("ClusterWindowLeft"),
    QStringLiteral("ClusterWindowHeight"), QStringLiteral("ClusterWindowWidth")};
const QString kServerSetting = QStringLiteral("ClusterServer");
const QString kPortSetting = QStringLiteral("ClusterPort");
const QString kLoginSetting = QStringLiteral("ClusterLogin");
const QString kEnabledSetting = QStringLiteral("ClusterEnabled");
const QString kHintSource = QStringLiteral("cluster");

constexpr int kRefreshEveryMs = 30000; // a wait that ends turns a spot black without a new spot

} // namespace

ClusterWindow::ClusterWindow(LogStore& store, MainState& state, ContactEntry& entry,
                             ClusterSpotModel::LocatorOf locatorOf, const Services& services, HintBar& hints,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(store), m_state(state), m_entry(entry), m_services(services),
      m_hints(hints), m_client(new ClusterClient(this)),
      m_spots(new ClusterSpotModel(m_worked, std::move(locatorOf), this))
{
    setObjectName(QStringLiteral("fcluster"));
    setWindowTitle(QStringLiteral("Кластер"));
    setAttribute(Qt::WA_WindowPropagation); // the main window's font size
    resize(820, 420);
    buildWindow();

    // The window says what the connection is doing now; the hint bar says each change once.
    connect(m_client, &ClusterClient::stateChanged, this,
            [this](const QString& text) { m_hints.setStatus(kHintSource, text); });
    connect(m_client, &ClusterClient::currentStateChanged, m_stateLabel, &QLabel::setText);
    connect(m_client, &ClusterClient::spotReceived, this, &ClusterWindow::addSpot);
    // Every save (on any band), edit, delete, import and contact from another position.
    connect(&m_entry, &ContactEntry::contactsChanged, this,
            [this](qint64 rowid) { guarded(m_services.prompts, [&] { logChanged(rowid); }); });
    // The repeat rule counts a band and a mode: the spots are judged by the mode a save would
    // take, so another mode greys others.
    for (auto changed : {&ContactEntry::bandLogChanged, &ContactEntry::modeChosen})
        connect(&m_entry, changed, this, [this] {
            m_logStale = true;
            if (m_spots->rowCount() > 0)
                refreshLogColumns();
        });
    auto* refresh = new QTimer(this);
    refresh->setInterval(kRefreshEveryMs);
    connect(refresh, &QTimer::timeout, this, [this] {
        if (m_spots->rowCount() > 0)
            refreshLogColumns();
    });
    refresh->start();
    if (parent)
        parent->installEventFilter(this);
}

ClusterWindow::~ClusterWindow()
{
    // The client goes after this window's members: its last signals must not reach them.
    m_client->disconnect(this);
    // Nor must a field's "editing finished" when it loses the focus as the window is torn down.
    for (QWidget* field : std::initializer_list<QWidget*>{m_server, m_login, m_port})
        field->disconnect(this);
}

void ClusterWindow::buildWindow()
{
    auto* grid = new QGridLayout;
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    m_server = new QLineEdit(this);
    m_server->setObjectName(QStringLiteral("clusterServer"));
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("clusterPort"));
    m_port->setRange(1, 65535);
    m_login = new QLineEdit(this);
    m_login->setObjectName(QStringLiteral("clusterLogin"));
    m_enabled = new QCheckBox(QStringLiteral("Включено"), this);
    m_enabled->setObjectName(QStringLiteral("clusterEnabled"));
    grid->addWidget(label(QStringLiteral("Сервер:"), m_server), 0, 0);
    grid->addWidget(m_server, 0, 1);
    grid->addWidget(label(QStringLiteral("Порт:"), m_port), 0, 2);
    grid->addWidget(m_port, 0, 3);
    grid->addWidget(label(QStringLiteral("Позывной для входа:"), m_login), 0, 4);
    grid->addWidget(m_login, 0, 5);
    grid->addWidget(m_enabled, 0, 6);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(5, 1);

    m_spotView = new QTableView(this);
    m_spotView->setObjectName(QStringLiteral("clusterSpots"));
    m_spotView->setModel(m_spots);
    m_spotView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_spotView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_spotView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_spotView->verticalHeader()->hide();
    m_spotView->verticalHeader()->setDefaultSectionSize(m_spotView->fontMetrics().height() + 6);
    m_spotView->horizontalHeader()->setStretchLastSection(true);
    m_spotView->setToolTip(
        QStringLiteral("Двойной щелчок — позывной и QTH в поля ввода, трансивер на частоту"));
    const int widths[] = {48, 74, 64, 80, 60, 46, 42, 80};
    for (int i = 0; i < int(std::size(widths)); ++i)
        m_spotView->setColumnWidth(i, widths[i]);

    m_stateLabel = new QLabel(this);
    m_stateLabel->setObjectName(QStringLiteral("clusterState"));
    m_stateLabel->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_spotView, 1);
    layout->addWidget(m_stateLabel);

    auto handled = [this](auto action) {
        return [this, action] { guarded(m_services.prompts, [&] { (this->*action)(); }); };
    };
    connect(m_enabled, &QCheckBox::clicked, this, handled(&ClusterWindow::switchedOnOrOff));
    for (QLineEdit* field : {m_server, m_login})
        connect(field, &QLineEdit::editingFinished, this, handled(&ClusterWindow::fieldsEdited));
    connect(m_port, &QSpinBox::editingFinished, this, handled(&ClusterWindow::fieldsEdited));
    connect(m_spotView, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        guarded(m_services.prompts, [&] { spotPicked(index.row()); });
    });
}

void ClusterWindow::showWindow()
{
    guarded(m_services.prompts, [this] {
        loadSettings();
        restoreWindowGeometry(m_store, *this, kClusterWindowSettings);
        m_shown = true;
    });
    show();
    raise();
    activateWindow();
}

void ClusterWindow::startIfEnabled()
{
    guarded(m_services.prompts, [this] {
        loadSettings();
        // The operator may have switched it on in the window before the start came: starting
        // again would drop that connection and whatever was on its way over it.
        if (m_enabled->isChecked() && !m_state.ViewerMode && m_client->state() == ClusterClient::State::Off)
            connectToCluster();
    });
}

void ClusterWindow::loadSettings()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_server->setText(m_store.textSetting(kServerSetting).value_or(QString()));
    const int port = m_store.intSetting(kPortSetting).value_or(ClusterClient::kDefaultPort);
    m_port->setValue(port > 0 && port < 65536 ? port : ClusterClient::kDefaultPort);
    m_login->setText(m_store.textSetting(kLoginSetting).value_or(m_state.OwnCall));
    m_enabled->setChecked(m_store.intSetting(kEnabledSetting).value_or(0) == 1);
}

void ClusterWindow::saveSettings()
{
    if (!m_loaded)
        return; // the fields hold defaults, not what is stored
    m_store.SetSet(kServerSetting, LogStore::TextSetting, m_server->text().trimmed());
    m_store.SetSet(kPortSetting, LogStore::IntegerSetting, m_port->value());
    m_store.SetSet(kLoginSetting, LogStore::TextSetting, m_login->text().trimmed());
    m_store.SetSet(kEnabledSetting, LogStore::IntegerSetting, m_enabled->isChecked() ? 1 : 0);
}

ClusterClient::Account ClusterWindow::account() const
{
    return {m_server->text().trimmed(), quint16(m_port->value()), m_login->text().trimmed()};
}

void ClusterWindow::switchedOnOrOff()
{
    saveSettings();
    if (m_enabled->isChecked()) {
        connectToCluster();
    } else {
        m_client->stop();
        showState(QString()); // what was said without a connection too, such as a field missing
    }
}

void ClusterWindow::fieldsEdited()
{
    saveSettings();
    const ClusterClient::Account wanted = account();
    const bool changed =
        wanted.host != m_started.host || wanted.port != m_started.port || wanted.login != m_started.login;
    if (m_enabled->isChecked() && (changed || m_client->state() == ClusterClient::State::Off))
        connectToCluster();
}

void ClusterWindow::connectToCluster()
{
    const ClusterClient::Account wanted = account();
    if (wanted.host.isEmpty() || wanted.login.isEmpty()) {
        m_client->stop();
        showState(QStringLiteral("Кластер: нужны сервер и позывной для входа"));
        return;
    }
    m_started = wanted;
    m_client->start(wanted);
}

void ClusterWindow::showState(const QString& text)
{
    m_stateLabel->setText(text);
    m_hints.setStatus(kHintSource, text);
}

void ClusterWindow::takeChatLine(const QString& time, const QString& call, const QString&,
                                 const QString& text)
{
    if (const std::optional<ClusterSpot> spot = readChatSpot(time, call, text))
        addSpot(*spot);
}

void ClusterWindow::callListChanged()
{
    if (m_spots->rowCount() > 0)
        refreshLogColumns();
}

void ClusterWindow::addSpot(const ClusterSpot& spot)
{
    guarded(m_services.prompts, [&] {
        if (m_logStale)
            refreshLogColumns(); // the bands first, so that the spot finds its band
        m_spots->addSpot(spot);
    });
}

void ClusterWindow::spotPicked(int row)
{
    const ClusterSpot& spot = m_spots->spot(row);
    const QString band = m_spots->band(row).name;
    const qint64 hz = std::llround(spot.kHz * 1000);
    // The call list's locator is only a guess, and a square only a part of a locator: the entry
    // panel offers them as for a typed call. The own log's locator is taken unless the spot's
    // square says the station is elsewhere now.
    const QString own = m_state.callBook.ownLocator(spot.call);
    emit stationPicked(spot.call,
                       spot.locator.size() == 6 || !own.startsWith(spot.locator) ? spot.locator : own);
    emit tuneWanted(band, hz);
}

void ClusterWindow::logChanged(qint64 rowid)
{
    if (rowid > 0 && !m_logStale) {
        // One contact saved or edited: its band learns it. An edit that took a call away also
        // changes the band's log, which reads the bands again.
        const ResultSet stored = m_store.db().queryNative(
            QStringLiteral("SELECT IdContest, IdBand, ContestListCall, ContestListDateTime, IdModulation "
                           "FROM ContestList WHERE rowid = ?"),
            {DbValue(rowid)});
        if (!stored.rows.empty() && stored.rows[0][0].toInt() == m_state.CurrentContestId &&
            !stored.rows[0][3].isNull()) {
            const auto band = m_worked.find(int(stored.rows[0][1].toInt()));
            if (band != m_worked.end() && stored.rows[0][4].toInt() == band->second.modeId())
                band->second.logged(stored.rows[0][2].displayText(), stored.rows[0][3].toDouble());
        }
    } else {
        m_logStale = true; // deleted, or arrived from elsewhere: read again
    }
    if (m_spots->rowCount() > 0)
        refreshLogColumns();
}

void ClusterWindow::refreshLogColumns()
{
    guarded(m_services.prompts, [this] {
        if (m_logStale) {
            const std::vector<LogBand> bands = readLogBands(m_store.db());
            m_spots->setBands(bands);
            m_worked.clear();
            const qint32 mode = m_entry.currentModeId();
            for (const LogBand& band : bands)
                m_worked[band.key].load(m_store.db(), m_state.CurrentContestId, band.key, mode);
            m_logStale = false;
        }
        ChatStationModel::Reference reference;
        reference.ownLocator = m_state.OwnLocator;
        reference.periodDays = m_entry.repeatPeriodDaysNow();
        reference.tours = m_entry.contacts().tourRule();
        reference.nowUtc = m_entry.nowUtc();
        m_spots->setReference(reference);
    });
}

void ClusterWindow::closeEvent(QCloseEvent* event)
{
    guarded(m_services.prompts, [this] {
        saveSettings();
        if (m_shown)
            saveWindowGeometry(m_store, *this, kClusterWindowSettings);
    });
    QWidget::closeEvent(event);
}

bool ClusterWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The main window closes: the cluster's settings and place are kept as they stand.
    if (event->type() == QEvent::Close && watched == parentWidget())
        guarded(m_services.prompts, [this] {
            saveSettings();
            if (m_shown && isVisible())
                saveWindowGeometry(m_store, *this, kClusterWindowSettings);
        });
    return QWidget::eventFilter(watched, event);
}
