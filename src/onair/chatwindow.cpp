#include "onair/chatwindow.h"

#include "app/contactentry.h"
#include "app/mainstate.h"
#include "controls/hintbar.h"
#include "controls/windowsettings.h"
#include "onair/chatpassword.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/guarded.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "store/logstore.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const WindowSettingNames kChatWindowSettings{
    QStringLiteral("ChatWindowTop"), QStringLiteral("ChatWindowLeft"), QStringLiteral("ChatWindowHeight"),
    QStringLiteral("ChatWindowWidth")};
const QString kServerSetting = QStringLiteral("ChatServer");
const QString kPortSetting = QStringLiteral("ChatPort");
const QString kRoomSetting = QStringLiteral("ChatRoom");
const QString kLoginSetting = QStringLiteral("ChatLogin");
const QString kRememberSetting = QStringLiteral("ChatRemember");
const QString kEnabledSetting = QStringLiteral("ChatEnabled");
const QString kMaxDistanceSetting = QStringLiteral("ChatMaxKm");
const QString kSectorFromSetting = QStringLiteral("ChatSectorFrom");
const QString kSectorToSetting = QStringLiteral("ChatSectorTo");
const QString kHintSource = QStringLiteral("chat");

constexpr int kRefreshEveryMs = 30000; // a wait that ends turns green without a new list

} // namespace

