#include "config/tfoptions.h"

#include "app/mainstate.h"
#include "controls/windowsettings.h"
#include "platform/clock.h"
#include "platform/guarded.h"
#include "platform/services.h"
#include "store/logstore.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimeZone>

#include <cmath>

namespace {

constexpr int kEntries = kZoneOffsetEntries + 1; // offsets -12 to +12, the computer's clock
const QString kComputerClockEntry = QStringLiteral("По часам компьютера");
const QSize kMapSize(607, 351);

QString suffixOf(int offset)
{
    switch (offset) {
    case 2:
        return QStringLiteral(" (Калининград)");
    case 3:
        return QStringLiteral(" (Москва)");
    case 4:
        return QStringLiteral(" (Самара, Ижевск)");
    case 5:
        return QStringLiteral(" (Екатеринбург)");
    case 6:
        return QStringLiteral(" (Омск)");
    case 7:
        return QStringLiteral(" (Красноярск)");
    case 8:
        return QStringLiteral(" (Иркутск)");
    case 9:
        return QStringLiteral(" (Якутск)");
    case 10:
        return QStringLiteral(" (Магадан, Сахалин, Владивосток)");
    case 12:
        return QStringLiteral(" (Камчатка, Чукотка)");
    default:
        return {};
    }
}

} // namespace

Tfoptions::Tfoptions(LogStore& store, MainState& state, const Services& services, int fontSize,
                     const QFont& font, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint),
      m_store(store), m_state(state), m_services(services)
{
    setObjectName(QStringLiteral("foptions"));
    setWindowTitle(QStringLiteral("Часовой пояс"));
    setFont(font);

    m_map = new QLabel(this);
    m_map->setObjectName(QStringLiteral("Image1"));
    m_map->setGeometry(QRect(QPoint(0, 3), kMapSize));
    m_map->setAlignment(Qt::AlignCenter);

    auto* caption = new QLabel(QStringLiteral("Часовой пояс:"), this);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    caption->adjustSize();
    caption->move(210 - caption->width(), 371);

    m_zones = new QComboBox(this);
    m_zones->setObjectName(QStringLiteral("Edit3"));
    m_zones->setGeometry(220, 367, 373, m_zones->sizeHint().height());
    m_zones->setMaxVisibleItems(kEntries);
    for (int offset = -12; offset <= 12; ++offset)
        m_zones->addItem(entryText(offset));
    m_zones->addItem(kComputerClockEntry);

    m_save = new QPushButton(QStringLiteral("Сохранить"), this);
    m_save->setObjectName(QStringLiteral("btn1"));
    const int height = int(std::nearbyint(fontSize * 2.5));
    m_save->setGeometry(220, 407, 3 * height + 10, height);
    m_save->setDefault(true);

    // The computer's own zone, so that a stored choice that no longer agrees (after a change
    // to summer time, say) shows.
    const QDateTime now = services.clock.now();
    m_systemZone = new QLabel(this);
    m_systemZone->setObjectName(QStringLiteral("systemZone"));
    m_systemZone->setText(QStringLiteral("Часовой пояс компьютера: ") +
                          QString::fromUtf8(QTimeZone::systemTimeZoneId()) + QStringLiteral(", ") +
                          QStringLiteral("UTC") +
                          (now.offsetFromUtc() ? zoneOffsetText(now.offsetFromUtc()) : QString()));
    m_systemZone->setGeometry(12, 407 + height + 6, 607 - 24, m_systemZone->sizeHint().height());
    // Taller than designed only when a large font needs it, so the zone line always shows.
    setFixedSize(607, std::max(460, m_systemZone->geometry().bottom() + 9));

    guarded(services.prompts, [&] {
        // Nothing chosen yet: the computer's clock, which is right all the year.
        const auto stored = m_store.intSetting(QStringLiteral("SettingFormClock"));
        m_zones->setCurrentIndex(stored && *stored >= 0 && *stored < kEntries ? *stored
                                                                              : kComputerClockPosition);
    });
    // The world is read and scaled once; each choice draws its zone over a copy.
    const QImage world(QDir(mapFolder()).filePath(QStringLiteral("bg.png")));
    if (!world.isNull())
        m_world = world.scaled(kMapSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    showMap();

    connect(m_zones, &QComboBox::currentIndexChanged, this, &Tfoptions::showMap);
    connect(m_save, &QPushButton::clicked, this, [this] { guarded(m_services.prompts, [this] { save(); }); });
    centreOn(*this, parent);
}

QString Tfoptions::entryText(int offset)
{
    return (offset > 0 ? QStringLiteral("+") : QString()) + QString::number(offset) + suffixOf(offset);
}

QString Tfoptions::mapFolder()
{
    return QStringLiteral("/usr/share/libtimezonemap/ui");
}

void Tfoptions::showMap()
{
    if (m_world.isNull()) {
        m_map->clear(); // without the maps the window works all the same
        return;
    }
    QImage picture = m_world;
    const int position = m_zones->currentIndex();
    // The computer's clock shows the zone it is in now, when that is a whole hour.
    const int seconds = m_services.clock.now().offsetFromUtc();
    const std::optional<int> offset =
        position == kComputerClockPosition
            ? (seconds % 3600 == 0 ? std::optional<int>(seconds / 3600) : std::nullopt)
        : position >= 0 ? std::optional<int>(position - 12)
                        : std::nullopt;
    if (offset) {
        const QImage zone(QDir(mapFolder()).filePath(QStringLiteral("timezone_%1.png").arg(*offset)));
        if (!zone.isNull()) {
            QPainter painter(&picture);
            painter.drawImage(QRect(QPoint(0, 0), kMapSize), zone);
        }
    }
    m_map->setPixmap(QPixmap::fromImage(picture));
}

void Tfoptions::save()
{
    if (!m_zones->currentText().isEmpty())
        m_store.SetSet(QStringLiteral("SettingFormClock"), LogStore::IntegerSetting, m_zones->currentIndex());
    // Nothing chosen and nothing stored: the clock stays as it is.
    if (const auto stored = m_store.intSetting(QStringLiteral("SettingFormClock")))
        m_state.setZonePosition(stored);
    accept();
}
