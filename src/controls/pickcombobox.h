#pragma once

#include <QComboBox>

// An editable combo box that tells a pick from its list apart from typing: picked() comes
// when the operator chooses from the drop-down list or steps through it with the arrow
// keys, never when a typed text happens to match an entry as the focus leaves.
class PickComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit PickComboBox(QWidget* parent = nullptr);
    void showPopup() override;

signals:
    void picked(int index);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_fromList = false;
};
