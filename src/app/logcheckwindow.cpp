#include "app/logcheckwindow.h"

#include "controls/windowsettings.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const WindowSettingNames kPlace{QStringLiteral("CheckWindowTop"), QStringLiteral("CheckWindowLeft"),
                                QStringLiteral("CheckWindowHeight"), QStringLiteral("CheckWindowWidth")};
constexpr int kRowidRole = Qt::UserRole;
constexpr int kBandRole = Qt::UserRole + 1;

} // namespace

LogCheckWindow::LogCheckWindow(LogStore& store, const std::vector<LogCheck::Finding>& findings,
                               bool beforeExport, QWidget* parent)
    : QDialog(parent), m_store(store), m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("fcheck"));
    setWindowTitle(QStringLiteral("Проверка лога"));
    m_list->setObjectName(QStringLiteral("findings"));
    for (const LogCheck::Finding& f : findings) {
        auto* item = new QListWidgetItem(f.text, m_list);
        item->setData(kRowidRole, f.rowid);
        item->setData(kBandRole, f.band);
    }
    if (findings.empty())
        new QListWidgetItem(LogCheck::nothingFoundText(), m_list);
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const qint64 rowid = item->data(kRowidRole).toLongLong();
        if (rowid > 0)
            emit contactChosen(rowid, item->data(kBandRole).toString());
    });

    auto* buttons = new QDialogButtonBox(this);
    if (beforeExport) {
        buttons->addButton(QStringLiteral("Продолжить"), QDialogButtonBox::AcceptRole)
            ->setObjectName(QStringLiteral("continueButton"));
        buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole)
            ->setObjectName(QStringLiteral("cancelButton"));
    } else {
        buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole)
            ->setObjectName(QStringLiteral("closeButton"));
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(560, 320);
    restoreWindowGeometry(m_store, *this, kPlace);
}

void LogCheckWindow::storePlace()
{
    saveWindowGeometry(m_store, *this, kPlace);
}