ChatWindow::ChatWindow(LogStore& store, MainState& state, ContactEntry& entry, const Services& services,
                       HintBar& hints, QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(store), m_state(state), m_entry(entry), m_services(services),
      m_hints(hints), m_client(new ChatClient(this)), m_stations(new ChatStationModel(m_worked, this)),
      m_filter(new ChatStationFilter(this)), m_chosenRoom(ChatClient::kDefaultRoom),
      m_roomOffer(ChatClient::knownRooms())
{
    setObjectName(QStringLiteral("fchat"));
    setWindowTitle(QStringLiteral("Чат"));
    setAttribute(Qt::WA_WindowPropagation); // the main window's font size
    resize(960, 520);
    buildWindow();

    // The window says what the connection is doing now; the hint bar says each change once.
    connect(m_client, &ChatClient::stateChanged, this,
            [this](const QString& text) { m_hints.setStatus(kHintSource, text); });
    connect(m_client, &ChatClient::currentStateChanged, m_stateLabel, &QLabel::setText);
    connect(m_client, &ChatClient::stationsListed, this, [this](const std::vector<ChatStation>& stations) {
        m_stations->setStations(stations);
        if (!stations.empty())
            refreshLogColumns();
    });
    connect(m_client, &ChatClient::stationLeft, m_stations, &ChatStationModel::removeStation);
    connect(m_client, &ChatClient::messageReceived, this, &ChatWindow::addMessage);
    connect(m_client, &ChatClient::noticeReceived, this,
            [this](const QString& text) { addLine(text, QColor(), Qt::darkGray, false); });
    connect(m_client, &ChatClient::roomsOffered, this, &ChatWindow::roomsOffered);

    connect(&m_entry, &ContactEntry::contactSaved, this,
            [this](const QString& call, const QString& mode, double dateTime) {
                guarded(m_services.prompts, [&] {
                    if (!m_workedStale && m_entry.contacts().modeId(mode) == m_worked.modeId())
                        m_worked.logged(call, dateTime);
                });
                refreshLogColumns();
            });
    // The repeat rule counts a band and a mode: another mode, other stations waiting.
    connect(&m_entry, &ContactEntry::modeChosen, this, [this] {
        m_workedStale = true;
        if (m_stations->rowCount() > 0)
            refreshLogColumns();
    });
    connect(&m_entry, &ContactEntry::bandLogChanged, this, [this] {
        m_workedStale = true;
        if (m_stations->rowCount() > 0)
            refreshLogColumns();
    });
    m_refresh = new QTimer(this);
    m_refresh->setInterval(kRefreshEveryMs);
    connect(m_refresh, &QTimer::timeout, this, [this] {
        if (m_stations->rowCount() > 0)
            refreshLogColumns();
    });
    m_refresh->start();
    // The lines of one read are shown together, laid out and scrolled once: a burst of
    // thousands must not hold up typing.
    m_showLines = new QTimer(this);
    m_showLines->setSingleShot(true);
    m_showLines->setInterval(0);
    connect(m_showLines, &QTimer::timeout, this, &ChatWindow::showPendingLines);
    if (parent)
        parent->installEventFilter(this);
}

ChatWindow::~ChatWindow()
{
    // The client goes after this window's members: its last signals must not reach them.
    m_client->disconnect(this);
    // Nor must a field's: one that loses the focus as the window is torn down says its editing
    // finished, the room's typed name among them.
    for (QWidget* field : findChildren<QWidget*>())
        field->disconnect(this);
}

void ChatWindow::buildWindow()
{
    auto* connection = new QWidget(this);
    auto* grid = new QGridLayout(connection);
    grid->setContentsMargins(6, 6, 6, 0);
    auto label = [connection](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, connection);
        l->setBuddy(buddy);
        return l;
    };
    m_server = new QLineEdit(connection);
    m_server->setObjectName(QStringLiteral("chatServer"));
    m_port = new QSpinBox(connection);
    m_port->setObjectName(QStringLiteral("chatPort"));
    m_port->setRange(1, 65535);
    m_room = new QComboBox(connection);
    m_room->setObjectName(QStringLiteral("chatRoom"));
    // A server may have rooms this list does not know until it offers them: one is typed in.
    m_room->setEditable(true);
    m_room->setInsertPolicy(QComboBox::NoInsert);
    // Completing would turn a room typed as "EME" into the known "EME/JT65".
    m_room->setCompleter(nullptr);
    m_room->setToolTip(QStringLiteral("Комната из предложенных сервером или своя: впишите её название"));
    m_room->addItems(m_roomOffer);
    m_room->setCurrentIndex(m_room->findText(m_chosenRoom));
    m_login = new QLineEdit(connection);
    m_login->setObjectName(QStringLiteral("chatLogin"));
    m_password = new QLineEdit(connection);
    m_password->setObjectName(QStringLiteral("chatPassword"));
    m_password->setEchoMode(QLineEdit::Password);
    m_remember = new QCheckBox(QStringLiteral("Запомнить"), connection);
    m_remember->setObjectName(QStringLiteral("chatRemember"));
    m_remember->setToolTip(QStringLiteral("Пароль хранится в файле %1, доступном только вам; без отметки — "
                                          "только пока программа работает")
                               .arg(ChatPassword::filePath()));
    m_enabled = new QCheckBox(QStringLiteral("Включено"), connection);
    m_enabled->setObjectName(QStringLiteral("chatEnabled"));
    grid->addWidget(label(QStringLiteral("Сервер:"), m_server), 0, 0);
    grid->addWidget(m_server, 0, 1);
    grid->addWidget(label(QStringLiteral("Порт:"), m_port), 0, 2);
    grid->addWidget(m_port, 0, 3);
    grid->addWidget(label(QStringLiteral("Комната:"), m_room), 0, 4);
    grid->addWidget(m_room, 0, 5, 1, 2);
    grid->addWidget(label(QStringLiteral("Логин:"), m_login), 1, 0);
    grid->addWidget(m_login, 1, 1);
    grid->addWidget(label(QStringLiteral("Пароль:"), m_password), 1, 2);
    grid->addWidget(m_password, 1, 3);
    grid->addWidget(m_remember, 1, 4, 1, 2);
    grid->addWidget(m_enabled, 1, 6);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("chatSplitter"));
    splitter->setChildrenCollapsible(false);

    auto* left = new QWidget(splitter);
    auto* filters = new QHBoxLayout;
    m_maxDistance = new QSpinBox(left);
    m_maxDistance->setObjectName(QStringLiteral("chatMaxKm"));
    m_maxDistance->setRange(0, 20000);
    m_maxDistance->setSingleStep(50);
    m_maxDistance->setSpecialValueText(QStringLiteral("все"));
    m_maxDistance->setToolTip(QStringLiteral("Станции не дальше стольких километров; 0 — все"));
    m_sectorFrom = new QSpinBox(left);
    m_sectorFrom->setObjectName(QStringLiteral("chatSectorFrom"));
    m_sectorTo = new QSpinBox(left);
    m_sectorTo->setObjectName(QStringLiteral("chatSectorTo"));
    for (QSpinBox* sector : {m_sectorFrom, m_sectorTo}) {
        sector->setRange(0, 360);
        sector->setSuffix(QStringLiteral("°"));
        sector->setSingleStep(10);
        sector->setToolTip(QStringLiteral("Сектор азимутов по часовой стрелке; от 0° до 360° — все"));
    }
    m_sectorTo->setValue(360);
    filters->addWidget(label(QStringLiteral("До, км:"), m_maxDistance));
    filters->addWidget(m_maxDistance);
    filters->addSpacing(8);
    filters->addWidget(label(QStringLiteral("Азимут от:"), m_sectorFrom));
    filters->addWidget(m_sectorFrom);
    filters->addWidget(label(QStringLiteral("до:"), m_sectorTo));
    filters->addWidget(m_sectorTo);
    filters->addStretch(1);

    m_filter->setSourceModel(m_stations);
    m_filter->setSortRole(ChatStationModel::SortRole);
    m_filter->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_stationView = new QTableView(left);
    m_stationView->setObjectName(QStringLiteral("chatStations"));
    m_stationView->setModel(m_filter);
    m_stationView->setSortingEnabled(true);
    m_stationView->sortByColumn(ChatStationModel::CallColumn, Qt::AscendingOrder);
    m_stationView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_stationView->setSelectionMode(QAbstractItemView::SingleSelection);
    m_stationView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_stationView->verticalHeader()->hide();
    m_stationView->verticalHeader()->setDefaultSectionSize(m_stationView->fontMetrics().height() + 6);
    m_stationView->horizontalHeader()->setStretchLastSection(true);
    m_stationView->setToolTip(QStringLiteral("Двойной щелчок — позывной и QTH в поля ввода"));
    const int widths[] = {80, 60, 46, 42, 72, 72};
    for (int i = 0; i < int(std::size(widths)); ++i)
        m_stationView->setColumnWidth(i, widths[i]);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(filters);
    leftLayout->addWidget(m_stationView, 1);

    auto* right = new QWidget(splitter);
    m_messages = new QListWidget(right);
    m_messages->setObjectName(QStringLiteral("chatMessages"));
    m_messages->setWordWrap(true);
    m_messages->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* sendRow = new QHBoxLayout;
    m_private = new QCheckBox(QStringLiteral("Лично"), right);
    m_private->setObjectName(QStringLiteral("chatPrivate"));
    m_private->setEnabled(false);
    m_private->setToolTip(QStringLiteral("Строка уйдёт только станции, выбранной в списке (/cq)"));
    m_line = new QLineEdit(right);
    m_line->setObjectName(QStringLiteral("chatLine"));
    m_send = new QPushButton(QStringLiteral("Отправить"), right);
    m_send->setObjectName(QStringLiteral("chatSend"));
    sendRow->addWidget(m_private);
    sendRow->addWidget(m_line, 1);
    sendRow->addWidget(m_send);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_messages, 1);
    rightLayout->addLayout(sendRow);

    splitter->addWidget(left);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({540, 420});

    m_stateLabel = new QLabel(this);
    m_stateLabel->setObjectName(QStringLiteral("chatState"));
    m_stateLabel->setTextFormat(Qt::PlainText);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(connection);
    auto* middle = new QVBoxLayout;
    middle->setContentsMargins(6, 0, 6, 0);
    middle->addWidget(splitter, 1);
    middle->addWidget(m_stateLabel);
    layout->addLayout(middle, 1);

    auto handled = [this](auto action) {
        return [this, action] { guarded(m_services.prompts, [&] { (this->*action)(); }); };
    };
    connect(m_enabled, &QCheckBox::clicked, this, handled(&ChatWindow::switchedOnOrOff));
    connect(m_remember, &QCheckBox::clicked, this, handled(&ChatWindow::rememberChosen));
    connect(m_password, &QLineEdit::editingFinished, this, handled(&ChatWindow::passwordEdited));
    for (QLineEdit* field : {m_server, m_login})
        connect(field, &QLineEdit::editingFinished, this, handled(&ChatWindow::fieldsEdited));
    connect(m_port, &QSpinBox::editingFinished, this, handled(&ChatWindow::fieldsEdited));
    connect(m_room, &QComboBox::activated, this, handled(&ChatWindow::roomChosen));
    connect(m_room->lineEdit(), &QLineEdit::editingFinished, this, handled(&ChatWindow::roomChosen));
    for (QSpinBox* spin : {m_maxDistance, m_sectorFrom, m_sectorTo})
        connect(spin, &QSpinBox::valueChanged, this, &ChatWindow::filterChanged);
    connect(m_line, &QLineEdit::returnPressed, this, &ChatWindow::sendLine);
    connect(m_send, &QPushButton::clicked, this, &ChatWindow::sendLine);
    connect(m_stationView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ChatWindow::stationChosen);
    connect(m_filter, &QAbstractItemModel::modelReset, this, &ChatWindow::pickAgain);
    connect(m_stationView, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        const ChatStation& station = m_stations->station(m_filter->mapToSource(index).row());
        emit stationPicked(station.call, station.locator);
    });
}

