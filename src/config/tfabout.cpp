#include "config/tfabout.h"

#include "controls/linklabel.h"
#include "controls/windowsettings.h"
#include "platform/desktop.h"
#include "platform/services.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {

const QString kEmail = QStringLiteral("kovra-log@example.org");

// A small round icon of the program's own drawing: a coloured disc with a letter.
QPixmap roundIcon(const QColor& colour, const QString& letter)
{
    QPixmap icon(16, 16);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, letter);
    return icon;
}

// An icon that opens its address when clicked.
class IconLink : public QLabel
{
public:
    IconLink(const QPixmap& icon, const QString& hint, std::function<void()> open, QWidget* parent)
        : QLabel(parent), m_open(std::move(open))
    {
        setPixmap(icon);
        setFixedSize(16, 16);
        setToolTip(hint);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QLabel::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton)
            m_open();
    }

private:
    std::function<void()> m_open;
};

} // namespace

QList<QUrl> Tfabout::iconAddresses()
{
    return {QUrl(QStringLiteral("https://social.example.org/kovra-log")),
            QUrl(QStringLiteral("https://video.example.org/kovra-log")),
            QUrl(QStringLiteral("https://kovra-log.example.org/support"))};
}

Tfabout::Tfabout(const Services& services, const QFont& font, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint)
{
    setFont(font);
    setObjectName(QStringLiteral("fabout"));
    setWindowTitle(QStringLiteral("О программе"));
    setFixedSize(775, 364);

    auto* version = new QLabel(QStringLiteral("Версия программы 1.9 от 12 ноября 2016г.\n"
                                              "Kovra log developers: журнал УКВ соревнований для Linux."),
                               this);
    version->setObjectName(QStringLiteral("versionLine"));
    version->move(12, 12);
    version->adjustSize();
    auto* credit = new QLabel(QStringLiteral("Карта связей: Leaflet и OpenStreetMap; карта часовых поясов: "
                                             "libtimezonemap. Спасибо всем, кто проверял журнал в эфире."),
                              this);
    credit->setWordWrap(true);
    credit->setGeometry(12, 70, 775 - 24, 40);

    const struct
    {
        QString text;
        QString hint;
        QUrl address;
    } links[] = {
        {kEmail, QStringLiteral("Написать авторам"), QUrl(QStringLiteral("mailto:") + kEmail)},
        {QStringLiteral("https://kovra-log.example.org"), QStringLiteral("Сайт программы"), {}},
        {QStringLiteral("https://forum.example.org/kovra-log"), QStringLiteral("Обсуждение на форуме"), {}},
        {QStringLiteral("https://video.example.org/kovra-log"), QStringLiteral("Видео о программе"), {}},
    };
    int top = 130;
    for (const auto& link : links) {
        auto* label = new LinkLabel(link.text, this);
        label->setToolTip(link.hint);
        label->move(12, top);
        top += 30;
        const QUrl address = link.address.isEmpty() ? QUrl(link.text) : link.address;
        connect(label, &LinkLabel::clicked, this,
                [&services, address] { services.desktop.openUrl(address); });
        m_links << label;
    }

    const struct
    {
        QColor colour;
        QString letter;
        QString hint;
    } icons[] = {{QColor(59, 89, 152), QStringLiteral("S"), QStringLiteral("Страница в социальной сети")},
                 {QColor(204, 0, 0), QStringLiteral("V"), QStringLiteral("Видеоканал")},
                 {QColor(0, 128, 0), QStringLiteral("+"), QStringLiteral("Поддержать проект")}};
    const QList<QUrl> addresses = iconAddresses();
    for (int i = 0; i < 3; ++i) {
        const QUrl address = addresses[i];
        auto* icon = new IconLink(
            roundIcon(icons[i].colour, icons[i].letter), icons[i].hint,
            [&services, address] { services.desktop.openUrl(address); }, this);
        icon->move(12 + 24 * i, 332);
        m_icons << icon;
    }
    centreOn(*this, parent);
}
