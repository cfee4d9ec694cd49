#include "sharing/tfshare.h"

#include "controls/windowsettings.h"
#include "platform/guarded.h"
#include "platform/prompts.h"
#include "sharing/sharedlog.h"
#include "store/logstore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLineEdit* edit(const QString& text, const char* name, QWidget* parent)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

} // namespace

Tfshare::Tfshare(LogStore& store, SharedLog& shared, Prompts& prompts, qint32 contestId, QWidget* parent)
    : QDialog(parent), m_store(store), m_shared(shared), m_prompts(prompts), m_contestId(contestId)
{
    setObjectName(QStringLiteral("fshare"));
    setWindowTitle(QStringLiteral("Общий лог"));
    const ShareSettings s = shared.settings();
    hostEdit = edit(s.address.host, "hostEdit", this);
    portEdit = new QSpinBox(this);
    portEdit->setObjectName(QStringLiteral("portEdit"));
    portEdit->setRange(1, 65535);
    portEdit->setValue(s.address.port);
    databaseEdit = edit(s.address.database, "databaseEdit", this);
    userEdit = edit(s.address.user, "userEdit", this);
    positionEdit = edit(s.positionName, "positionEdit", this);
    enabledBox = new QCheckBox(QStringLiteral("Включено"), this);
    enabledBox->setObjectName(QStringLiteral("enabledBox"));
    enabledBox->setChecked(s.enabled);
    auto* buttons = new QDialogButtonBox(this);
    saveButton = buttons->addButton(QStringLiteral("Сохранить"), QDialogButtonBox::AcceptRole);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        bool saved = false;
        guarded(m_prompts, [&] { saved = save(); });
        if (saved)
            accept(); // a refused save leaves the window open with what was typed
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("statusLabel"));
    newPositionButton = button(QStringLiteral("Сделать новой позицией"), "newPositionButton", this);
    newPositionButton->setVisible(shared.refusedAsCopy());
    noteLabel = new QLabel(this);
    noteLabel->setObjectName(QStringLiteral("noteLabel"));

    auto* contests = new QGroupBox(QStringLiteral("Общие соревнования на сервере"), this);
    contestsList = new QListWidget(contests);
    contestsList->setObjectName(QStringLiteral("contestsList"));
    shareButton = button(QStringLiteral("Создать общее соревнование"), "shareButton", contests);
    joinButton = button(QStringLiteral("Присоединиться"), "joinButton", contests);
    auto* contestsLayout = new QVBoxLayout(contests);
    contestsLayout->addWidget(contestsList);
    auto* contestButtons = new QHBoxLayout;
    contestButtons->addWidget(shareButton);
    contestButtons->addWidget(joinButton);
    contestsLayout->addLayout(contestButtons);

    auto* bands = new QGroupBox(QStringLiteral("Диапазоны"), this);
    bandsTable = new QTableWidget(0, 2, bands);
    bandsTable->setObjectName(QStringLiteral("bandsTable"));
    bandsTable->setHorizontalHeaderLabels({QStringLiteral("Диапазон"), QStringLiteral("Позиция")});
    bandsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    bandsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    bandsTable->setSelectionMode(QAbstractItemView::SingleSelection);
    bandsTable->verticalHeader()->hide();
    bandsTable->horizontalHeader()->setStretchLastSection(true);
    takeButton = button(QStringLiteral("Взять диапазон"), "takeButton", bands);
    releaseButton = button(QStringLiteral("Отдать диапазон"), "releaseButton", bands);
    placeButton = button(QStringLiteral("Занять место позиции…"), "placeButton", bands);
    auto* bandsLayout = new QVBoxLayout(bands);
    bandsLayout->addWidget(bandsTable);
    auto* bandButtons = new QHBoxLayout;
    bandButtons->addWidget(takeButton);
    bandButtons->addWidget(releaseButton);
    bandButtons->addWidget(placeButton);
    bandsLayout->addLayout(bandButtons);

    auto* review = new QGroupBox(QStringLiteral("На проверку"), this);
    reviewList = new QListWidget(review);
    reviewList->setObjectName(QStringLiteral("reviewList"));
    auto* reviewLayout = new QVBoxLayout(review);
    reviewLayout->addWidget(reviewList);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Сервер"), hostEdit);
    form->addRow(QStringLiteral("Порт"), portEdit);
    form->addRow(QStringLiteral("База данных"), databaseEdit);
    form->addRow(QStringLiteral("Пользователь"), userEdit);
    form->addRow(QStringLiteral("Позиция"), positionEdit);
    form->addRow(enabledBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->addWidget(statusLabel);
    layout->addWidget(newPositionButton);
    layout->addWidget(noteLabel);
    layout->addWidget(contests);
    layout->addWidget(bands);
    layout->addWidget(review);

    connect(shareButton, &QPushButton::clicked, this,
            [this] { guarded(m_prompts, [this] { m_shared.shareContest(m_contestId); }); });
    connect(joinButton, &QPushButton::clicked, this, [this] {
        const int row = contestsList->currentRow();
        if (row < 0 || row >= int(m_contests.size())) {
            noteLabel->setText(QStringLiteral("Выберите соревнование в списке."));
            return;
        }
        guarded(m_prompts, [&] {
            m_shared.joinContest(m_contests[size_t(row)]);
            if (const auto joined = m_shared.journal().contestOf(m_contests[size_t(row)].uuid))
                m_contestId = *joined;
            showBands();
            showReview();
        });
    });
    connect(takeButton, &QPushButton::clicked, this, [this] {
        if (const auto band = selectedBand())
            guarded(m_prompts, [&] { m_shared.requestBand(m_contestId, band->first, band->second); });
    });
    connect(releaseButton, &QPushButton::clicked, this, [this] {
        if (const auto band = selectedBand())
            m_shared.releaseBand(m_contestId, band->first);
    });
    connect(placeButton, &QPushButton::clicked, this,
            [this] { guarded(m_prompts, [this] { m_shared.requestPlace(m_contestId); }); });
    connect(&shared, &SharedLog::positionChanged, this,
            [this] { positionEdit->setText(m_shared.settings().positionName); });
    connect(newPositionButton, &QPushButton::clicked, this,
            [this] { guarded(m_prompts, [this] { m_shared.becomeNewPosition(); }); });
    connect(&shared, &SharedLog::refusedAsCopyChanged, newPositionButton, &QPushButton::setVisible);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(contestsList), static_cast<QAbstractItemView*>(bandsTable)})
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, noteLabel, &QLabel::clear);
    connect(reviewList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        emit contactPicked(item->data(Qt::UserRole).toLongLong(), item->data(Qt::UserRole + 1).toString());
    });
    connect(&shared, &SharedLog::contestsListed, this, &Tfshare::showContests);
    connect(&shared, &SharedLog::leasesChanged, this, [this] {
        guarded(m_prompts, [this] {
            showBands();
            showReview();
        });
    });
    connect(&shared, &SharedLog::contactsArrived, this,
            [this] { guarded(m_prompts, [this] { showReview(); }); });
    connect(&shared, &SharedLog::statusChanged, this, [this](const QString& status) {
        statusLabel->setText(status);
        if (m_shared.online())
            m_shared.listContests();
    });
    statusLabel->setText(s.enabled ? shared.status() : QStringLiteral("Общий лог выключен"));
    if (shared.online())
        shared.listContests();
    guarded(m_prompts, [this] {
        showBands();
        showReview();
    });
    resize(460, 640);
    centreOn(*this, parent);
}

