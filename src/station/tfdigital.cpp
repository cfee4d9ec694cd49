#include "station/tfdigital.h"

#include "controls/windowsettings.h"
#include "platform/guarded.h"
#include "station/digitallink.h"
#include "store/logstore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>

Tfdigital::Tfdigital(LogStore& store, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_store(store), m_prompts(prompts)
{
    setObjectName(QStringLiteral("fdigital"));
    setWindowTitle(QStringLiteral("Цифровые виды"));
    const DigitalLink::Options o = DigitalLink::load(store);
    portEdit = new QSpinBox(this);
    portEdit->setObjectName(QStringLiteral("portEdit"));
    portEdit->setRange(1, 65535);
    portEdit->setValue(o.port);
    onBox = new QCheckBox(QStringLiteral("Включено"), this);
    onBox->setObjectName(QStringLiteral("onBox"));
    onBox->setChecked(o.on);
    highlightBox = new QCheckBox(QStringLiteral("Подсвечивать повторы в WSJT-X"), this);
    highlightBox->setObjectName(QStringLiteral("highlightBox"));
    highlightBox->setChecked(o.highlight);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Сохранить"), QDialogButtonBox::AcceptRole)
        ->setObjectName(QStringLiteral("saveButton"));
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (guarded(m_prompts, [this] { save(); }))
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("UDP порт:"), portEdit);
    form->addRow(onBox);
    form->addRow(highlightBox);
    form->addRow(buttons);
    centreOn(*this, parent);
}

void Tfdigital::save()
{
    m_store.SetSet(QStringLiteral("WsjtxPort"), LogStore::IntegerSetting, portEdit->value());
    m_store.SetSet(QStringLiteral("WsjtxOn"), LogStore::IntegerSetting, onBox->isChecked() ? 1 : 0);
    m_store.SetSet(QStringLiteral("WsjtxHighlight"), LogStore::IntegerSetting,
                   highlightBox->isChecked() ? 1 : 0);
}