void ChatWindow::showWindow()
{
    guarded(m_services.prompts, [this] {
        loadSettings();
        restoreWindowGeometry(m_store, *this, kChatWindowSettings);
        m_shown = true;
        refreshLogColumns();
    });
    show();
    raise();
    activateWindow();
}

void ChatWindow::startIfEnabled()
{
    guarded(m_services.prompts, [this] {
        loadSettings();
        // The operator may have switched it on in the window before the start came: starting
        // again would drop that connection and whatever was on its way over it.
        if (m_enabled->isChecked() && !m_state.ViewerMode && m_client->state() == ChatClient::State::Off)
            connectToChat();
    });
}

void ChatWindow::loadSettings()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_server->setText(m_store.textSetting(kServerSetting).value_or(ChatClient::kDefaultHost));
    const int port = m_store.intSetting(kPortSetting).value_or(ChatClient::kDefaultPort);
    m_port->setValue(port > 0 && port < 65536 ? port : ChatClient::kDefaultPort);
    // A room of the operator's own is kept, though the known rooms lack it.
    const QString room = m_store.textSetting(kRoomSetting).value_or(QString()).simplified();
    m_chosenRoom = room.isEmpty() ? ChatClient::kDefaultRoom : room;
    showRooms();
    m_login->setText(m_store.textSetting(kLoginSetting).value_or(QString()));
    m_remember->setChecked(m_store.intSetting(kRememberSetting).value_or(0) == 1);
    if (m_remember->isChecked())
        m_password->setText(ChatPassword::remembered().value_or(QString()));
    m_enabled->setChecked(m_store.intSetting(kEnabledSetting).value_or(0) == 1);
    const QSignalBlocker a(m_maxDistance), b(m_sectorFrom), c(m_sectorTo);
    m_maxDistance->setValue(m_store.intSetting(kMaxDistanceSetting).value_or(0));
    m_sectorFrom->setValue(m_store.intSetting(kSectorFromSetting).value_or(0));
    m_sectorTo->setValue(m_store.intSetting(kSectorToSetting).value_or(360));
    filterChanged();
}

