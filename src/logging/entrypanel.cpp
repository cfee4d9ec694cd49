#include "logging/entrypanel.h"

#include "logging/fieldtext.h"

#include "controls/datagrid.h"
#include "controls/drlabel.h"
#include "controls/headingneedle.h"
#include "controls/pickcombobox.h"
#include "controls/rotateimage.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolButton>
#include <QValidator>

#include <cmath>

namespace {

constexpr int kCompassSize = 250;
constexpr int kArrowSize = 184;
constexpr int kMargin = 8;

// Upper case as the operator types, for calls and locators. The EDI field separator and
// control characters are refused as typed or pasted: the export writes these fields as they
// are, and a ";" in one makes a line no reader can take apart.
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        if (!isPlainFieldText(input))
            return Invalid;
        input = input.toUpper();
        return Acceptable;
    }
};

QLabel* makeLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

template <typename T> T* named(T* widget, const char* name, const QString& hint = QString())
{
    widget->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty())
        widget->setToolTip(hint);
    return widget;
}

void setTop(QWidget* w, int top)
{
    w->move(w->x(), top);
}

int bottom(const QWidget* w)
{
    return w->y() + w->height();
}

int right(const QWidget* w)
{
    return w->x() + w->width();
}

void place(QWidget* w, int left, int width)
{
    w->setGeometry(left, w->y(), width, w->height());
}

} // namespace

int roundHalfEven(double x)
{
    return int(std::nearbyint(x));
}

