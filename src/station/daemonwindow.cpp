#include "station/daemonwindow.h"

#include "controls/windowsettings.h"
#include "platform/guarded.h"
#include "store/logstore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

DaemonWindow::Options DaemonWindow::load(LogStore& store, const Device& device)
{
    Options o{device.defaultHost, device.defaultPort, false};
    if (const auto host = store.textSetting(device.hostSetting); host && !host->trimmed().isEmpty())
        o.host = host->trimmed();
    if (const auto port = store.intSetting(device.portSetting); port && *port > 0 && *port < 65536)
        o.port = *port;
    o.on = store.intSetting(device.onSetting).value_or(0) == 1;
    return o;
}

DaemonWindow::DaemonWindow(const Device& device, LogStore& store, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_device(device), m_store(store), m_prompts(prompts)
{
    setWindowTitle(device.title);
    const Options o = load(store, device);
    hostEdit = new QLineEdit(o.host, this);
    hostEdit->setObjectName(QStringLiteral("hostEdit"));
    portEdit = new QSpinBox(this);
    portEdit->setObjectName(QStringLiteral("portEdit"));
    portEdit->setRange(1, 65535);
    portEdit->setValue(o.port);
    onBox = new QCheckBox(QStringLiteral("Включено"), this);
    onBox->setObjectName(QStringLiteral("onBox"));
    onBox->setChecked(o.on);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Сохранить"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("saveButton"));
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (guarded(m_prompts, [this] { save(); }))
            accept(); // a refused save leaves the window open with what was typed
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(device.hostLabel, hostEdit);
    form->addRow(QStringLiteral("Порт:"), portEdit);
    form->addRow(onBox);
    form->addRow(buttons);
    centreOn(*this, parent);
}

void DaemonWindow::save()
{
    m_store.SetSet(m_device.hostSetting, LogStore::TextSetting, hostEdit->text().trimmed());
    m_store.SetSet(m_device.portSetting, LogStore::IntegerSetting, portEdit->value());
    m_store.SetSet(m_device.onSetting, LogStore::IntegerSetting, onBox->isChecked() ? 1 : 0);
}
