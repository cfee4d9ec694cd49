#include "station/rigcontrol.h"

#include "controls/hintbar.h"
#include "logging/entrypanel.h"
#include "station/rig.h"
#include "station/tfrig.h"
#include "store/database.h"
#include "store/logstore.h"

#include <QComboBox>
#include <QLocale>

#include <vector>

namespace {
const QString kRigSource = QStringLiteral("rig");
const QString kOffBandSource = QStringLiteral("rigband");
const QString kTuneSource = QStringLiteral("rigtune");
} // namespace

RigControl::RigControl(LogStore& store, Prompts& prompts, EntryPanel& panel, HintBar& hints, QObject* parent)
    : QObject(parent), m_store(store), m_prompts(prompts), m_panel(panel), m_hints(hints),
      m_rig(new Rig(this))
{
    connect(m_rig, &Rig::read, this, &RigControl::follow);
    connect(m_rig, &Rig::failed, this, [this](const QString& message) {
        m_hints.setStatus(kRigSource, message);
        forget(); // a frequency the rig no longer confirms must not go into the log
    });
    connect(m_rig, &Rig::answersAgain, this,
            [this](const QString& message) { m_hints.setStatus(kRigSource, message); });
    // A band chosen by hand: the frequency on that band, if the rig's lies in it; a tune that
    // failed on the band before is no longer news.
    connect(m_panel.bandList, &QComboBox::currentIndexChanged, this, [this] {
        m_hints.setStatus(kTuneSource, QString());
        showFrequency();
    });
}

void RigControl::loadBands()
{
    m_bands.clear();
    for (const ResultRow& row :
         m_store.db()
             .query(QStringLiteral("SELECT BandName, BandRowid, BandTransverterOffset FROM [Band]"))
             .rows)
        m_bands.insert(row[0].toString(),
                       StationBand{int(row[1].toInt()), row[2].isNumeric() ? row[2].toDouble() : 0});
    m_modeNames.clear();
    for (const ResultRow& row :
         m_store.db().query(QStringLiteral("SELECT ModulationRowid, ModulationName FROM Modulation")).rows)
        m_modeNames.insert(int(row[0].toInt()), row[1].toString());
    showFrequency(); // an offset may have changed
}

void RigControl::applySettings()
{
    const DaemonWindow::Options o = Tfrig::load(m_store);
    m_hints.setStatus(kRigSource, QString()); // news of the earlier settings
    m_hints.setStatus(kTuneSource, QString());
    m_rig->setAddress(o.host, quint16(o.port));
    forget();
    if (!o.on) {
        m_rig->stop();
        return;
    }
    loadBands();
    m_rig->start();
}

bool RigControl::isOn() const
{
    return m_rig->isOn();
}

void RigControl::openSettings(QWidget* parent)
{
    Tfrig window(m_store, m_prompts, parent);
    window.setFont(parent->font());
    if (window.exec() == QDialog::Accepted)
        applySettings();
}

void RigControl::reloadBands()
{
    if (m_rig->isOn())
        loadBands();
}

bool RigControl::tune(const QString& band, qint64 hzOnBand)
{
    if (!m_rig->isOn())
        return false;
    const StationBand onBand = bandNamed(band);
    const std::optional<qint64> rigHz = rigFrequencyFor(onBand, hzOnBand);
    if (!rigHz || frequencyOnBand(onBand, *rigHz) != hzOnBand) {
        // The operator asked for it: a tune that cannot be done is said, not left to be noticed.
        m_hints.setStatus(kTuneSource,
                          QStringLiteral("Трансивер не перестроен на %1 МГц: эта частота не на диапазоне "
                                         "\"%2\" с его смещением трансвертера")
                              .arg(QLocale().toString(double(hzOnBand) / 1e6, 'f', 3), band));
        return false;
    }
    m_hints.setStatus(kTuneSource, QString());
    m_rig->tune(*rigHz);
    choose(m_panel.bandList->findText(band));
    return true;
}

void RigControl::follow(qint64 hz, const QString& mode)
{
    if (hz != m_hz)
        followBand(hz);
    if (mode != m_mode)
        followMode(mode);
    showFrequency();
}

void RigControl::followBand(qint64 hz)
{
    m_hz = hz;
    QComboBox* list = m_panel.bandList;
    std::vector<StationBand> bands;
    for (int i = 0; i < list->count(); ++i)
        bands.push_back(bandNamed(list->itemText(i)));
    const std::optional<int> band = bandOfRigFrequency(bands, list->currentIndex(), hz);
    if (!band) {
        if (!std::exchange(m_offBandSaid, true))
            m_hints.setStatus(kOffBandSource, QStringLiteral("Трансивер на %1 МГц: это не диапазон лога, "
                                                             "диапазон не меняется")
                                                  .arg(QLocale().toString(double(hz) / 1e6, 'f', 3)));
        return;
    }
    if (std::exchange(m_offBandSaid, false))
        m_hints.setStatus(kOffBandSource, QString());
    choose(*band);
}

void RigControl::choose(int band)
{
    QComboBox* list = m_panel.bandList;
    // A file shown in the viewer locks the lists.
    if (band < 0 || band == list->currentIndex() || !list->isEnabled())
        return;
    list->setCurrentIndex(band);
    emit bandSwitched();
}

void RigControl::followMode(const QString& mode)
{
    m_mode = mode;
    const std::optional<int> code = modeCodeOfRigMode(mode);
    QComboBox* list = m_panel.modeList;
    const int index = code ? list->findText(m_modeNames.value(*code), Qt::MatchFixedString) : -1;
    if (index < 0 || index == list->currentIndex() || !list->isEnabled())
        return; // a data mode, or a mode the log does not have: the mode stays
    list->setCurrentIndex(index);
    emit modeSwitched();
}

void RigControl::forget()
{
    m_hz.reset();
    m_mode.clear();
    if (std::exchange(m_offBandSaid, false))
        m_hints.setStatus(kOffBandSource, QString());
    showFrequency();
}

void RigControl::showFrequency()
{
    m_panel.showFrequency(m_hz ? frequencyOnBand(bandNamed(m_panel.bandList->currentText()), *m_hz)
                               : std::nullopt);
}

StationBand RigControl::bandNamed(const QString& name) const
{
    return m_bands.value(name); // a band without a name in the table has no range
}