EntryPanel::EntryPanel(QWidget* parent) : QGroupBox(QStringLiteral("Ввод записей"), parent)
{
    setObjectName(QStringLiteral("gb1"));

    bandModeLabel = makeLabel(QStringLiteral("Диапазон/модуляция:"), "Label4", this);
    callLocatorLabel = makeLabel(QStringLiteral("Корресп./QTH:"), "Label2", this);
    reportsLabel = makeLabel(QStringLiteral("SEND / RCV:"), "Label1", this);
    dateTimeLabel = makeLabel(QStringLiteral("Дата/время (UTC):"), "Label3", this);
    frequencyLabel = makeLabel(QString(), "frequencyLabel", this);
    frequencyLabel->setToolTip(QStringLiteral("Частота на диапазоне по трансиверу"));
    frequencyLabel->hide();

    bandList = named(new QComboBox(this), "Edit7", QStringLiteral("Выберите текущий диапазон"));
    modeList =
        named(new QComboBox(this), "Edit9", QStringLiteral("Выберите текущий вид связи (F11-SSB, F12-CW)"));

    callEdit = named(new PickComboBox(this), "Edit2", QStringLiteral("Позывной корреспондента"));
    callEdit->setEditable(true);
    callEdit->setInsertPolicy(QComboBox::NoInsert);
    callEdit->lineEdit()->setValidator(new UpperCaseValidator(callEdit));
    // No completion as the call is typed: a call completed to one worked before would be
    // saved for the one heard. The list is there to pick from.
    callEdit->setCompleter(nullptr);
    callEdit->setMaxVisibleItems(20);
    // The call history holds thousands of calls: its list must not measure each one.
    if (auto* view = qobject_cast<QListView*>(callEdit->view()))
        view->setUniformItemSizes(true);
    callEdit->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    locatorEdit = named(new QLineEdit(this), "Edit3", QStringLiteral("Локатор корреспондента"));
    locatorEdit->setMaxLength(6);
    locatorEdit->setValidator(new UpperCaseValidator(locatorEdit));
    connect(locatorEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_locatorOffered && text != m_offeredLocator)
            showLocatorOffered(false);
    });

    callMatches = named(new QListWidget(this), "callMatches",
                        QStringLiteral("Позывные из журнала и списка позывных; щелчок — в поле позывного"));
    callMatches->setFocusPolicy(Qt::NoFocus); // typing goes on in the call field
    callMatches->setUniformItemSizes(true);
    callMatches->hide();

    sentReportEdit =
        named(new QLineEdit(QStringLiteral("59"), this), "Edit10", QStringLiteral("Передали RS(T)"));
    sentReportEdit->setMaxLength(3);
    sentNumberEdit = named(new QLineEdit(QStringLiteral("1"), this), "Edit1",
                           QStringLiteral("Передали номер (формируется автоматически, по порядку)"));
    sentNumberEdit->setReadOnly(true);
    QPalette grey = sentNumberEdit->palette();
    grey.setColor(QPalette::Text, QColor(128, 128, 128));
    sentNumberEdit->setPalette(grey);
    receivedReportEdit =
        named(new QLineEdit(QStringLiteral("59"), this), "Edit8", QStringLiteral("Получили RS(T)"));
    receivedReportEdit->setMaxLength(3);
    receivedNumberEdit = named(new QLineEdit(this), "Edit4", QStringLiteral("Приняли номер"));
    receivedNumberEdit->setMaxLength(7);

    dateEdit = named(new QDateEdit(this), "Edit5");
    timeEdit = named(new QTimeEdit(this), "Edit6");

    saveButton = named(new QPushButton(QStringLiteral("Сохранить"), this), "btn1",
                       QStringLiteral("Сохранить запись (Ctrl+Enter или Ctrl+S)"));

    earlierContactsGrid = named(new DataGrid(this), "g2");
    earlierContactsGrid->setWholeRowSelection(true);
    earlierContactsGrid->verticalHeader()->hide();
    earlierContactsGrid->setFocusPolicy(Qt::NoFocus);
    QPalette greyBack = earlierContactsGrid->palette();
    greyBack.setColor(QPalette::Base, QColor(192, 192, 192));
    earlierContactsGrid->setPalette(greyBack);
    earlierContactsGrid->resize(233, 66);
    earlierContactsGrid->hide();

    compassPanel = named(new QWidget(this), "Panel2");
    compassImage = named(new QLabel(compassPanel), "Image2", QStringLiteral("Компас"));
    compassImage->setPixmap(QPixmap(QStringLiteral(":/pictures/compass.png")));
    compassImage->resize(kCompassSize, kCompassSize);
    arrowImage = named(new TRotateImage(compassPanel), "Image1", QStringLiteral("Направление"));
    arrowImage->resize(kArrowSize, kArrowSize);
    arrowImage->setCenter(true);
    arrowImage->setTransparent(true);
    arrowImage->setColor(compassPanel->palette().color(QPalette::Window));
    arrowImage->setPicture(QImage(QStringLiteral(":/pictures/arrow.png")));
    headingNeedle = new HeadingNeedle(compassPanel);
    headingNeedle->setObjectName(QStringLiteral("headingNeedle"));
    headingNeedle->resize(kCompassSize, kCompassSize);
    turnAntennaButton = named(new QToolButton(compassPanel), "turnAntennaButton",
                              QStringLiteral("Повернуть антенну по компасу (Ctrl+R)"));
    turnAntennaButton->setText(QStringLiteral("⟳"));
    turnAntennaButton->hide();
    distanceLabel = named(new TDRLabel(compassPanel), "LabelKM");
    distanceLabel->setAlignment(Qt::AlignCenter);
    distanceLabel->setTransparent(true);
    QFont readout(QStringLiteral("Tahoma"));
    readout.setPixelSize(19);
    readout.setBold(true);
    distanceLabel->setFont(readout);
    // Set once: a colour the operator chooses lasts while the program runs.
    distanceLabel->setFontColor(palette().color(QPalette::WindowText));
    compassPanel->resize(kCompassSize, kCompassSize);

    // The tab order runs through call, received report, received number and locator only.
    for (QWidget* w : std::initializer_list<QWidget*>{bandList, modeList, sentReportEdit, sentNumberEdit,
                                                      dateEdit, timeEdit, saveButton})
        w->setFocusPolicy(Qt::ClickFocus);
    setTabOrder(callEdit, receivedReportEdit);
    setTabOrder(receivedReportEdit, receivedNumberEdit);
    setTabOrder(receivedNumberEdit, locatorEdit);

    for (QLabel* label : {bandModeLabel, callLocatorLabel, reportsLabel, dateTimeLabel})
        label->move(kMargin, label->y());
    dateEdit->move(kMargin, dateEdit->y());
    earlierContactsGrid->move(kMargin, earlierContactsGrid->y());
    applyFontLayout(m_fontSize);
}