void ChatWindow::saveSettings()
{
    if (!m_loaded)
        return; // the fields hold defaults, not what is stored
    m_store.SetSet(kServerSetting, LogStore::TextSetting, m_server->text().trimmed());
    m_store.SetSet(kPortSetting, LogStore::IntegerSetting, m_port->value());
    m_store.SetSet(kRoomSetting, LogStore::TextSetting, m_chosenRoom);
    m_store.SetSet(kLoginSetting, LogStore::TextSetting, m_login->text().trimmed());
    m_store.SetSet(kRememberSetting, LogStore::IntegerSetting, m_remember->isChecked() ? 1 : 0);
    m_store.SetSet(kEnabledSetting, LogStore::IntegerSetting, m_enabled->isChecked() ? 1 : 0);
    m_store.SetSet(kMaxDistanceSetting, LogStore::IntegerSetting, m_maxDistance->value());
    m_store.SetSet(kSectorFromSetting, LogStore::IntegerSetting, m_sectorFrom->value());
    m_store.SetSet(kSectorToSetting, LogStore::IntegerSetting, m_sectorTo->value());
}

void ChatWindow::saveGeometry()
{
    if (m_shown)
        saveWindowGeometry(m_store, *this, kChatWindowSettings);
}

ChatClient::Account ChatWindow::account() const
{
    ChatClient::Account account;
    account.host = m_server->text().trimmed();
    account.port = quint16(m_port->value());
    account.login = m_login->text().trimmed();
    account.password = m_password->text();
    account.room = m_chosenRoom;
    account.ownLocator = m_state.OwnLocator;
    return account;
}

