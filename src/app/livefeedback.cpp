#include "app/livefeedback.h"

#include "app/logview.h"
#include "app/mainstate.h"
#include "controls/datagrid.h"
#include "controls/drlabel.h"
#include "controls/hintbar.h"
#include "controls/pickcombobox.h"
#include "controls/rotateimage.h"
#include "logging/entrypanel.h"
#include "logging/locator.h"
#include "platform/guarded.h"
#include "platform/localeformat.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "store/daycount.h"
#include "store/logstore.h"
#include "store/sqltext.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <utility>

namespace {

constexpr int kMatchesShown = 30;

} // namespace

LiveFeedback::LiveFeedback(EntryPanel& panel, LogView& log, LogStore& store, MainState& state,
                           const Services& services, QObject* parent)
    : QObject(parent), m_panel(panel), m_log(log), m_store(store), m_state(state), m_services(services),
      m_earlier(std::make_unique<Cursor>(store.db()))
{
    m_earlier->setObjectName(QStringLiteral("q4"));
    m_panel.earlierContactsGrid->setCursor(m_earlier.get());
    m_panel.locatorEdit->installEventFilter(this);
    m_panel.callEdit->installEventFilter(this);
    connect(m_panel.callEdit, &PickComboBox::picked, this,
            [this] { guarded(m_services.prompts, [this] { callPicked(); }); });
    connect(m_panel.locatorEdit, &QLineEdit::textChanged, this, &LiveFeedback::showMovedQth);
    connect(m_panel.callEdit, &QComboBox::editTextChanged, this, &LiveFeedback::showMovedQth);
    connect(m_panel.callEdit, &QComboBox::editTextChanged, this, [this] { m_callChanged = true; });
    connect(m_panel.distanceLabel, &TDRLabel::doubleClicked, this, &LiveFeedback::chooseReadoutColour);
    connect(m_panel.callMatches, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        guarded(m_services.prompts, [&] { matchChosen(item->text()); });
    });

    Cursor& grid = m_log.log();
    auto showGuarded = [this] { guarded(m_services.prompts, [this] { showCurrentContact(); }); };
    connect(&grid, &Cursor::currentRowChanged, this, showGuarded);
    connect(&grid, &Cursor::reset, this, showGuarded);
    connect(&grid, &Cursor::rowChanged, this, showGuarded);
}

LiveFeedback::~LiveFeedback() = default;

QString LiveFeedback::readoutText(double distance, int azimuth)
{
    return formatGeneralNumber(distance) + QStringLiteral(" km\n\r") + QString::number(azimuth) +
           QStringLiteral("°");
}

bool LiveFeedback::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel.locatorEdit && event->type() == QEvent::KeyPress && offeredLocatorKey(event))
        return true;
    if (watched == m_panel.callEdit && event->type() == QEvent::KeyPress && callFieldKey(event)) {
        m_callKeyTaken = true; // its release types nothing either
        return true;
    }
    if (watched == m_panel.callEdit && event->type() == QEvent::KeyRelease &&
        std::exchange(m_callKeyTaken, false))
        return true;
    if (watched == m_panel.callEdit && event->type() == QEvent::FocusOut)
        m_panel.showCallMatches({});
    if (event->type() == QEvent::KeyRelease) {
        if (watched == m_panel.locatorEdit)
            locatorTyped();
        else if (watched == m_panel.callEdit)
            guarded(m_services.prompts, [this] { callTyped(); });
    } else if (event->type() == QEvent::FocusOut && watched == m_panel.locatorEdit) {
        locatorLeft();
    }
    return QObject::eventFilter(watched, event);
}

// Enter or Ctrl+Space accept an offered locator; a key that types replaces it.
bool LiveFeedback::offeredLocatorKey(QEvent* event)
{
    if (!m_panel.isLocatorOffered())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter || (key->key() == Qt::Key_Space && key->modifiers().testFlag(Qt::ControlModifier))) {
        m_panel.acceptOfferedLocator();
        return true;
    }
    if (!key->text().isEmpty() && key->text().at(0).isPrint())
        m_panel.locatorEdit->clear();
    else if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) {
        m_panel.locatorEdit->clear();
        m_panel.showReadout(QString());
        return true;
    }
    return false;
}

