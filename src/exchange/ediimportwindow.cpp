#include "exchange/ediimportwindow.h"

#include "controls/windowsettings.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

EdiImportWindow::EdiImportWindow(const QString& summary, bool anythingToAdd, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("ediImportWindow"));
    setWindowTitle(QStringLiteral("Импорт EDI"));
    m_summary = new QPlainTextEdit(summary, this);
    m_summary->setObjectName(QStringLiteral("summaryText"));
    m_summary->setReadOnly(true);
    m_import = new QPushButton(QStringLiteral("Импортировать"), this);
    m_import->setObjectName(QStringLiteral("importButton"));
    m_import->setEnabled(anythingToAdd);
    m_import->setDefault(anythingToAdd);
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(m_import, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_import);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    resize(560, 300);
    centreOn(*this, parent);
}
