#include "exchange/tfsaveoptions.h"

#include "controls/windowsettings.h"
#include "exchange/ediexport.h"
#include "platform/guarded.h"
#include "store/logstore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

Tfsaveoptions::Tfsaveoptions(LogStore& store, const QString& ownCall, int trackBarPosition, const QFont& font,
                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      m_store(store)
{
    setObjectName(QStringLiteral("fsaveoptions"));
    setWindowTitle(QStringLiteral("Опции сохранения"));
    setFont(font);
    // The entries show the names as the files get them.
    const QString c = EdiExport::fileNameCall(ownCall);
    const QString names[2] = {c + QStringLiteral("_1.edi, ") + c + QStringLiteral("_2.edi, ") + c +
                                  QStringLiteral("_3.edi..."),
                              c + QStringLiteral("_144.edi, ") + c + QStringLiteral("_432.edi, ") + c +
                                  QStringLiteral("_1300.edi...")};
    const QString formats[2] = {QStringLiteral("ANSI кодировка (Windows, CP1251)"),
                                QStringLiteral("OEM кодировка (DOS, CP866)")};
    auto group = [this](const char* name, const QString& title, const QString(&texts)[2],
                        QRadioButton** buttons) {
        auto* box = new QGroupBox(title, this);
        box->setObjectName(QString::fromLatin1(name));
        auto* layout = new QVBoxLayout(box);
        auto* exclusive = new QButtonGroup(box);
        for (int i = 0; i < 2; ++i) {
            buttons[i] = new QRadioButton(texts[i], box);
            exclusive->addButton(buttons[i]);
            layout->addWidget(buttons[i]);
        }
        return box;
    };
    QGroupBox* naming = group("rg1", QStringLiteral("Наименование файлов"), names, m_names);
    QGroupBox* format = group("rg2", QStringLiteral("Формат выгрузки"), formats, m_formats);
    const QString variants[2] = {QStringLiteral("Российский"), QStringLiteral("IARU REG1TEST")};
    QGroupBox* variant = group("variantGroup", QStringLiteral("Вариант файла"), variants, m_variants);
    m_checklog = new QCheckBox(QStringLiteral("Контрольный лог (CHECKLOG)"), variant);
    m_checklog->setObjectName(QStringLiteral("checklogBox"));
    variant->layout()->addWidget(m_checklog);
    // The IARU file is always ASCII, and only it has a section a check log can name.
    auto followVariant = [this] {
        m_checklog->setEnabled(m_variants[1]->isChecked());
        for (QRadioButton* entry : m_formats)
            entry->setEnabled(!m_variants[1]->isChecked());
    };
    connect(m_variants[1], &QRadioButton::toggled, this, followVariant);

    m_continue = new QPushButton(QStringLiteral("Продолжить"), this);
    m_continue->setObjectName(QStringLiteral("btn1"));
    const int height = int(std::nearbyint(2.5 * trackBarPosition));
    m_continue->setFixedSize(3 * height + 20, height);
    m_continue->setDefault(true);
    connect(m_continue, &QPushButton::clicked, this, &Tfsaveoptions::confirm);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a dialog border: not resizable
    layout->addWidget(naming);
    layout->addWidget(format);
    layout->addWidget(variant);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_continue);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    const int stored[2] = {m_store.intSetting(QStringLiteral("SaveOptionsFileName")).value_or(0),
                           m_store.intSetting(QStringLiteral("SaveOptionsFormat")).value_or(0)};
    QRadioButton** entries[2] = {m_names, m_formats};
    for (int g = 0; g < 2; ++g) {
        if (stored[g] == 0 || stored[g] == 1)
            entries[g][stored[g]]->setChecked(true);
    }
    // The national variant unless the IARU one was chosen.
    m_variants[m_store.intSetting(QStringLiteral("EdiFileVariant")).value_or(0) == 1 ? 1 : 0]->setChecked(
        true);
    m_checklog->setChecked(m_store.intSetting(QStringLiteral("EdiChecklog")).value_or(0) == 1);
    followVariant();
    adjustSize();
    centreOn(*this, parent);
}

void Tfsaveoptions::confirm()
{
    guarded(m_store.prompts(), [this] {
        m_store.SetSet(QStringLiteral("SaveOptionsFileName"), LogStore::IntegerSetting,
                       m_names[1]->isChecked() ? 1 : 0);
        m_store.SetSet(QStringLiteral("SaveOptionsFormat"), LogStore::IntegerSetting,
                       m_formats[1]->isChecked() ? 1 : 0);
        m_store.SetSet(QStringLiteral("EdiFileVariant"), LogStore::IntegerSetting,
                       m_variants[1]->isChecked() ? 1 : 0);
        m_store.SetSet(QStringLiteral("EdiChecklog"), LogStore::IntegerSetting,
                       m_checklog->isChecked() ? 1 : 0);
        accept();
    });
}
