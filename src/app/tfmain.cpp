#include "app/tfmain.h"

#include "app/contactentry.h"
#include "app/livefeedback.h"
#include "app/logcheckwindow.h"
#include "app/logview.h"
#include "config/tfabout.h"
#include "config/tfband.h"
#include "config/tfcontest.h"
#include "config/tfoptions.h"
#include "config/tfoptions2.h"
#include "controls/datagrid.h"
#include "controls/headingneedle.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "controls/rotateimage.h"
#include "controls/windowsettings.h"
#include "exchange/adifexport.h"
#include "exchange/ediexport.h"
#include "exchange/ediimport.h"
#include "exchange/ediimportwindow.h"
#include "exchange/ediviewtable.h"
#include "exchange/mappage.h"
#include "exchange/mapserver.h"
#include "exchange/tfsaveoptions.h"
#include "logging/entrypanel.h"
#include "logging/locator.h"
#include "logging/tftimer.h"
#include "onair/chatwindow.h"
#include "onair/clusterwindow.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/ediassociation.h"
#include "platform/guarded.h"
#include "platform/localeformat.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "platform/wholefile.h"
#include "results/statisticswindow.h"
#include "sharing/sharedlog.h"
#include "sharing/tfshare.h"
#include "station/bandplan.h"
#include "station/digitallink.h"
#include "station/rigcontrol.h"
#include "station/rotator.h"
#include "station/tfrotator.h"
#include "station/tfunsaved.h"
#include "store/daycount.h"
#include "store/errors.h"
#include "store/logbackup.h"
#include "store/logstore.h"
#include "store/schemaupgrade.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <cstdio>

namespace {

constexpr int kDefaultLeft = 450;
constexpr int kDefaultTop = 204;
constexpr int kDefaultWidth = 892;
constexpr int kDefaultHeight = 634;
constexpr int kDefaultLeftFrameWidth = 261;
constexpr int kStartLayoutDelayMs = 50;
const WindowSettingNames kMainWindowSettings{QStringLiteral("MainFormTop"), QStringLiteral("MainFormLeft"),
                                             QStringLiteral("MainFormHeight"),
                                             QStringLiteral("MainFormWidth")};

void setBackground(QWidget* w, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, color);
    w->setPalette(p);
}

} // namespace

Tfmain::Tfmain(LogStore& store, const Services& services, const QString& fileArgument, QWidget* parent)
    : QMainWindow(parent), m_store(store), m_services(services), m_mapServer(std::make_unique<MapServer>())
{
    setObjectName(QStringLiteral("fmain"));
    setWindowTitle(QStringLiteral("Kovra log"));
    buildWindow();
    buildMenu();
    buildActions();
    startUp();
    createTimerWindow();
    connectEntry();
    qApp->installEventFilter(this);
    m_rotator = new Rotator(this);
    for (auto said : {&Rotator::failed, &Rotator::answersAgain})
        connect(m_rotator, said, this, [this](const QString& message) {
            m_log->hintBar()->setStatus(QStringLiteral("rotator"), message);
        });
    // An old heading would mislead once the rotator no longer answers.
    connect(m_rotator, &Rotator::failed, this, [this] { m_entry->headingNeedle->setHeading(std::nullopt); });
    connect(m_rotator, &Rotator::headingRead, this,
            [this](double azimuth) { m_entry->headingNeedle->setHeading(azimuth); });
    connect(m_entry->turnAntennaButton, &QToolButton::clicked, this, &Tfmain::turnAntenna);
    guarded(m_services.prompts, [this] { applyRotatorSettings(); });
    m_rig = new RigControl(m_store, m_services.prompts, *m_entry, *m_log->hintBar(), this);
    connect(m_rig, &RigControl::bandSwitched, this,
            [this] { guarded(m_services.prompts, [this] { m_contactEntry->bandChanged(); }); });
    connect(m_rig, &RigControl::modeSwitched, this,
            [this] { guarded(m_services.prompts, [this] { m_contactEntry->modeChanged(); }); });
    guarded(m_services.prompts, [this] { m_rig->applySettings(); });
    DigitalLink::Context digital;
    digital.save = [this](const ContactFields& fields) { return m_contactEntry->saveReceived(fields); };
    digital.nowUtc = [this] { return m_contactEntry->nowUtc(); };
    digital.repeatPeriodDays = [this] { return m_contactEntry->repeatPeriodDaysNow(); };
    digital.tours = [this] { return m_contactEntry->contacts().tourRule(); };
    digital.contestId = [this] { return m_state.CurrentContestId; };
    m_digital = new DigitalLink(m_store, m_services.prompts, *m_entry, *m_log->hintBar(), *m_rig,
                                std::move(digital), this);
    connect(m_digital, &DigitalLink::contactOffered, m_liveFeedback, &LiveFeedback::takeContact);
    connect(m_digital, &DigitalLink::bandSwitched, this,
            [this] { guarded(m_services.prompts, [this] { m_contactEntry->bandChanged(); }); });
    connect(m_digital, &DigitalLink::modeSwitched, this,
            [this] { guarded(m_services.prompts, [this] { m_contactEntry->modeChanged(); }); });
    guarded(m_services.prompts, [this] { m_digital->applySettings(); });
    // The highlights in WSJT-X hold for a contest and a repeat period: another one judges them anew.
    connect(m_timer, &Tftimer::repeatRuleChanged, m_digital,
            [this] { guarded(m_services.prompts, [this] { m_digital->rejudgeHighlights(); }); });
    guarded(m_services.prompts, [this] {
        m_backup = new LogBackup(m_store.db(), m_services.clock, LogBackup::optionsFrom(m_store), this);
        connect(m_backup, &LogBackup::failed, this, [this](const QString& message) {
            m_log->hintBar()->setStatus(QStringLiteral("backup"), message);
        });
        connect(m_backup, &LogBackup::copied, this,
                [this] { m_log->hintBar()->setStatus(QStringLiteral("backup"), QString()); });
        m_backup->start();
    });
    // The shared log: its link state and notices in the hint bar, the others' contacts in the log.
    m_shared = new SharedLog(m_store, m_services, this);
    connect(m_shared, &SharedLog::statusChanged, this,
            [this](const QString& text) { m_log->hintBar()->setStatus(QStringLiteral("share"), text); });
    connect(m_shared, &SharedLog::noticeChanged, this, [this](const QString& text) {
        m_log->hintBar()->setStatus(QStringLiteral("shareNotice"), text);
    });
    connect(m_shared, &SharedLog::contactsArrived, this, [this](const QVector<ArrivedContact>& contacts) {
        guarded(m_services.prompts, [&] {
            m_contactEntry->logChangedElsewhere(contacts);
            m_liveFeedback->ShowLastQSO();
        });
    });
    connect(m_shared, &SharedLog::leasesChanged, this,
            [this] { guarded(m_services.prompts, [this] { m_contactEntry->GetMaxNumber(); }); });
    connect(m_shared, &SharedLog::currentContestChanged, this,
            [this] { guarded(m_services.prompts, [this] { contestChanged(); }); });
    m_shared->start();
    guarded(m_services.prompts, [this] { m_log->showPositionColumn(); });
    // Once the window is up, so that a box about the file stands over it.
    if (!fileArgument.trimmed().isEmpty())
        QTimer::singleShot(0, this, [this, fileArgument] {
            guarded(m_services.prompts, [&] { openEdiFile(fileArgument); });
        });
}