// The list of matching calls, chosen from without the mouse: Down and Up step through it, Enter
// or Ctrl+Space take the call stepped to, Esc closes it. Ctrl+Space with no list showing accepts
// the offered locator, as in the locator field.
bool LiveFeedback::callFieldKey(QEvent* event)
{
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool ctrlSpace = key->key() == Qt::Key_Space && key->modifiers().testFlag(Qt::ControlModifier);
    QListWidget* matches = m_panel.callMatches;
    if (!matches->isVisible()) {
        if (ctrlSpace && m_panel.isLocatorOffered()) {
            m_panel.acceptOfferedLocator();
            return true;
        }
        return false;
    }
    const int row = matches->currentRow();
    switch (key->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up: {
        const int step = key->key() == Qt::Key_Down ? 1 : -1;
        matches->setCurrentRow(
            std::clamp(row < 0 && step < 0 ? matches->count() - 1 : row + step, 0, matches->count() - 1));
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (row < 0 || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))
            return false; // Enter moves on as ever
        guarded(m_services.prompts, [&] { matchChosen(matches->item(row)->text()); });
        return true;
    case Qt::Key_Escape:
        m_panel.showCallMatches({});
        return true;
    default:
        break;
    }
    if (!ctrlSpace)
        return false;
    guarded(m_services.prompts, [&] { matchChosen(matches->item(std::max(row, 0))->text()); });
    return true;
}

void LiveFeedback::locatorTyped()
{
    m_panel.showReadout(QString());
    const QString typed = m_panel.locatorEdit->text().trimmed();
    if (typed.size() < 2)
        return;
    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance(m_state.OwnLocator, completeLocator(typed), azimuth, distance);
    m_panel.pointNeedle(azimuth);
    m_panel.showReadout(readoutText(distance, azimuth));
}

void LiveFeedback::locatorLeft()
{
    if (m_panel.isLocatorAutoFilled())
        m_panel.setLocatorAutoFilled(false);
    QString locator = m_panel.locatorEdit->text().trimmed();
    if (locator.size() != 6 || !LocatorIsValid(locator))
        return;
    int azimuth = 0;
    double distance = 0;
    LocatorAzimuthDistance(m_state.OwnLocator, locator, azimuth, distance);
    m_panel.pointNeedle(azimuth);
}

void LiveFeedback::callTyped()
{
    // A key that changed nothing (Ctrl let go after Ctrl+Space took a match, an arrow) leaves the
    // list and the offer as they are.
    if (!std::exchange(m_callChanged, false))
        return;
    const QString call = m_panel.callEdit->currentText();
    // Only a key that changed the call drops the locator: another call, another place.
    if (call != m_lastCallText && call != m_autoFilledCall)
        dropLocator();
    m_lastCallText = call;
    ShowLastQSO();
    const QStringList matches = m_state.callBook.matching(call, kMatchesShown);
    m_panel.showCallMatches(matches.size() == 1 && matches.first() == call.trimmed().toUpper() ? QStringList()
                                                                                               : matches);
    offerLocator();
}

void LiveFeedback::matchChosen(const QString& call)
{
    m_panel.showCallMatches({});
    m_panel.callEdit->setEditText(call);
    m_panel.callEdit->setFocus();
    if (call != m_lastCallText && call != m_autoFilledCall)
        dropLocator();
    m_lastCallText = call;
    ShowLastQSO();
    offerLocator();
    m_callChanged = false;
}

void LiveFeedback::dropLocator()
{
    // The read-out showed nothing but the offer: it goes with it, or it would speak of a
    // place the call now in the field has not got.
    if (m_panel.isLocatorOffered())
        m_panel.showReadout(QString());
    m_panel.locatorEdit->clear();
}

