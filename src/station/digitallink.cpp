#include "station/digitallink.h"

#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "logging/repeatrule.h"
#include "station/bandplan.h"
#include "station/rigcontrol.h"
#include "station/tfdigital.h"
#include "station/wsjtxlink.h"
#include "store/database.h"
#include "store/daycount.h"
#include "store/logstore.h"

#include <QComboBox>
#include <QDateTime>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
const QString kLinkSource = QStringLiteral("wsjtx");
const QString kDroppedSource = QStringLiteral("wsjtxdropped");
const QString kBufferSource = QStringLiteral("wsjtxbuffer");
const QString kUnsavedSource = QStringLiteral("wsjtxunsaved");
const QString kSavedElsewhereSource = QStringLiteral("wsjtxsavedelsewhere");
// A QTimer counts in int milliseconds: a longer wait is taken in steps of a day.
constexpr double kLongestWaitMs = 86400000.0;
} // namespace

DigitalLink::DigitalLink(LogStore& store, Prompts& prompts, EntryPanel& panel, HintBar& hints,
                         RigControl& rig, Context context, QObject* parent)
    : QObject(parent), m_store(store), m_prompts(prompts), m_panel(panel), m_hints(hints), m_rig(rig),
      m_context(std::move(context)), m_link(new WsjtxLink(this)), m_log(store),
      m_highlightExpiry(new QTimer(this))
{
    m_highlightExpiry->setObjectName(QStringLiteral("wsjtxHighlightExpiry"));
    m_highlightExpiry->setSingleShot(true);
    connect(m_highlightExpiry, &QTimer::timeout, this, [this] {
        // A handler of its own: whatever goes wrong is said in the hint bar, never in a box.
        try {
            judgeHighlights(false);
        } catch (const std::exception& e) {
            m_hints.setStatus(kUnsavedSource,
                              QStringLiteral("WSJT-X: %1").arg(QString::fromLocal8Bit(e.what())));
        }
    });
    connect(m_link, &WsjtxLink::datagramRead, this, &DigitalLink::read);
    connect(m_link, &WsjtxLink::clientChanged, this, &DigitalLink::forgetHighlights);
    // The band the hint says a contact was saved on is now shown: the hint has done its work.
    connect(m_panel.bandList, &QComboBox::currentTextChanged, this, [this](const QString& band) {
        if (!m_savedElsewhereBand.isEmpty() && band == m_savedElsewhereBand) {
            m_savedElsewhereBand.clear();
            m_hints.setStatus(kSavedElsewhereSource, QString());
        }
    });
    connect(m_link, &WsjtxLink::stateSaid, this,
            [this](const QString& message) { m_hints.setStatus(kLinkSource, message); });
    connect(m_link, &WsjtxLink::droppedSaid, this,
            [this](const QString& message) { m_hints.setStatus(kDroppedSource, message); });
    connect(m_link, &WsjtxLink::bufferSaid, this,
            [this](const QString& message) { m_hints.setStatus(kBufferSource, message); });
}

DigitalLink::Options DigitalLink::load(LogStore& store)
{
    Options o;
    if (const auto address = store.textSetting(QStringLiteral("WsjtxAddress"));
        address && std::holds_alternative<QHostAddress>(wsjtxServerAddress(*address)))
        o.address = address->trimmed();
    if (const auto port = store.intSetting(QStringLiteral("WsjtxPort")); port && *port > 0 && *port < 65536)
        o.port = *port;
    o.on = store.intSetting(QStringLiteral("WsjtxOn")).value_or(0) == 1;
    o.highlight = store.intSetting(QStringLiteral("WsjtxHighlight")).value_or(1) == 1;
    return o;
}

void DigitalLink::applySettings()
{
    clearHighlights();
    m_options = load(m_store);
    m_hints.setStatus(kDroppedSource, QString());
    if (m_options.on)
        m_link->start(quint16(m_options.port), QHostAddress(m_options.address));
    else
        m_link->stop();
}

void DigitalLink::openSettings(QWidget* parent)
{
    Tfdigital window(m_store, m_prompts, parent);
    window.setFont(parent->font());
    if (window.exec() == QDialog::Accepted)
        applySettings();
}