bool Tfshare::save()
{
    ShareSettings settings;
    settings.address.host = hostEdit->text().trimmed();
    settings.address.port = portEdit->value();
    settings.address.database = databaseEdit->text().trimmed();
    settings.address.user = userEdit->text().trimmed();
    settings.positionName = positionEdit->text().trimmed();
    settings.enabled = enabledBox->isChecked();
    if (settings.enabled && (settings.address.host.isEmpty() || settings.address.database.isEmpty() ||
                             settings.address.user.isEmpty())) {
        m_prompts.warning(QStringLiteral("Заполните поля «Сервер», «База данных» и «Пользователь»."));
        return false;
    }
    settings.save(m_store);
    m_shared.reconfigure(settings);
    return true;
}

void Tfshare::showContests(const std::vector<SharedContest>& contests)
{
    // The list comes again with every change of the link: the contest chosen stays chosen.
    const int row = contestsList->currentRow();
    const QString chosen =
        row >= 0 && row < int(m_contests.size()) ? m_contests[size_t(row)].uuid : QString();
    m_contests = contests;
    contestsList->clear();
    for (const SharedContest& c : contests) {
        contestsList->addItem(c.name);
        if (!chosen.isEmpty() && c.uuid == chosen)
            contestsList->setCurrentRow(contestsList->count() - 1);
    }
}

void Tfshare::showBands()
{
    // The table is made again with every lease heard: the band chosen stays chosen.
    std::optional<qint32> chosen;
    if (const QTableWidgetItem* item = bandsTable->item(bandsTable->currentRow(), 0);
        item && item->isSelected())
        chosen = qint32(item->data(Qt::UserRole).toInt());
    bandsTable->setRowCount(0);
    const bool shared = m_shared.journal().journals(m_contestId);
    takeButton->setEnabled(shared);
    releaseButton->setEnabled(shared);
    placeButton->setEnabled(shared);
    if (!shared)
        return;
    const QString me = m_shared.journal().position().id;
    for (const ResultRow& row :
         m_store.db()
             .queryNative(QStringLiteral("SELECT BandRowid, BandName FROM Band ORDER BY BandRowid"))
             .rows) {
        const qint32 band = qint32(row[0].toInt());
        const int r = bandsTable->rowCount();
        bandsTable->insertRow(r);
        auto* name = new QTableWidgetItem(row[1].displayText());
        name->setData(Qt::UserRole, band);
        bandsTable->setItem(r, 0, name);
        QString holder;
        if (const auto lease = m_shared.journal().lease(m_contestId, band)) {
            holder = lease->holder == me ? lease->holderName + QStringLiteral(" (эта позиция)")
                                         : lease->holderName;
            if (lease->silent && lease->holder != me)
                holder += QStringLiteral(" (молчит)");
        }
        bandsTable->setItem(r, 1, new QTableWidgetItem(holder));
        if (chosen == band)
            bandsTable->selectRow(r);
    }
}

void Tfshare::showReview()
{
    reviewList->clear();
    for (const RepeatedSerial& r : repeatedSerials(m_store, m_contestId)) {
        auto* item = new QListWidgetItem(r.text, reviewList);
        item->setData(Qt::UserRole, r.rowid);
        item->setData(Qt::UserRole + 1, r.band);
    }
}

std::optional<std::pair<qint32, QString>> Tfshare::selectedBand()
{
    const QTableWidgetItem* item = bandsTable->item(bandsTable->currentRow(), 0);
    if (!item || !item->isSelected()) {
        noteLabel->setText(QStringLiteral("Выберите диапазон в таблице."));
        return std::nullopt;
    }
    return std::make_pair(qint32(item->data(Qt::UserRole).toInt()), item->text());
}