void EntryPanel::setLocatorAutoFilled(bool autoFilled)
{
    if (autoFilled == isLocatorAutoFilled())
        return;
    QPalette palette = locatorEdit->palette();
    palette.setColor(QPalette::Text,
                     autoFilled ? QColor(192, 192, 192) : this->palette().color(QPalette::Text));
    locatorEdit->setPalette(palette);
}

void EntryPanel::setLocatorBackground(const QColor& colour)
{
    const QColor base = colour.isValid() ? colour : this->palette().color(QPalette::Base);
    if (locatorEdit->palette().color(QPalette::Base) == base)
        return;
    QPalette palette = locatorEdit->palette();
    palette.setColor(QPalette::Base, base);
    locatorEdit->setPalette(palette);
}

void EntryPanel::offerLocator(const QString& locator)
{
    m_offeredLocator = locator;
    locatorEdit->setText(locator);
    showLocatorOffered(true);
}

void EntryPanel::acceptOfferedLocator()
{
    if (!m_locatorOffered)
        return;
    showLocatorOffered(false);
    // A square is only the start of a locator: the operator types its last two letters.
    if (m_offeredLocator.size() == 4) {
        locatorEdit->setFocus();
        locatorEdit->end(false);
    }
}

void EntryPanel::showLocatorOffered(bool offered)
{
    m_locatorOffered = offered;
    QPalette palette = locatorEdit->palette();
    palette.setColor(QPalette::Text, offered ? OfferedLocatorColor : this->palette().color(QPalette::Text));
    locatorEdit->setPalette(palette);
    QFont font = locatorEdit->font();
    font.setItalic(offered);
    locatorEdit->setFont(font);
}

void EntryPanel::showCallMatches(const QStringList& calls)
{
    callMatches->clear();
    if (calls.isEmpty()) {
        callMatches->hide();
        return;
    }
    callMatches->addItems(calls);
    const QRect field = callEdit->geometry();
    const int rows = std::min(int(calls.size()), 8);
    callMatches->setGeometry(field.left(), field.bottom() + 1, std::max(field.width(), 100),
                             rows * callMatches->sizeHintForRow(0) + 2 * callMatches->frameWidth());
    callMatches->show();
    callMatches->raise();
}

bool EntryPanel::isLocatorAutoFilled() const
{
    return locatorEdit->palette().color(QPalette::Text) == QColor(192, 192, 192);
}

void EntryPanel::applyFontLayout(int s)
{
    m_fontSize = s;
    const int g = roundHalfEven(0.3 * s);
    for (QWidget* field : std::initializer_list<QWidget*>{
             callEdit, locatorEdit, sentReportEdit, sentNumberEdit, receivedReportEdit, receivedNumberEdit}) {
        QFont font = field->font();
        font.setPointSize(s);
        font.setBold(true);
        field->setFont(font);
    }
    // Every control takes the height its font asks for, then stacks under the one above.
    for (QWidget* w : std::initializer_list<QWidget*>{
             bandModeLabel, callLocatorLabel, reportsLabel, dateTimeLabel, bandList, modeList, callEdit,
             locatorEdit, sentReportEdit, sentNumberEdit, receivedReportEdit, receivedNumberEdit, dateEdit,
             timeEdit})
        w->resize(w->width(), w->sizeHint().height());
    for (QLabel* label : {bandModeLabel, callLocatorLabel, reportsLabel, dateTimeLabel})
        label->resize(label->sizeHint().width(), label->height());

    frequencyLabel->resize(frequencyLabel->sizeHint());
    setTop(bandModeLabel, 2 * s);
    setTop(frequencyLabel, bandModeLabel->y());
    setTop(bandList, bottom(bandModeLabel) + g);
    setTop(modeList, bandList->y());
    setTop(callLocatorLabel, bottom(bandList) + g);
    setTop(callEdit, bottom(callLocatorLabel) + g);
    setTop(locatorEdit, callEdit->y());
    setTop(reportsLabel, bottom(callEdit) + g);
    for (QWidget* w : std::initializer_list<QWidget*>{sentNumberEdit, receivedNumberEdit, receivedReportEdit,
                                                      sentReportEdit})
        setTop(w, bottom(reportsLabel) + g);
    setTop(dateTimeLabel, bottom(sentNumberEdit) + g);
    setTop(dateEdit, bottom(dateTimeLabel) + g);
    setTop(timeEdit, dateEdit->y());
    const int buttonHeight = roundHalfEven(2.5 * s);
    saveButton->setGeometry(saveButton->x(), bottom(dateEdit) + g, 3 * buttonHeight + 10, buttonHeight);
    setTop(earlierContactsGrid, bottom(saveButton) + 5);

    QFont labelFont = distanceLabel->font();
    labelFont.setPointSize(s + 2);
    labelFont.setBold(true);
    distanceLabel->setFont(labelFont);
    distanceLabel->adjustToText();
    layoutHorizontally();
}