void LiveFeedback::offerLocator(const QString& square)
{
    const QString call = m_panel.callEdit->currentText();
    QString offered =
        m_state.callBook.ownLocator(call).isEmpty() ? m_state.callBook.listLocator(call) : QString();
    if (!offered.startsWith(square))
        offered = square;
    if (m_panel.isLocatorOffered() && m_panel.locatorEdit->text() != offered) {
        m_panel.locatorEdit->clear(); // the offer was for another call
        m_panel.showReadout(QString());
    }
    if (offered.isEmpty() || !m_panel.locatorEdit->text().isEmpty())
        return; // the operator's own locator stays
    m_panel.offerLocator(offered);
    locatorTyped(); // the read-outs show it while offered
}

void LiveFeedback::callPicked()
{
    ShowLastQSO();
    locatorLeft();
    const QString call = m_panel.callEdit->currentText();
    m_lastCallText = call;
    const DbValue locator = m_store.eSQLreturn2(
        QStringLiteral("SELECT TOP 1 ContestListQTH FROM ContestList WHERE ContestListCall=") +
        sqlQuote(call) + QStringLiteral(" ORDER BY ContestListRowid DESC"));
    if (locator.isNull())
        return;
    m_panel.locatorEdit->setText(locator.toString());
    m_panel.setLocatorAutoFilled(true);
    m_autoFilledCall = call;
}

void LiveFeedback::takeContact(const QString& call, const QString& locator)
{
    m_panel.showCallMatches({});
    m_panel.callEdit->setEditText(call);
    // Emptied first: the text of the offer on show set again would change nothing and leave the
    // field offered.
    m_panel.locatorEdit->clear();
    QString square = locator.trimmed();
    const bool onlySquare = LocatorSquareIsValid(square);
    if (!onlySquare)
        m_panel.locatorEdit->setText(locator);
    m_panel.setLocatorAutoFilled(false);
    m_lastCallText = call; // the locator stays with the call it came with
    locatorTyped();
    if (m_panel.locatorEdit->text().isEmpty())
        offerLocator(onlySquare ? square : QString()); // as for a typed call
    m_callChanged = false;
    guarded(m_services.prompts, [this] { ShowLastQSO(); });
}

void LiveFeedback::ShowLastQSO()
{
    DataGrid* grid = m_panel.earlierContactsGrid;
    grid->hide();
    m_earlier->close();
    const QString call = m_panel.callEdit->currentText().trimmed();
    if (call.size() < 4)
        return;
    m_earlier->setSql(
        QStringLiteral("SELECT ContestListCall, ContestListDateTime, IdBand FROM ContestList WHERE "
                       "IdContest=%1 AND ContestListCall=")
            .arg(m_state.CurrentContestId) +
        sqlQuote(call) + QStringLiteral(" ORDER BY ContestListDateTime DESC"));
    m_earlier->open();
    if (!m_earlier->isEmpty())
        grid->show();
}

void LiveFeedback::showCurrentContact()
{
    // The needle turns once, straight to where it ends up: north without a contact.
    Cursor& log = m_log.log();
    const bool contact = log.isOpen() && !log.isEmpty();
    const DbValue azimuth = contact ? log.value(QStringLiteral("ContestListAzimut")) : DbValue();
    const DbValue distance = contact ? log.value(QStringLiteral("ContestListDistance")) : DbValue();
    m_panel.pointNeedle(azimuth.isNull() ? 360 : int(azimuth.toInt()));
    m_panel.showReadout(distance.isNull()
                            ? QString()
                            : readoutText(distance.toDouble(), azimuth.isNull() ? 0 : int(azimuth.toInt())));
}

void LiveFeedback::showMovedQth()
{
    const auto earlier =
        m_state.lastLocators.differing(m_panel.callEdit->currentText(), m_panel.locatorEdit->text());
    m_panel.setLocatorBackground(earlier ? MainState::MovedQthColor : QColor());
    // Not refused: portable stations move; the operator asks.
    m_log.hintBar()->setStatus(
        QStringLiteral("movedQth"),
        earlier ? QStringLiteral("Прежний QTH: ") + earlier->locator + QStringLiteral(", ") +
                      dayCountDate(earlier->dateTime).toString(QStringLiteral("dd.MM.yyyy"))
                : QString());
}

void LiveFeedback::chooseReadoutColour()
{
    if (const auto colour = m_services.prompts.chooseColor(m_panel.distanceLabel->fontColor()))
        m_panel.distanceLabel->setFontColor(*colour);
}