void ChatWindow::switchedOnOrOff()
{
    saveSettings();
    if (m_enabled->isChecked()) {
        connectToChat();
    } else {
        m_client->stop();
        showState(QString()); // what was said without a connection too, such as a field missing
    }
}

void ChatWindow::connectToChat()
{
    const ChatClient::Account wanted = account();
    if (wanted.host.isEmpty() || wanted.login.isEmpty() || wanted.password.isEmpty()) {
        m_client->stop();
        showState(QStringLiteral("Чат: нужны сервер, логин и пароль"));
        return;
    }
    m_started = wanted;
    m_client->start(wanted);
}

void ChatWindow::fieldsEdited()
{
    saveSettings();
    const ChatClient::Account wanted = account();
    const bool changed = wanted.host != m_started.host || wanted.port != m_started.port ||
                         wanted.login != m_started.login || wanted.password != m_started.password ||
                         QString::compare(wanted.room, m_started.room, Qt::CaseInsensitive) != 0;
    if (m_enabled->isChecked() && (changed || m_client->state() == ChatClient::State::Off))
        connectToChat();
}

void ChatWindow::passwordEdited()
{
    if (m_remember->isChecked())
        rememberChosen();
    fieldsEdited();
}

void ChatWindow::rememberChosen()
{
    m_store.SetSet(kRememberSetting, LogStore::IntegerSetting, m_remember->isChecked() ? 1 : 0);
    const bool keep = m_remember->isChecked() && !m_password->text().isEmpty();
    const QString error = keep ? ChatPassword::remember(m_password->text()) : ChatPassword::forget();
    if (!error.isEmpty())
        m_services.prompts.warning((keep ? QStringLiteral("Пароль чата не сохранён: ")
                                         : QStringLiteral("Сохранённый пароль чата не удалён: ")) +
                                   error);
}

void ChatWindow::showState(const QString& text)
{
    m_stateLabel->setText(text);
    m_hints.setStatus(kHintSource, text);
}

void ChatWindow::addMessage(const QString& time, const QString& call, const QString& name,
                            const QString& text)
{
    const QString shownTime = time.size() == 4 ? time.left(2) + QLatin1Char(':') + time.mid(2) : time;
    QString line = shownTime + QLatin1Char(' ') + call;
    if (!name.isEmpty())
        line += QStringLiteral(" (") + name + QLatin1Char(')');
    line += QStringLiteral(": ") + text;
    const bool own = namesCall(call, m_state.OwnCall) || namesCall(call, m_login->text());
    const bool named = !own && (namesCall(text, m_state.OwnCall) || namesCall(text, m_login->text()));
    addLine(line, named ? NamedColor : QColor(), own ? QColor(Qt::darkBlue) : QColor(), named);
    if (named) // the chat window when it shows, else the main window
        m_services.desktop.askAttention(isVisible() || !parentWidget() ? this : parentWidget());
}

void ChatWindow::addLine(const QString& text, const QColor& background, const QColor& foreground, bool bold)
{
    auto item = std::make_unique<QListWidgetItem>(text);
    if (background.isValid())
        item->setBackground(background);
    if (foreground.isValid())
        item->setForeground(foreground);
    if (bold) {
        QFont font = m_messages->font();
        font.setBold(true);
        item->setFont(font);
    }
    m_pending.push_back(std::move(item));
    m_showLines->start();
}

void ChatWindow::showPendingLines()
{
    QScrollBar* scroll = m_messages->verticalScrollBar();
    const bool atEnd = scroll->value() == scroll->maximum();
    const size_t skipped = m_pending.size() > size_t(kMessagesKept) ? m_pending.size() - kMessagesKept : 0;
    for (size_t i = skipped; i < m_pending.size(); ++i)
        m_messages->addItem(m_pending[i].release());
    m_pending.clear();
    if (const int excess = m_messages->count() - kMessagesKept; excess > 0)
        m_messages->model()->removeRows(0, excess);
    if (atEnd) // an operator reading further up is not pulled down
        m_messages->scrollToBottom();
}

void ChatWindow::roomsOffered(const QStringList& names)
{
    m_roomOffer = names;
    showRooms();
}

void ChatWindow::roomChosen()
{
    const QString typed = m_room->currentText().simplified();
    if (!typed.isEmpty()) // an emptied field takes back the room chosen before
        m_chosenRoom = typed;
    m_room->lineEdit()->setModified(false); // taken: no longer being typed
    showRooms();
    fieldsEdited();
}