void EntryPanel::layoutHorizontally()
{
    const int w = width();
    const int v = roundHalfEven((w - 15) / 2.0);
    const int a = roundHalfEven((w - 15) / 6.0) - 1;
    frequencyLabel->move(w - kMargin - frequencyLabel->width(), frequencyLabel->y());
    place(bandList, kMargin, v);
    place(modeList, right(bandList) + 3, v);
    place(callEdit, kMargin, v);
    place(locatorEdit, right(callEdit) + 3, v);
    place(sentReportEdit, kMargin, a + 5);
    place(sentNumberEdit, right(sentReportEdit) + 3, 2 * a - 5);
    place(receivedReportEdit, right(sentNumberEdit) + 3, a + 5);
    place(receivedNumberEdit, right(receivedReportEdit) + 3, 2 * a - 5);
    place(dateEdit, dateEdit->x(), v + 4);
    place(timeEdit, right(dateEdit) + 3, v - 4);
    saveButton->move(roundHalfEven(w / 2.0 - saveButton->width() / 2.0), saveButton->y());
    place(earlierContactsGrid, earlierContactsGrid->x(), w - 15);
    placeCompass();
}

// The compass sits at the bottom of the frame, centred; the needle and the read-out are
// centred on the compass.
void EntryPanel::placeCompass()
{
    compassPanel->setGeometry(0, height() - kCompassSize - 4, width(), kCompassSize);
    compassImage->move(roundHalfEven(width() / 2.0 - kCompassSize / 2.0), 0);
    arrowImage->move(compassImage->x() + (kCompassSize - kArrowSize) / 2, (kCompassSize - kArrowSize) / 2);
    headingNeedle->move(compassImage->pos());
    turnAntennaButton->move(std::max(0, compassImage->x() - turnAntennaButton->width() - 2),
                            kCompassSize - turnAntennaButton->height());
    centreReadout();
    fitEarlierContactsGrid();
}

// Centred on the compass picture itself, wherever the frame's width has put it.
void EntryPanel::centreReadout()
{
    distanceLabel->move(compassImage->x() + roundHalfEven((kCompassSize - distanceLabel->width()) / 2.0),
                        roundHalfEven((kCompassSize - distanceLabel->height()) / 2.0));
}

void EntryPanel::showReadout(const QString& text)
{
    distanceLabel->setText(text);
    distanceLabel->adjustToText();
    centreReadout();
}

void EntryPanel::pointNeedle(int azimuth)
{
    m_needleAzimuth = azimuth;
    arrowImage->setAngle(360 - azimuth);
}

void EntryPanel::showRotator(bool on)
{
    turnAntennaButton->setVisible(on);
    if (!on)
        headingNeedle->setHeading(std::nullopt);
}

void EntryPanel::showFrequency(std::optional<qint64> hz)
{
    if (hz == m_frequency)
        return;
    m_frequency = hz;
    frequencyLabel->setVisible(hz.has_value());
    if (!hz)
        return;
    frequencyLabel->setText(QLocale().toString(double(*hz) / 1e6, 'f', 3) + QStringLiteral(" МГц"));
    frequencyLabel->resize(frequencyLabel->sizeHint());
    frequencyLabel->move(width() - kMargin - frequencyLabel->width(), frequencyLabel->y());
}

void EntryPanel::fitEarlierContactsGrid()
{
    earlierContactsGrid->resize(earlierContactsGrid->width(),
                                std::max(0, compassPanel->y() - earlierContactsGrid->y() - 5));
}

void EntryPanel::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    layoutHorizontally();
}