Tfmain::~Tfmain()
{
    // The read-outs filter the entry panel's fields: they go first, so that no focus change of a
    // field torn down with the window reaches them once the panel is half destroyed.
    delete m_liveFeedback;
    m_liveFeedback = nullptr;
}

QAction* Tfmain::action(const QString& objectName) const
{
    return findChild<QAction*>(objectName);
}

void Tfmain::buildWindow()
{
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setChildrenCollapsible(false);
    m_entry = new EntryPanel(m_splitter);
    m_log = new LogView(m_store, m_state, m_services, m_splitter);
    m_contactEntry = new ContactEntry(*m_entry, *m_log, m_store, m_state, m_services, this);
    m_liveFeedback = new LiveFeedback(*m_entry, *m_log, m_store, m_state, m_services, this);
    m_splitter->addWidget(m_entry);
    m_splitter->addWidget(m_log);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_entry->setMinimumWidth(120);
    setCentralWidget(m_splitter);

    m_upgradeButton = new QPushButton(QStringLiteral("UpdateBD"), this);
    m_upgradeButton->setObjectName(QStringLiteral("Button1"));
    m_upgradeButton->hide();
    connect(m_upgradeButton, &QPushButton::clicked, this, &Tfmain::runSchemaUpgrade);

    m_clockTimer = new QTimer(this);
    m_clockTimer->setObjectName(QStringLiteral("Timer1"));
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &Tfmain::tickClock);

    m_startTimer = new QTimer(this);
    m_startTimer->setObjectName(QStringLiteral("TimerStart"));
    m_startTimer->setSingleShot(true);
    m_startTimer->setInterval(kStartLayoutDelayMs);
    // Once the window is up: the layout for the font size, and the call history, which
    // reads the whole log and is not needed before the first call is typed.
    connect(m_startTimer, &QTimer::timeout, this, [this] {
        applyFontSize();
        guarded(m_services.prompts, [this] { m_contactEntry->SetCallList(); });
    });

    m_entry->dateEdit->setDisplayFormat(shortDateFormat());
    m_entry->timeEdit->setDisplayFormat(longTimeFormat());

    move(kDefaultLeft, kDefaultTop);
    resize(kDefaultWidth, kDefaultHeight);
    setLeftFrameWidth(kDefaultLeftFrameWidth);
}