void ChatWindow::showRooms()
{
    // The room chosen stays, offered or not: one typed in is the operator's, and a server may
    // offer it another time. One offered is spelt as the server spells it.
    QStringList rooms = m_roomOffer;
    const auto offered = std::find_if(rooms.cbegin(), rooms.cend(), [this](const QString& room) {
        return QString::compare(room, m_chosenRoom, Qt::CaseInsensitive) == 0;
    });
    if (offered != rooms.cend())
        m_chosenRoom = *offered;
    else
        rooms << m_chosenRoom;
    // What the operator is typing meanwhile is left alone.
    const bool typing = m_room->lineEdit()->hasFocus() && m_room->lineEdit()->isModified();
    const QString typed = m_room->currentText();
    const int cursor = m_room->lineEdit()->cursorPosition();
    QStringList shown;
    for (int i = 0; i < m_room->count(); ++i)
        shown << m_room->itemText(i);
    if (shown != rooms) {
        m_room->clear();
        m_room->addItems(rooms);
    }
    m_room->setCurrentIndex(int(rooms.indexOf(m_chosenRoom)));
    if (typing) {
        m_room->setEditText(typed);
        m_room->lineEdit()->setModified(true);
        m_room->lineEdit()->setCursorPosition(cursor);
    } else {
        m_room->setEditText(m_chosenRoom);
    }
}

void ChatWindow::stationChosen()
{
    // A new list, a leave or the filter take the selection away, not the pick: a line meant
    // for one station must never go to the whole room. Another pick replaces it.
    const QModelIndexList rows = m_stationView->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    m_picked = m_stations->station(m_filter->mapToSource(rows.first()).row()).call;
    m_private->setEnabled(true);
    m_private->setText(QStringLiteral("Лично ") + m_picked);
}

void ChatWindow::pickAgain()
{
    // Each new list drops the selection without a word: the picked station is shown again.
    for (int row = 0; !m_picked.isEmpty() && row < m_filter->rowCount(); ++row) {
        const QModelIndex index = m_filter->index(row, ChatStationModel::CallColumn);
        if (m_stations->station(m_filter->mapToSource(index).row()).call == m_picked) {
            m_stationView->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect |
                                                               QItemSelectionModel::Rows);
            return;
        }
    }
}

void ChatWindow::sendLine()
{
    const QString text = m_line->text().trimmed();
    if (text.isEmpty())
        return;
    QString line = text;
    if (m_private->isChecked() && !m_picked.isEmpty())
        line = QStringLiteral("/cq %1 %2").arg(m_picked, text);
    if (!m_client->send(line)) {
        m_stateLabel->setText(QStringLiteral("Строка не отправлена: нет входа в комнату чата."));
        return; // the line stays for when the chat is back
    }
    m_line->clear();
}

void ChatWindow::filterChanged()
{
    m_filter->setMaxDistance(m_maxDistance->value());
    m_filter->setSector(m_sectorFrom->value(), m_sectorTo->value());
}

void ChatWindow::refreshLogColumns()
{
    guarded(m_services.prompts, [this] {
        if (m_workedStale) {
            m_worked.load(m_store.db(), m_state.CurrentContestId, m_state.CurrentBandId,
                          m_entry.currentModeId());
            m_workedStale = false;
        }
        ChatStationModel::Reference reference;
        reference.ownLocator = m_state.OwnLocator;
        reference.periodDays = m_entry.repeatPeriodDaysNow();
        reference.tours = m_entry.contacts().tourRule();
        reference.nowUtc = m_entry.nowUtc();
        m_stations->setReference(reference);
        m_client->setOwnLocator(m_state.OwnLocator);
    });
}

void ChatWindow::closeEvent(QCloseEvent* event)
{
    guarded(m_services.prompts, [this] {
        saveSettings();
        saveGeometry();
    });
    QWidget::closeEvent(event);
}

bool ChatWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The main window closes: the chat's settings and place are kept as they stand.
    if (event->type() == QEvent::Close && watched == parentWidget())
        guarded(m_services.prompts, [this] {
            saveSettings();
            if (isVisible())
                saveGeometry();
        });
    return QWidget::eventFilter(watched, event);
}
