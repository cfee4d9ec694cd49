#pragma once

#include <QGroupBox>

#include <optional>

class DataGrid;
class PickComboBox;
class TDRLabel;
class TRotateImage;
class HeadingNeedle;
class QToolButton;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimeEdit;

// The left frame of the main window, "Ввод записей": band and mode, call and locator,
// reports and serial numbers, date and time, the save button, the earlier contacts and the
// compass. Its controls are placed by hand, from the font size, as operators know them.
class EntryPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit EntryPanel(QWidget* parent = nullptr);

    // Font size s: the six entry fields are bold in size s, gaps grow with round(0.3 s).
    void applyFontLayout(int fontSize);
    // Widths follow the frame's width; runs on every resize.
    void layoutHorizontally();

    // Distance and azimuth in the middle of the compass, on two lines.
    void showReadout(const QString& text);
    // The needle pointing to an azimuth: the picture turned by 360 - azimuth.
    void pointNeedle(int azimuth);
    // The azimuth the needle points to, 0 to 359.
    int needleAzimuth() const { return m_needleAzimuth % 360; }
    // While the rotator is on: the button that turns the antenna to the needle, and the
    // antenna's own heading as a second needle.
    void showRotator(bool on);
    // The frequency on the band that the rig gives, in Hz, shown in MHz on the line of the band
    // list's label; none shows nothing. A saved contact takes it.
    void showFrequency(std::optional<qint64> hz);
    std::optional<qint64> frequency() const { return m_frequency; }

    // A locator taken from the log rather than typed shows in silver until edited.
    void setLocatorAutoFilled(bool autoFilled);
    // The locator field's background: the warning colour, or an invalid colour for the normal one.
    void setLocatorBackground(const QColor& colour);
    bool isLocatorAutoFilled() const;
    // A locator offered from the call list: shown in pale blue italics and not taken by a save
    // until accepted; any other text in the field withdraws the offer. An accepted square stays
    // as typed text, the cursor after it in the locator field, for the last two letters.
    void offerLocator(const QString& locator);
    void acceptOfferedLocator();
    bool isLocatorOffered() const { return m_locatorOffered; }
    // The calls matching the typed one, in a list under the call field; an empty list hides it.
    void showCallMatches(const QStringList& calls);

    static inline const QColor OfferedLocatorColor{100, 150, 230};

    QComboBox* bandList;           // Edit7
    QComboBox* modeList;           // Edit9
    PickComboBox* callEdit;        // Edit2
    QLineEdit* locatorEdit;        // Edit3
    QLineEdit* sentReportEdit;     // Edit10
    QLineEdit* sentNumberEdit;     // Edit1
    QLineEdit* receivedReportEdit; // Edit8
    QLineEdit* receivedNumberEdit; // Edit4
    QDateEdit* dateEdit;           // Edit5
    QTimeEdit* timeEdit;           // Edit6
    QPushButton* saveButton;       // btn1
    DataGrid* earlierContactsGrid; // g2
    QWidget* compassPanel;         // Panel2
    QLabel* compassImage;          // Image2
    TRotateImage* arrowImage;      // Image1
    TDRLabel* distanceLabel;       // LabelKM
    HeadingNeedle* headingNeedle;  // where the antenna points
    QToolButton* turnAntennaButton;
    QLabel* frequencyLabel;
    QLabel* bandModeLabel;    // Label4
    QLabel* callLocatorLabel; // Label2
    QLabel* reportsLabel;     // Label1
    QLabel* dateTimeLabel;    // Label3
    QListWidget* callMatches; // beside the call history: calls of the log and the call list

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeCompass();
    void centreReadout();
    void fitEarlierContactsGrid();
    void showLocatorOffered(bool offered);
    int m_fontSize = 8;
    int m_needleAzimuth = 0;
    std::optional<qint64> m_frequency;
    bool m_locatorOffered = false;
    QString m_offeredLocator;
};

// round(x) with an exact half going to the even neighbour, as every layout figure rounds.
int roundHalfEven(double x);