void Tfmain::buildMenu()
{
    auto add = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& key = {}) {
        QAction* a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        return a;
    };
    QMenu* work = menuBar()->addMenu(QStringLiteral("Работа"));
    work->setObjectName(QStringLiteral("workMenu"));
    QMenu* settings = work->addMenu(QStringLiteral("Установки"));
    settings->setObjectName(QStringLiteral("settingsMenu"));
    m_realTimeClock = add(settings, "mnRealDateTime", QStringLiteral("Текущие дата/время"));
    m_realTimeClock->setCheckable(true);
    m_realTimeClock->setChecked(true);
    connect(m_realTimeClock, &QAction::triggered, this, &Tfmain::applyClockMode);
    connect(add(settings, "N4", QStringLiteral("Часовой пояс")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { openTimeZoneWindow(); }); });
    connect(
        add(settings, "N2", QStringLiteral("Свои данные"), Qt::Key_F2), &QAction::triggered, this, [this] {
            guarded(m_services.prompts, [this] {
                Tfoptions2 personal(
                    m_store, m_services, m_log->fontSlider()->value(), [this] { LoadCallAndQTH(); }, this);
                personal.exec();
            });
        });
    connect(add(settings, "N7", QStringLiteral("Выбор соревнования"), Qt::Key_F3), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { openContestManager(); }); });
    connect(add(settings, "N8", QStringLiteral("Диапазоны"), Qt::Key_F4), &QAction::triggered, this, [this] {
        guarded(m_services.prompts, [this] {
            Tfband bands(m_store, m_services, this);
            bands.setFont(font());
            bands.exec();
            m_rig->reloadBands(); // the transverter offsets
        });
    });
    connect(add(settings, "mnRotator", QStringLiteral("Поворотное устройство")), &QAction::triggered, this,
            [this] {
                guarded(m_services.prompts, [this] {
                    Tfrotator window(m_store, m_services.prompts, this);
                    window.setFont(font());
                    if (window.exec() == QDialog::Accepted)
                        applyRotatorSettings();
                });
            });
    connect(add(settings, "mnRig", QStringLiteral("Трансивер")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { m_rig->openSettings(this); }); });
    connect(add(settings, "mnDigital", QStringLiteral("Цифровые виды")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { m_digital->openSettings(this); }); });
    connect(add(settings, "mnSharedLog", QStringLiteral("Общий лог")), &QAction::triggered, this, [this] {
        guarded(m_services.prompts, [this] {
            Tfshare window(m_store, *m_shared, m_services.prompts, m_state.CurrentContestId, this);
            connect(&window, &Tfshare::contactPicked, this, &Tfmain::goToContact);
            window.exec();
        });
    });
    QMenu* viewer = settings->addMenu(QStringLiteral("Эта программа как просмотрщик *.EDI"));
    viewer->setObjectName(QStringLiteral("N24"));
    connect(add(viewer, "N13", QStringLiteral("Установить")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { registerAsEdiViewer(); }); });
    connect(add(viewer, "N15", QStringLiteral("Убрать")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { unregisterAsEdiViewer(); }); });
    connect(
        add(work, "mnTurnAntenna", QStringLiteral("Повернуть антенну"), QKeySequence(Qt::CTRL | Qt::Key_R)),
        &QAction::triggered, this, &Tfmain::turnAntenna);
    connect(add(work, "mnCheckLog", QStringLiteral("Проверка лога")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { checkLog(false); }); });
    connect(add(work, "N14", QStringLiteral("Экспорт в EDI")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { exportEdi(); }); });
    connect(add(work, "mnImportEdi", QStringLiteral("Импорт EDI")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { importEdi(); }); });
    connect(add(work, "N5", QStringLiteral("Экспорт в ADI")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { exportAdif(); }); });
    connect(add(work, "N12", QStringLiteral("Открыть")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { openEdiFile(); }); });
    connect(add(work, "mnImportCalls", QStringLiteral("Импорт списка позывных")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { importCallList(); }); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("Вид"));
    view->setObjectName(QStringLiteral("viewMenu"));
    QAction* timer = add(view, "N11", QStringLiteral("Таймер обратного отсчёта"), Qt::Key_F5);
    timer->setCheckable(true);
    connect(add(view, "N25", QStringLiteral("Карта связей")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { showMap(); }); });
    connect(add(view, "mnStatistics", QStringLiteral("Статистика")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { showStatistics(); }); });
    connect(add(view, "mnUnsaved", QStringLiteral("Несохранённые связи")), &QAction::triggered, this,
            [this] { guarded(m_services.prompts, [this] { showUnsavedContacts(); }); });
    auto* chat = new ChatWindow(m_store, m_state, *m_contactEntry, m_services, *m_log->hintBar(), this);
    connect(add(view, "mnChat", QStringLiteral("Чат")), &QAction::triggered, chat, &ChatWindow::showWindow);
    connect(chat, &ChatWindow::stationPicked, m_liveFeedback, &LiveFeedback::takeContact);
    connect(m_startTimer, &QTimer::timeout, chat, &ChatWindow::startIfEnabled);
    auto* cluster = new ClusterWindow(
        m_store, m_state, *m_contactEntry,
        [this](const QString& call) { return m_state.callBook.locatorOf(call); }, m_services,
        *m_log->hintBar(), this);
    connect(add(view, "mnCluster", QStringLiteral("Кластер")), &QAction::triggered, cluster,
            &ClusterWindow::showWindow);
    connect(cluster, &ClusterWindow::stationPicked, m_liveFeedback, &LiveFeedback::takeContact);
    connect(cluster, &ClusterWindow::tuneWanted, this, [this](const QString& band, qint64 hz) {
        guarded(m_services.prompts, [&] { m_rig->tune(band, hz); }); // nothing while the rig is off
    });
    connect(m_startTimer, &QTimer::timeout, cluster, &ClusterWindow::startIfEnabled);
    connect(chat->client(), &ChatClient::messageReceived, cluster, &ClusterWindow::takeChatLine);

    QAction* about = menuBar()->addAction(QStringLiteral("?"));
    about->setObjectName(QStringLiteral("N28"));
    connect(about, &QAction::triggered, this, [this] {
        Tfabout box(m_services, font(), this);
        box.exec();
    });
}

void Tfmain::createTimerWindow()
{
    Tftimer::Context context;
    context.contestId = [this] { return m_state.CurrentContestId; };
    context.bandId = [this] { return m_state.CurrentBandId; };
    context.bandName = [this] { return m_entry->bandList->currentText(); };
    context.utcNow = [this] { return utcNow(m_services.clock, m_state.clockCorrection()); };
    m_timer = new Tftimer(m_store, m_services, std::move(context), this);
    m_contactEntry->setRepeatTimer(m_timer);
    QAction* menuItem = action(QStringLiteral("N11"));
    connect(menuItem, &QAction::triggered, this,
            [this](bool checked) { guarded(m_services.prompts, [&] { showTimerWindow(checked); }); });
    connect(m_timer, &Tftimer::closedByOperator, this, [menuItem] { menuItem->setChecked(false); });
}

void Tfmain::showTimerWindow(bool show)
{
    QAction* menuItem = action(QStringLiteral("N11"));
    menuItem->setChecked(show);
    m_timer->setFont(font());
    if (!show) {
        m_timer->hide();
        return;
    }
    m_timer->grid()->verticalHeader()->setDefaultSectionSize(int(std::nearbyint(font().pointSizeF() * 2.1)));
    m_timer->OpenSet();
    m_timer->show();
    m_timer->ReloadTimerList();
    m_timer->refresh();
}

