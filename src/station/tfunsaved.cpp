#include "station/tfunsaved.h"

#include "logging/locator.h"
#include "platform/guarded.h"
#include "station/digitallink.h"
#include "store/daycount.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kRowidRole = Qt::UserRole;
constexpr int kRecordRole = Qt::UserRole + 1;
} // namespace

Tfunsaved::Tfunsaved(DigitalLink& link, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_link(link), m_prompts(prompts)
{
    setObjectName(QStringLiteral("funsaved"));
    setWindowTitle(QStringLiteral("Несохранённые связи"));
    grid = new QTableWidget(0, ColumnCount, this);
    grid->setObjectName(QStringLiteral("unsavedGrid"));
    grid->setHorizontalHeaderLabels(
        {QStringLiteral("Пришла (UTC)"), QStringLiteral("Время связи (UTC)"), QStringLiteral("Позывной"),
         QStringLiteral("QTH"), QStringLiteral("RST пер."), QStringLiteral("№ пер."),
         QStringLiteral("RST пр."), QStringLiteral("№ пр."), QStringLiteral("Диапазон"),
         QStringLiteral("Вид"), QStringLiteral("Причина")});
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->horizontalHeader()->setStretchLastSection(true);
    recordView = new QPlainTextEdit(this);
    recordView->setObjectName(QStringLiteral("recordView"));
    recordView->setReadOnly(true);
    recordView->setMaximumHeight(90);
    saveButton = new QPushButton(QStringLiteral("Сохранить"), this);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    dropButton = new QPushButton(QStringLiteral("Удалить"), this);
    dropButton->setObjectName(QStringLiteral("dropButton"));
    auto* closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    connect(saveButton, &QPushButton::clicked, this,
            [this] { guarded(m_prompts, [this] { saveCurrent(); }); });
    connect(dropButton, &QPushButton::clicked, this,
            [this] { guarded(m_prompts, [this] { dropCurrent(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(grid, &QTableWidget::currentCellChanged, this, &Tfunsaved::showRecord);
    connect(&m_link, &DigitalLink::unsavedChanged, this, [this] {
        if (isVisible())
            guarded(m_prompts, [this] { refresh(); });
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveButton);
    buttons->addWidget(dropButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid);
    layout->addWidget(recordView);
    layout->addLayout(buttons);
    resize(820, 360);
}

void Tfunsaved::refresh()
{
    const int current = grid->currentRow();
    grid->setRowCount(0);
    // An empty entry: the band of the record's frequency, the record's mode.
    const QStringList bands = QStringList{QString()} + m_link.log().bandNames();
    const QStringList modes = QStringList{QString()} + m_link.log().modeNames();
    for (const DigitalLog::Unsaved& u : m_link.log().unsaved()) {
        const int row = grid->rowCount();
        grid->insertRow(row);
        // What the record gives, for the operator to correct.
        const DigitalContact c = digitalContactOf(readAdifRecord(u.record));
        const QString texts[] = {fromDayCount(u.received).toString(QStringLiteral("dd.MM HH:mm:ss")),
                                 unsavedContactTimeText(c.utc),
                                 c.call,
                                 c.locator,
                                 c.sentReport,
                                 c.sentNumber,
                                 c.receivedReport,
                                 c.receivedNumber,
                                 QString(),
                                 QString(),
                                 u.reason};
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            if (column == ReceivedColumn || column == ReasonColumn)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            grid->setItem(row, column, item);
        }
        auto* band = new QComboBox(grid);
        band->addItems(bands);
        band->setCurrentIndex(
            c.frequencyHz ? std::max(0, int(bands.indexOf(m_link.log().bandOf(*c.frequencyHz)))) : 0);
        grid->setCellWidget(row, BandColumn, band);
        auto* mode = new QComboBox(grid);
        mode->addItems(modes);
        mode->setCurrentIndex(c.mode.isEmpty() ? 0
                                               : std::max(0, mode->findText(c.mode, Qt::MatchFixedString)));
        grid->setCellWidget(row, ModeColumn, mode);
        grid->item(row, ReceivedColumn)->setData(kRowidRole, u.rowid);
        grid->item(row, ReceivedColumn)->setData(kRecordRole, u.record);
    }
    grid->resizeColumnsToContents();
    grid->horizontalHeader()->setStretchLastSection(true);
    if (grid->rowCount() > 0)
        grid->setCurrentCell(std::clamp(current, 0, grid->rowCount() - 1), CallColumn);
    showRecord();
}

void Tfunsaved::showRecord()
{
    const int row = grid->currentRow();
    recordView->setPlainText(row < 0 ? QString()
                                     : grid->item(row, ReceivedColumn)->data(kRecordRole).toString());
}

void Tfunsaved::saveCurrent()
{
    const int row = grid->currentRow();
    if (row < 0)
        return;
    const QString record = grid->item(row, ReceivedColumn)->data(kRecordRole).toString();
    DigitalContact c = digitalContactOf(readAdifRecord(record));
    auto cell = [&](int column) { return grid->item(row, column)->text().trimmed(); };
    const QString time = cell(TimeColumn);
    c.utc = unsavedContactTime(time);
    if (!time.isEmpty() && !c.utc.isValid()) {
        m_prompts.error(QStringLiteral("Время связи «%1» не читается: нужно ДД.ММ.ГГГГ ЧЧ:ММ:СС (UTC)")
                            .arg(time.left(30)));
        return;
    }
    c.band = bandList(row)->currentText();
    if (!modeList(row)->currentText().isEmpty())
        c.mode = modeList(row)->currentText();
    c.call = cell(CallColumn).toUpper();
    QString locator = cell(LocatorColumn).toUpper();
    c.locator = LocatorIsValid(locator) ? locator : QString();
    c.sentReport = cell(SentReportColumn);
    c.sentNumber = cell(SentNumberColumn);
    c.receivedReport = cell(ReceivedReportColumn);
    c.receivedNumber = cell(ReceivedNumberColumn);
    m_link.takeRecord(record, c, grid->item(row, ReceivedColumn)->data(kRowidRole).toLongLong());
    refresh();
}

QComboBox* Tfunsaved::bandList(int row) const
{
    return qobject_cast<QComboBox*>(grid->cellWidget(row, BandColumn));
}

QComboBox* Tfunsaved::modeList(int row) const
{
    return qobject_cast<QComboBox*>(grid->cellWidget(row, ModeColumn));
}

void Tfunsaved::dropCurrent()
{
    const int row = grid->currentRow();
    if (row < 0 ||
        !m_prompts.confirm(QStringLiteral("Удалить связь %1 из списка? Она не будет сохранена в логе.")
                               .arg(grid->item(row, CallColumn)->text())))
        return;
    m_link.log().dropUnsaved(grid->item(row, ReceivedColumn)->data(kRowidRole).toLongLong());
    refresh();
}
