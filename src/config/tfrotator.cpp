#include "config/tfrotator.h"

#include "controls/windowsettings.h"
#include "platform/guarded.h"
#include "store/logstore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

Tfrotator::Options Tfrotator::load(LogStore& store)
{
    Options o;
    if (const auto host = store.textSetting(QStringLiteral("RotatorHost"));
        host && !host->trimmed().isEmpty())
        o.host = host->trimmed();
    if (const auto port = store.intSetting(QStringLiteral("RotatorPort")); port && *port > 0 && *port < 65536)
        o.port = *port;
    o.on = store.intSetting(QStringLiteral("RotatorOn")).value_or(0) == 1;
    return o;
}

Tfrotator::Tfrotator(LogStore& store, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_store(store), m_prompts(prompts)
{
    setObjectName(QStringLiteral("frotator"));
    setWindowTitle(QStringLiteral("Поворотное устройство"));
    const Options o = load(store);
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
    form->addRow(QStringLiteral("rotctld, адрес:"), hostEdit);
    form->addRow(QStringLiteral("Порт:"), portEdit);
    form->addRow(onBox);
    form->addRow(buttons);
    centreOn(*this, parent);
}

void Tfrotator::save()
{
    m_store.SetSet(QStringLiteral("RotatorHost"), LogStore::TextSetting, hostEdit->text().trimmed());
    m_store.SetSet(QStringLiteral("RotatorPort"), LogStore::IntegerSetting, portEdit->value());
    m_store.SetSet(QStringLiteral("RotatorOn"), LogStore::IntegerSetting, onBox->isChecked() ? 1 : 0);
}