void Tfmain::showStatistics()
{
    if (!m_statistics) {
        m_statistics = new StatisticsWindow(
            m_store, m_services.prompts,
            {[this] { return m_state.CurrentContestId; }, [this] { return m_contactEntry->nowUtc(); }}, this);
        connect(m_contactEntry, &ContactEntry::contactsChanged, m_statistics,
                &StatisticsWindow::contactChanged);
    }
    m_statistics->setFont(font());
    m_statistics->open();
}

void Tfmain::showUnsavedContacts()
{
    if (!m_unsaved)
        m_unsaved = new Tfunsaved(*m_digital, m_services.prompts, this);
    m_unsaved->setFont(font());
    m_unsaved->refresh();
    m_unsaved->show();
    m_unsaved->raise();
}

void Tfmain::openContestManager()
{
    auto contacts = [this] {
        return m_store.db().queryFirst(QStringLiteral("SELECT COUNT(*) FROM ContestList"))->toInt();
    };
    const qint64 before = contacts();
    Tfcontest manager(m_store, m_state, m_services, this);
    manager.setFont(font());
    connect(&manager, &Tfcontest::contestChosen, this, &Tfmain::contestChanged);
    manager.exec();
    // A contest deleted with its contacts takes their locators with it; a look at the contests
    // alone changes nothing of them.
    if (contacts() != before) {
        m_state.lastLocators.load(m_store.db());
        m_state.callBook.load(m_store.db());
    }
    m_liveFeedback->showMovedQth();
}

void Tfmain::openTimeZoneWindow()
{
    Tfoptions window(m_store, m_state, m_services, m_log->fontSlider()->value(), font(), this);
    if (window.exec() != QDialog::Accepted)
        return;
    // The corrected time at once, not a second later; a time typed by hand stays as typed.
    if (m_realTimeClock->isChecked())
        tickClock();
    showZoneMismatch();
}

void Tfmain::showZoneMismatch()
{
    const QString text =
        zoneMismatchText(m_store.intSetting(QStringLiteral("SettingFormClock")), m_services.clock.now());
    m_log->hintBar()->setStatus(QStringLiteral("zone"), text);
}

bool Tfmain::checkLog(bool beforeExport)
{
    ContactLog& contacts = m_contactEntry->contacts();
    std::vector<LogCheck::Finding> findings = LogCheck::checkPersonalData(m_store);
    const std::vector<LogCheck::Finding> inContacts = LogCheck::checkContacts(
        LogCheck::contestContacts(m_store, m_state.CurrentContestId),
        LogCheck::contestRules(m_store, m_state.CurrentContestId, m_contactEntry->repeatPeriodDaysNow(),
                               contacts.tourRule()));
    findings.insert(findings.end(), inContacts.begin(), inContacts.end());
    if (beforeExport && findings.empty())
        return true;
    LogCheckWindow window(m_store, findings, beforeExport, this);
    window.setFont(font());
    connect(&window, &LogCheckWindow::contactChosen, this, [this](qint64 rowid, const QString& band) {
        guarded(m_services.prompts, [&] { goToContact(rowid, band); });
    });
    const bool goOn = window.exec() == QDialog::Accepted;
    window.storePlace();
    return goOn;
}

void Tfmain::goToContact(qint64 rowid, const QString& band)
{
    if (band != m_entry->bandList->currentText()) {
        const int index = m_entry->bandList->findText(band);
        if (index < 0)
            return;
        m_entry->bandList->setCurrentIndex(index);
        m_contactEntry->bandChanged();
    }
    m_log->log().locate(QStringLiteral("ContestListRowid"), DbValue(rowid));
}

void Tfmain::applyRotatorSettings()
{
    const Tfrotator::Options o = Tfrotator::load(m_store);
    m_rotatorOn = o.on;
    m_log->hintBar()->setStatus(QStringLiteral("rotator"), QString()); // news of the earlier settings
    m_rotator->setAddress(o.host, quint16(o.port));
    if (o.on)
        m_rotator->start();
    else
        m_rotator->stop();
    m_entry->showRotator(o.on);
    action(QStringLiteral("mnTurnAntenna"))->setVisible(o.on); // absent for who has no rotator
}

void Tfmain::turnAntenna()
{
    if (m_rotatorOn)
        m_rotator->turnTo(m_entry->needleAzimuth());
}

void Tfmain::exportEdi()
{
    if (m_state.CurrentContestId == 0) {
        m_services.prompts.warning(QStringLiteral("Соревнование не выбрано."));
        return;
    }
    const QString nothingToExport =
        QStringLiteral("Нет связей для выгрузки: «%1».").arg(m_state.CurrentContestName);
    const DbValue contacts = m_store.eSQLreturn2(
        QStringLiteral("SELECT COUNT(*) FROM ContestList WHERE IdContest=%1").arg(m_state.CurrentContestId));
    if (contacts.isNumeric() && contacts.toInt() == 0) {
        m_services.prompts.warning(nothingToExport); // before any question about the files
        return;
    }
    if (!checkLog(true))
        return;
    Tfsaveoptions options(m_store, m_state.OwnCall, m_log->fontSlider()->value(), font(), this);
    if (options.exec() != QDialog::Accepted)
        return;
    EdiExportInput input{m_state.OwnCall, m_state.OwnLocator, m_state.CurrentContestName,
                         m_state.CurrentContestId};
    input.namedByRowid = m_store.intSetting(QStringLiteral("SaveOptionsFileName")).value_or(0) == 1;
    input.oem = m_store.intSetting(QStringLiteral("SaveOptionsFormat")).value_or(0) == 1;
    input.iaru = m_store.intSetting(QStringLiteral("EdiFileVariant")).value_or(0) == 1;
    input.checklog = m_store.intSetting(QStringLiteral("EdiChecklog")).value_or(0) == 1;

    const QString offered = m_store.textSetting(QStringLiteral("SaveEDIPath")).value_or(QDir::homePath());
    const std::optional<QString> chosen =
        m_services.prompts.chooseFolder(QStringLiteral("Выберите папку для сохранения"), offered);
    if (!chosen)
        return;
    m_store.SetSet(QStringLiteral("SaveEDIPath"), LogStore::TextSetting, *chosen);
    const QString folder = chosen->endsWith(QLatin1Char('/')) ? *chosen : *chosen + QLatin1Char('/');

    const EdiExportResult result = EdiExport(m_store).exportTo(folder, input);
    QString replaced;
    if (!result.changed.isEmpty())
        replaced = QStringLiteral("\n\rЗнаки, которых нет в кодировке, записаны как \"?\": ") +
                   result.changed.join(QStringLiteral(", "));
    if (!result.longLines.isEmpty())
        replaced += QStringLiteral("\n\rСтроки длиннее 75 знаков записаны целиком: ") +
                    result.longLines.join(QStringLiteral(", "));
    if (!result.unreadable.isEmpty())
        replaced += QStringLiteral("\n\rНе записано, значение не читается (мощность — число ватт или число с "
                                   "единицей Вт, кВт, мВт): ") +
                    result.unreadable.join(QStringLiteral(", "));
    // The files written before a failure stay, so their "?" are reported with the error.
    if (!result.error.isEmpty())
        m_services.prompts.error(result.error + replaced);
    else if (result.written.isEmpty())
        m_services.prompts.warning(nothingToExport);
    else
        m_services.prompts.information(QStringLiteral("Выгрузили данные в ") + folder + replaced);
}