void DigitalLink::read(const WsjtxDatagram& d)
{
    // A handler of the network: whatever goes wrong is said in the hint bar, never in a box.
    try {
        switch (d.kind) {
        case WsjtxDatagram::Status:
            followStatus(d);
            break;
        case WsjtxDatagram::Decode:
            if (d.isNew)
                highlightIfRepeat(wsjtxSender(d.message),
                                  m_statusBand.isEmpty() ? m_panel.bandList->currentText() : m_statusBand,
                                  m_statusMode.isEmpty() ? m_panel.modeList->currentText() : m_statusMode);
            break;
        case WsjtxDatagram::LoggedAdif:
            takeRecord(d.adif);
            break;
        case WsjtxDatagram::Close:
            forgetHighlights();
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        m_hints.setStatus(kUnsavedSource, QStringLiteral("WSJT-X: %1").arg(QString::fromLocal8Bit(e.what())));
    }
}

void DigitalLink::followStatus(const WsjtxDatagram& d)
{
    const QString typed = m_panel.callEdit->currentText().trimmed();
    const QString dxCall = d.dxCall.trimmed().toUpper();
    // Never over what the operator types: only an empty field or the last Status's call.
    if (!dxCall.isEmpty() && dxCall != typed &&
        (typed.isEmpty() || typed.compare(m_statusCall, Qt::CaseInsensitive) == 0) &&
        m_panel.callEdit->isEnabled()) {
        m_statusCall = dxCall;
        emit contactOffered(dxCall, d.dxGrid.trimmed().toUpper());
    }

    QComboBox* bands = m_panel.bandList;
    std::vector<StationBand> onBand; // WSJT-X gives the frequency on the band itself
    for (int i = 0; i < bands->count(); ++i)
        onBand.push_back(StationBand{int(ContactLog(m_store).bandId(bands->itemText(i))), 0});
    const int band =
        d.dialHz > 0 ? bandOfRigFrequency(onBand, bands->currentIndex(), d.dialHz).value_or(-1) : -1;
    const QString bandName = band >= 0 ? bands->itemText(band) : QString();
    const QString modeName = d.mode.trimmed();
    // The repeat rule is per band and mode: the highlights of the last ones no longer hold, and
    // the calls decoded from now on are judged afresh.
    if (bandName != m_statusBand || modeName != m_statusMode)
        clearHighlights();
    m_statusBand = bandName;
    m_statusMode = modeName;
    if (m_rig.isOn() || !bands->isEnabled())
        return; // the rig wins; a file in the viewer locks the lists
    if (band >= 0 && band != bands->currentIndex()) {
        bands->setCurrentIndex(band);
        emit bandSwitched();
    }
    QComboBox* modes = m_panel.modeList;
    const int mode = m_statusMode.isEmpty() ? -1 : modes->findText(m_statusMode, Qt::MatchFixedString);
    if (mode >= 0 && mode != modes->currentIndex()) {
        modes->setCurrentIndex(mode);
        emit modeSwitched();
    }
    m_panel.showFrequency(band >= 0 && band == bands->currentIndex() ? std::optional<qint64>(d.dialHz)
                                                                     : std::nullopt);
}

void DigitalLink::highlightIfRepeat(const QString& call, const QString& band, const QString& mode)
{
    if (!m_options.highlight || call.isEmpty() || m_highlighted.contains(call))
        return;
    ContactLog contacts(m_store);
    const std::optional<double> until =
        m_log.repeatAllowedFrom(m_context.contestId(), contacts.bandId(band), contacts.modeId(mode), call,
                                m_context.nowUtc(), m_context.repeatPeriodDays(), m_context.tours());
    if (!until)
        return;
    m_link->highlight(call, true);
    m_highlighted.insert(call, *until);
    waitForNextExpiry();
}

void DigitalLink::clearHighlights()
{
    for (auto it = m_highlighted.cbegin(); it != m_highlighted.cend(); ++it)
        m_link->highlight(it.key(), false);
    forgetHighlights();
}

void DigitalLink::forgetHighlights()
{
    m_highlighted.clear();
    m_highlightExpiry->stop();
}

void DigitalLink::stop()
{
    clearHighlights();
    m_link->stop();
}

void DigitalLink::rejudgeHighlights()
{
    judgeHighlights(true);
}

void DigitalLink::judgeHighlights(bool all)
{
    const double now = m_context.nowUtc();
    const QString band = m_statusBand.isEmpty() ? m_panel.bandList->currentText() : m_statusBand;
    const QString mode = m_statusMode.isEmpty() ? m_panel.modeList->currentText() : m_statusMode;
    ContactLog contacts(m_store);
    for (auto it = m_highlighted.begin(); it != m_highlighted.end();) {
        if (!all && isTooEarly(it.value(), now)) {
            ++it;
            continue;
        }
        // A later contact with the call (typed meanwhile) starts its period again; another
        // contest or period may end it sooner, or later.
        const std::optional<double> until =
            m_log.repeatAllowedFrom(m_context.contestId(), contacts.bandId(band), contacts.modeId(mode),
                                    it.key(), now, m_context.repeatPeriodDays(), m_context.tours());
        if (until) {
            it.value() = *until;
            ++it;
        } else {
            m_link->highlight(it.key(), false);
            it = m_highlighted.erase(it);
        }
    }
    waitForNextExpiry();
}

void DigitalLink::waitForNextExpiry()
{
    if (m_highlighted.isEmpty()) {
        m_highlightExpiry->stop();
        return;
    }
    const double earliest = *std::min_element(m_highlighted.cbegin(), m_highlighted.cend());
    const double ms =
        std::clamp(std::ceil((earliest - m_context.nowUtc()) * 86400000.0), 0.0, kLongestWaitMs);
    m_highlightExpiry->start(int(ms));
}

DigitalLink::Taken DigitalLink::takeRecord(const QString& record, const std::optional<DigitalContact>& fixed,
                                           qint64 unsavedRowid)
{
    DigitalContact contact;
    QString reason;
    if (fixed) {
        contact = *fixed;
    } else {
        const AdifRecord read = readAdifRecord(record);
        if (read.isRead())
            contact = digitalContactOf(read);
        else
            reason = QStringLiteral("запись не читается: ") + read.fault;
    }
    if (reason.isEmpty()) {
        const std::variant<ContactFields, QString> fields = m_log.fieldsOf(contact);
        if (const QString* why = std::get_if<QString>(&fields)) {
            reason = *why;
        } else {
            const ContactFields& f = std::get<ContactFields>(fields);
            if (m_log.holds(m_context.contestId(), f)) {
                ++m_alreadyStored; // WSJT-X sent it again
                if (unsavedRowid) {
                    m_log.dropUnsaved(unsavedRowid);
                    emit unsavedChanged();
                }
                return Taken::AlreadyStored;
            }
            const SaveOutcome outcome = m_context.save(f);
            if (outcome.kind == SaveOutcome::Saved) {
                ++m_saved;
                if (unsavedRowid) {
                    m_log.dropUnsaved(unsavedRowid);
                    emit unsavedChanged();
                }
                // The fields the Status filled are done with; what the operator typed stays.
                if (m_panel.callEdit->currentText().trimmed().compare(f.call, Qt::CaseInsensitive) == 0 &&
                    f.call.compare(m_statusCall, Qt::CaseInsensitive) == 0)
                    emit contactOffered(QString(), QString());
                if (f.band == m_statusBand && f.mode.compare(m_statusMode, Qt::CaseInsensitive) == 0)
                    highlightIfRepeat(f.call, f.band, f.mode); // a repeat until its period is over
                // A contact saved on a band the log does not show (the rig or WSJT-X on another
                // band) would otherwise go by unseen.
                m_savedElsewhereBand = f.band == m_panel.bandList->currentText() ? QString() : f.band;
                m_hints.setStatus(
                    kSavedElsewhereSource,
                    m_savedElsewhereBand.isEmpty()
                        ? QString()
                        : QStringLiteral("WSJT-X: связь %1 сохранена на %2").arg(f.call, f.band));
                return Taken::Saved;
            }
            reason = reasonOf(outcome);
        }
    }
    if (unsavedRowid) {
        m_log.setUnsavedReason(unsavedRowid, reason);
    } else if (const qint64 kept = m_log.unsavedHolding(record)) {
        // WSJT-X sent a record kept already: its row and the hint said it once; the reason
        // may have changed meanwhile (a contact typed since).
        m_log.setUnsavedReason(kept, reason);
        emit unsavedChanged();
        return Taken::Unsaved;
    } else {
        m_log.keepUnsaved(m_context.nowUtc(), reason, record);
    }
    m_hints.setStatus(kUnsavedSource,
                      QStringLiteral("WSJT-X: связь %1 не сохранена: %2 (Вид → Несохранённые связи)")
                          .arg(contact.call.isEmpty() ? QStringLiteral("?") : contact.call.left(20), reason));
    emit unsavedChanged();
    return Taken::Unsaved;
}

QString DigitalLink::reasonOf(const SaveOutcome& outcome) const
{
    switch (outcome.kind) {
    case SaveOutcome::MissingField:
        return missingFieldText(outcome.field);
    case SaveOutcome::NoContest:
        return QStringLiteral("не выбрано соревнование");
    case SaveOutcome::Refused:
        return QString(outcome.message)
            .replace(QLatin1Char('\n'), QLatin1Char(' '))
            .remove(QLatin1Char('\r'));
    case SaveOutcome::Failed:
        return QStringLiteral("база данных не приняла связь");
    case SaveOutcome::Saved:
        break;
    }
    return QString();
}
