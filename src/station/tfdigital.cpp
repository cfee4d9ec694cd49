#include "station/tfdigital.h"

#include "controls/windowsettings.h"
#include "platform/guarded.h"
#include "station/digitallink.h"
#include "station/wsjtxlink.h"
#include "store/logstore.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

Tfdigital::Tfdigital(LogStore& store, Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_store(store), m_prompts(prompts)
{
    setObjectName(QStringLiteral("fdigital"));
    setWindowTitle(QStringLiteral("Цифровые виды"));
    const DigitalLink::Options o = DigitalLink::load(store);
    addressEdit = new QLineEdit(o.address, this);
    addressEdit->setObjectName(QStringLiteral("addressEdit"));
    addressEdit->setToolTip(QStringLiteral("127.0.0.1, или адрес группы (например 239.255.0.1), когда "
                                           "WSJT-X слушает ещё одна программа"));
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
        bool saved = false;
        if (guarded(m_prompts, [&] { saved = save(); }) && saved)
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("UDP адрес:"), addressEdit);
    form->addRow(QStringLiteral("UDP порт:"), portEdit);
    form->addRow(onBox);
    form->addRow(highlightBox);
    form->addRow(buttons);
    centreOn(*this, parent);
}

bool Tfdigital::save()
{
    const auto address = wsjtxServerAddress(addressEdit->text());
    if (const QString* fault = std::get_if<QString>(&address)) {
        m_prompts.error(*fault);
        addressEdit->setFocus();
        addressEdit->selectAll();
        return false;
    }
    m_store.SetSet(QStringLiteral("WsjtxAddress"), LogStore::TextSetting, addressEdit->text().trimmed());
    m_store.SetSet(QStringLiteral("WsjtxPort"), LogStore::IntegerSetting, portEdit->value());
    m_store.SetSet(QStringLiteral("WsjtxOn"), LogStore::IntegerSetting, onBox->isChecked() ? 1 : 0);
    m_store.SetSet(QStringLiteral("WsjtxHighlight"), LogStore::IntegerSetting,
                   highlightBox->isChecked() ? 1 : 0);
    return true;
}