void Tfmain::importEdi()
{
    ContactLog log(m_store);
    if (!log.contestExists(m_state.CurrentContestId)) {
        m_services.prompts.warning(noContestText());
        return;
    }
    const QStringList paths = m_services.prompts.chooseFilesToOpen(
        QStringLiteral("Импорт EDI"), QString(), QStringLiteral("EDI (Electronic Data Interchange) (*.edi)"));
    if (paths.isEmpty())
        return;
    EdiImport import(m_store, m_state.CurrentContestId, m_state.OwnLocator);
    QStringList bandNames;
    for (const LogBand& band : import.bands())
        bandNames << band.name;
    QList<EdiImportFile> files;
    for (const QString& path : paths) {
        EdiImportFile file = import.read(path);
        // A band the log does not have: the operator says which one the file is.
        if (file.error.isEmpty() && file.bandId == 0 && !file.reading.contacts.isEmpty()) {
            const std::optional<int> chosen =
                m_services.prompts.chooseItem(QStringLiteral("Импорт EDI"),
                                              QStringLiteral("Диапазон файла %1 (\"%2\"):")
                                                  .arg(QFileInfo(path).fileName(), file.reading.band),
                                              bandNames);
            if (!chosen)
                return;
            file.bandId = import.bands()[*chosen].key;
        }
        files << file;
    }
    const EdiImportPlan plan = import.plan(files);
    EdiImportWindow window(plan.summary(), !plan.rows.isEmpty(), this);
    window.setFont(font());
    if (window.exec() != QDialog::Accepted)
        return;
    std::vector<SaveOutcome> outcomes;
    try {
        outcomes = import.write(plan);
    } catch (const SqlError& e) {
        m_services.prompts.error(QStringLiteral("Связи не добавлены: ") + e.message());
        return;
    }
    // Whatever follows the log (the grid, the next serial, the statistics, the call lists and
    // the windows that grey worked calls) hears of the new rows as of any other arrival.
    QVector<ArrivedContact> added;
    for (size_t i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].kind != SaveOutcome::Saved)
            continue;
        const ContactFields& f = plan.rows[qsizetype(i)].first;
        const auto band = std::find_if(plan.bands.cbegin(), plan.bands.cend(),
                                       [&](const EdiImportPlan::Band& b) { return b.name == f.band; });
        added << ArrivedContact{ArrivedContact::Added,
                                m_state.CurrentContestId,
                                band == plan.bands.cend() ? 0 : band->id,
                                0,
                                outcomes[i].rowid,
                                f.call,
                                QString(),
                                f.locator,
                                toDayCount(f.date, f.time)};
    }
    if (!added.isEmpty()) {
        m_contactEntry->logChangedElsewhere(added);
        m_liveFeedback->ShowLastQSO();
    }
    m_services.prompts.information(importOutcomeText(outcomes));
}

void Tfmain::showMap()
{
    QString own = m_state.OwnLocator;
    if (!LocatorIsValid(own)) {
        m_services.prompts.warning(kNoOwnLocator);
        return;
    }
    Cursor& log = m_log->log();
    auto text = [&](int row, const char* field) {
        const DbValue v = log.value(row, log.fieldIndex(QString::fromLatin1(field)));
        return v.isNull() ? QString() : v.displayText();
    };
    QList<MapEntry> contacts;
    for (int row = 0; log.isOpen() && row < log.rowCount(); ++row) {
        MapEntry entry{text(row, "ContestListCall"), text(row, "ContestListQTH"),
                       text(row, "ContestListAzimut"), text(row, "ContestListDistance")};
        // A contact that cannot be placed stays off the map; the others are drawn.
        QString locator = entry.locator;
        if (!LocatorIsValid(locator))
            continue;
        const DbValue distance = log.value(row, log.fieldIndex(QStringLiteral("ContestListDistance")));
        entry.distance =
            distance.isNumeric() ? QString::number(distance.toDouble(), 'g', 15) : QStringLiteral("''");
        if (entry.azimuth.isEmpty())
            entry.azimuth = QStringLiteral("''");
        contacts << entry;
    }
    if (log.isOpen())
        log.first();
    QString failure;
    const QUrl address =
        m_mapServer->publish(mapDataArray(MapEntry{m_state.OwnCall, own, {}, {}}, contacts),
                             mapTileUrl(m_store.textSetting(QStringLiteral("MapTileUrl"))), &failure);
    if (address.isEmpty())
        m_services.prompts.error(failure);
    else
        m_services.desktop.openUrl(address);
}

