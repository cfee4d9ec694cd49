#pragma once

#include <QLabel>

#include <utility>
#include <vector>

// The hint bar under the log: the hint of the control under the mouse, and while there is
// none, the newest message that a part of the program left there (a backup or rotator
// failure, the moved-station warning). A hint passing by never wipes such a message.
class HintBar : public QLabel
{
    Q_OBJECT
public:
    explicit HintBar(QWidget* parent = nullptr);

    // The hint of the control under the mouse; empty when it has none.
    void showHover(const QString& hint);
    // The message of one source, shown at once; an empty text withdraws that source's message.
    void setStatus(const QString& source, const QString& text);

    // The message a source has standing; empty when none.
    QString status(const QString& source) const;

private:
    QString newestStatus() const;

    QString m_hover;
    std::vector<std::pair<QString, QString>> m_statuses; // source and text, oldest first
};
