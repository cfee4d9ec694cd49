#include "controls/pickcombobox.h"

#include <QKeyEvent>

PickComboBox::PickComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (!m_fromList)
            return;
        m_fromList = false;
        emit picked(index);
    });
}

void PickComboBox::showPopup()
{
    m_fromList = true;
    QComboBox::showPopup();
}

void PickComboBox::focusOutEvent(QFocusEvent* event)
{
    m_fromList = false;
    QComboBox::focusOutEvent(event);
}

void PickComboBox::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    m_fromList = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    QComboBox::keyPressEvent(event);
}