void Tfmain::exportAdif()
{
    const std::optional<QString> chosen =
        m_services.prompts.chooseFileToSave(QStringLiteral("Экспорт в ADI"), QString(),
                                            QStringLiteral("Amateur Data Interchange Format (*.adi)"));
    if (!chosen)
        return;
    const QString path = adifFileName(*chosen);
    Cursor& log = m_log->log();
    const QAbstractItemModel* grid = m_log->grid()->model();
    auto text = [&](int row, const char* field) {
        const DbValue v = log.value(row, log.fieldIndex(QString::fromLatin1(field)));
        return v.isNull() ? QString() : v.displayText();
    };
    QList<AdifContact> contacts;
    for (int row = 0; log.isOpen() && row < log.rowCount(); ++row) {
        const DbValue at = log.value(row, log.fieldIndex(QStringLiteral("ContestListDateTime")));
        const DbValue band = log.value(row, log.fieldIndex(QStringLiteral("IdBand")));
        const DbValue mhz = log.value(row, log.fieldIndex(QStringLiteral("ContestListFrequency")));
        contacts << AdifContact{text(row, "ContestListCall"),
                                at.isNumeric() ? at.toDouble() : 0.0,
                                band.isNumeric() ? band.toInt() : 0,
                                grid->index(row, LogView::ModeColumn).data().toString(),
                                text(row, "ContestListSendRST"),
                                text(row, "ContestListReceivedRST"),
                                text(row, "ContestListQTH"),
                                mhz.isNumeric() && band.isNumeric() &&
                                        storedFrequencyFitsBand(int(band.toInt()), mhz.toDouble())
                                    ? std::optional(mhz.toDouble())
                                    : std::nullopt};
    }
    const QString created =
        QLocale().toString(m_services.clock.now(), shortDateFormat() + QLatin1Char(' ') + longTimeFormat());
    bool lossy = false;
    const QString cause = writeWholeFile(path, adifFile(m_state.OwnCall, created, contacts, &lossy));
    if (log.isOpen())
        log.first();
    if (!cause.isEmpty())
        m_services.prompts.error(QStringLiteral("Не удалось записать файл %1: %2").arg(path, cause));
    else if (lossy)
        m_services.prompts.information(QStringLiteral("Знаки, которых нет в кодировке, записаны в ") + path +
                                       QStringLiteral(" как \"?\"."));
}

void Tfmain::openEdiFile(const QString& fileArgument)
{
    m_log->editorCheck()->setChecked(false);
    QString path = fileArgument;
    if (path.trimmed().isEmpty()) {
        const std::optional<QString> chosen =
            m_services.prompts.chooseFileToOpen(QStringLiteral("Открыть"), QString(),
                                                QStringLiteral("EDI (Electronic Data Interchange) (*.edi)"));
        if (!chosen)
            return;
        path = *chosen;
    }
    path = QFileInfo(path).absoluteFilePath();
    // A file that cannot be read leaves the log view as it was.
    const EdiFileReading read = readEdiFile(path);
    if (!read.reading) {
        m_services.prompts.error(QStringLiteral("Не удалось открыть файл %1: %2").arg(path, read.cause));
        return;
    }
    const EdiReading& file = *read.reading;
    fillViewerTable(m_store, file, m_state.OwnLocator);
    m_state.ViewerMode = true;
    setWindowTitle(QStringLiteral("[Файл] ") + file.call + QStringLiteral(" / ") + file.band +
                   QStringLiteral(" / ") + file.name);
    m_log->showFile(path);
    lockForViewer();
    if (!file.unreadLines.isEmpty())
        m_services.prompts.warning(unreadLinesText(path, file.unreadLines));
}

void Tfmain::importCallList()
{
    const std::optional<QString> path = m_services.prompts.chooseFileToOpen(
        QStringLiteral("Импорт списка позывных"), QDir::homePath(),
        QStringLiteral("Списки позывных (*.txt *.TXT *.csv *.edi *.EDI);;Все файлы (*)"));
    if (!path)
        return;
    const CallListImport done = importCallListFile(m_store.db(), m_state.callBook, *path);
    if (done.failed) {
        m_services.prompts.warning(done.message);
        return;
    }
    // What shows the list's locators shows the new ones: the spots, the call being typed.
    if (auto* cluster = findChild<ClusterWindow*>())
        cluster->callListChanged();
    m_liveFeedback->offerLocator();
    m_services.prompts.information(done.message);
}

void Tfmain::registerAsEdiViewer()
{
    const QString program = QCoreApplication::applicationFilePath();
    const QString error = EdiAssociation::install(EdiAssociation::Folders::fromEnvironment(), program);
    if (!error.isEmpty()) {
        m_services.prompts.error(error);
        return;
    }
    m_services.prompts.information(QStringLiteral("Установили программу ") + program +
                                   QStringLiteral(" для просмотра EDI файлов."));
}

void Tfmain::unregisterAsEdiViewer()
{
    const QString error = EdiAssociation::remove(EdiAssociation::Folders::fromEnvironment());
    if (!error.isEmpty()) {
        m_services.prompts.error(error);
        return;
    }
    m_services.prompts.information(QStringLiteral("Убрали эту программу для просмотра EDI файлов."));
}

void Tfmain::lockForViewer()
{
    for (QWidget* w : std::initializer_list<QWidget*>{
             m_entry->callLocatorLabel, m_entry->dateTimeLabel, m_entry->bandModeLabel, m_entry->bandList,
             m_entry->modeList, m_entry->callEdit, m_entry->locatorEdit, m_entry->sentReportEdit,
             m_entry->receivedReportEdit, m_entry->receivedNumberEdit, m_entry->dateEdit, m_entry->timeEdit,
             m_entry->saveButton})
        w->setEnabled(false);
    // The menu goes, and with it every command and key of the menu and the window.
    for (QAction* a : menuBar()->findChildren<QAction*>())
        a->setEnabled(false);
    for (QAction* a : actions())
        a->setEnabled(false);
    menuBar()->hide();
}

void Tfmain::contestChanged()
{
    LoadCallAndQTH();
    m_contactEntry->bandChanged();
    if (m_timer->isVisible())
        m_timer->close();
    // Judged after the timer window has gone: the period then is the new contest's own.
    m_digital->rejudgeHighlights();
}

void Tfmain::buildActions()
{
    auto add = [this](const char* name, const QKeySequence& key, auto handler) {
        auto* a = new QAction(this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, handler] { guarded(m_services.prompts, handler); });
        addAction(a);
    };
    add("MySaveCtrlS", QKeySequence(Qt::CTRL | Qt::Key_S), [this] { m_contactEntry->saveContact(); });
    add("MyClearField", QKeySequence(Qt::CTRL | Qt::Key_X), [this] { m_contactEntry->clearFields(); });
    add("MyModulSSB", QKeySequence(Qt::Key_F11), [this] { m_contactEntry->selectMode(1); });
    add("MyModulCW", QKeySequence(Qt::Key_F12), [this] { m_contactEntry->selectMode(2); });
}

void Tfmain::connectEntry()
{
    connect(m_entry->saveButton, &QPushButton::clicked, this,
            [this] { guarded(m_services.prompts, [this] { m_contactEntry->saveContact(); }); });
    connect(m_entry->bandList, &QComboBox::activated, this,
            [this] { guarded(m_services.prompts, [this] { m_contactEntry->bandChanged(); }); });
    connect(m_entry->modeList, &QComboBox::activated, this,
            [this] { guarded(m_services.prompts, [this] { m_contactEntry->modeChanged(); }); });
    connect(m_log, &LogView::contactPicked, m_liveFeedback, &LiveFeedback::takeContact);
    connect(m_log, &LogView::bandLogErased, this,
            [this] { guarded(m_services.prompts, [this] { m_contactEntry->logRowChanged(); }); });
}

bool Tfmain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return QMainWindow::eventFilter(watched, event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return QMainWindow::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && modifiers == Qt::ControlModifier) {
        if (type == QEvent::KeyPress && !m_state.ViewerMode)
            guarded(m_services.prompts, [this] { m_contactEntry->saveContact(); });
        return true;
    }
    if (type == QEvent::ShortcutOverride) {
        // Hold the field back so that the window's shortcut gets the key.
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* a : actions()) {
            if (a->shortcut() == pressed && a->isEnabled())
                return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tfmain::startUp()
{
    m_state.ViewerMode = false;
    // A step that fails is reported and the window comes up as far as it was built.
    guarded(m_services.prompts, [&] {
        SchemaUpgrade(m_store);
        m_store.openSettingCursors();

        if (const auto size = m_store.intSetting(QStringLiteral("FontSize")))
            m_log->fontSlider()->setValue(*size);
        if (const auto width = m_store.intSetting(QStringLiteral("GbLeftWidth")))
            setLeftFrameWidth(*width);

        m_state.setZonePosition(m_store.intSetting(QStringLiteral("SettingFormClock")));
        tickClock();

        restoreWindowGeometry(m_store, *this, kMainWindowSettings, QPoint(kDefaultLeft, kDefaultTop));

        LoadCallAndQTH();

        for (QLineEdit* sent : {m_entry->sentReportEdit, m_entry->sentNumberEdit})
            setBackground(sent, MainState::SentColor);
        for (QLineEdit* received : {m_entry->receivedReportEdit, m_entry->receivedNumberEdit})
            setBackground(received, MainState::ReceivedColor);

        fillBandAndModeLists();
        m_contactEntry->modeChanged();

        const DbValue sort = m_store.eSQLreturn2(
            QStringLiteral("SELECT SettingParamStr FROM Setting WHERE SettingName='GridOptionsSort' "));
        const bool descending = !sort.isNull() && sort.toString() == QLatin1String("DESC");
        m_log->action(descending ? QStringLiteral("N20") : QStringLiteral("N19"))->setChecked(true);
        m_log->applySortOrder(false);
        const DbValue padding = m_store.eSQLreturn2(
            QStringLiteral("SELECT SettingParamInt FROM Setting WHERE SettingName='GridOptionsNol' "));
        if (!padding.isNull())
            m_log->applyNumberDisplay(padding.toInt() == 0, false);

        applyClockMode();
        m_contactEntry->bandChanged();

        m_log->applyColumnSettings();
        applyEarlierContactsColumnSettings();
        m_entry->arrowImage->setAngle(0);
        m_log->hintBar()->clear();
        showZoneMismatch();
        m_log->applyEditorMode();
        m_entry->callEdit->setFocus(); // the operator starts with a call
        m_startTimer->start();
        m_log->updateCaption();
        m_liveFeedback->showCurrentContact();
    });
    connect(m_log->fontSlider(), &QSlider::valueChanged, this, &Tfmain::applyFontSize);
}

// The lists hold the names the grid looks identifiers up in, read once for both.
void Tfmain::fillBandAndModeLists()
{
    m_log->openLookup(LogView::BandColumn);
    m_entry->bandList->addItems(m_log->lookupNames(LogView::BandColumn));
    const DbValue lastBand = m_store.eSQLreturn2(
        QStringLiteral("SELECT SettingParamInt FROM Setting WHERE SettingName='LastBand' "));
    m_entry->bandList->setCurrentIndex(lastBand.isNull() ? -1 : int(lastBand.toInt()));

    m_log->openLookup(LogView::ModeColumn);
    m_entry->modeList->addItems(m_log->lookupNames(LogView::ModeColumn));
    const DbValue lastMode = m_store.eSQLreturn2(
        QStringLiteral("SELECT SettingParamInt FROM Setting WHERE SettingName='LastMod' "));
    m_entry->modeList->setCurrentIndex(lastMode.isNull() ? -1 : int(lastMode.toInt()));
}

void Tfmain::applyEarlierContactsColumnSettings()
{
    DataGrid* grid = m_entry->earlierContactsGrid;
    QVector<GridColumnSpec> columns(3);
    columns[0].field = QStringLiteral("ContestListCall");
    columns[1].field = QStringLiteral("ContestListDateTime");
    columns[1].display = [](const DbValue& v) {
        return v.isNull() ? QString() : fromDayCount(v.toDouble()).toString(QStringLiteral("dd.MM HH:mm"));
    };
    columns[2].field = QStringLiteral("IdBand");
    for (int i = 0; i < 3; ++i) {
        columns[i].title = columns[i].field;
        applyStoredColumn(m_store, columns[i], QStringLiteral("Grid2ColumnWidth%1").arg(i),
                          QStringLiteral("Grid2ColumnTitleCaptionRu%1").arg(i),
                          QStringLiteral("Grid2ColumnTitleHintRu%1").arg(i));
    }
    grid->setColumns(columns);
}

void Tfmain::LoadCallAndQTH()
{
    auto personal = [this](const char* key) {
        const DbValue v = m_store.GetSetInfo(QString::fromLatin1(key));
        return v.isNull() ? QString() : v.toString();
    };
    m_state.OwnCall = personal("PCall");
    m_state.OwnLocator = personal("PWWLo");
    const DbValue name =
        m_store.eSQLreturn(QStringLiteral("SELECT ContestName FROM Contest WHERE ContestActual=True"));
    m_state.CurrentContestName = name.isNull() ? QString() : name.toString();
    if (m_state.CurrentContestName == QLatin1String("0"))
        m_state.CurrentContestName = QStringLiteral("Нет выбранных соревнований");
    const DbValue id =
        m_store.eSQLreturn(QStringLiteral("SELECT ContestRowid FROM Contest WHERE ContestActual=True"));
    m_state.CurrentContestId = id.isNull() ? 0 : qint32(id.toInt());
    setWindowTitle(m_state.CurrentContestName + QStringLiteral(" / ") + m_state.OwnCall +
                   QStringLiteral(" из ") + m_state.OwnLocator);
}

void Tfmain::applyFontSize()
{
    const int s = m_log->fontSlider()->value();
    QFont windowFont = font();
    windowFont.setPointSize(s);
    setFont(windowFont);
    m_entry->applyFontLayout(s);
    m_log->applyFontSize(s);
}

void Tfmain::tickClock()
{
    m_state.ClockTime = utcNow(m_services.clock, m_state.clockCorrection());
    const QDateTime shown = fromDayCount(m_state.ClockTime);
    // Whole seconds: the pickers show what a saved contact will hold.
    const QTime time(shown.time().hour(), shown.time().minute(), shown.time().second());
    m_entry->dateEdit->setDate(shown.date());
    m_entry->timeEdit->setTime(time);
}

void Tfmain::applyClockMode()
{
    const bool running = m_realTimeClock->isChecked();
    m_entry->dateEdit->setEnabled(!running);
    m_entry->timeEdit->setEnabled(!running);
    if (running)
        m_clockTimer->start();
    else
        m_clockTimer->stop();
}

void Tfmain::runSchemaUpgrade()
{
    guarded(m_services.prompts, [&] { SchemaUpgrade(m_store); });
}

void Tfmain::setLeftFrameWidth(int width)
{
    if (!isVisible()) {
        m_pendingLeftWidth = width;
        return;
    }
    const QList<int> sizes = m_splitter->sizes();
    m_splitter->setSizes({width, std::max(1, sizes.value(0) + sizes.value(1) - width)});
}

void Tfmain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_pendingLeftWidth > 0) {
        const int width = std::exchange(m_pendingLeftWidth, 0);
        setLeftFrameWidth(width);
    }
}

void Tfmain::closeEvent(QCloseEvent* event)
{
    // The last copy of the session, before the window's own settings are stored: a session
    // that logged nothing leaves no copy. A failure must not keep the window open.
    if (m_backup) {
        const QString error = m_backup->copyNowIfChanged();
        if (!error.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(error));
    }
    guarded(m_services.prompts, [&] { saveWindowSettings(); });
    // WSJT-X keeps a highlight until told otherwise: none may outlive the program.
    m_digital->stop();
    QMainWindow::closeEvent(event);
}

void Tfmain::saveWindowSettings()
{
    m_store.qSetting().close();
    m_store.qSetting().open();
    for (int i = 0; i < LogView::ColumnCount; ++i) {
        if (const std::optional<int> width = m_log->columnWidthToStore(i))
            m_store.SetSet(LogView::widthSetting(i), LogStore::IntegerSetting, *width);
    }
    for (int i = 0; i < 3; ++i)
        m_store.SetSet(QStringLiteral("Grid2ColumnWidth%1").arg(i), LogStore::IntegerSetting,
                       m_entry->earlierContactsGrid->columnWidth(i));
    if (!m_entry->bandList->currentText().isEmpty())
        m_store.SetSet(QStringLiteral("LastBand"), LogStore::IntegerSetting,
                       m_entry->bandList->currentIndex());
    if (!m_entry->modeList->currentText().isEmpty())
        m_store.SetSet(QStringLiteral("LastMod"), LogStore::IntegerSetting,
                       m_entry->modeList->currentIndex());
    m_store.SetSet(QStringLiteral("GbLeftWidth"), LogStore::IntegerSetting, m_entry->width());
    m_store.SetSet(QStringLiteral("FontSize"), LogStore::IntegerSetting, m_log->fontSlider()->value());
    saveWindowGeometry(m_store, *this, kMainWindowSettings);
    if (m_timer && m_timer->isVisible())
        m_timer->close();
    if (m_statistics && m_statistics->isVisible())
        m_statistics->close();
}
