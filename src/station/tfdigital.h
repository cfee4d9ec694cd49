#pragma once

#include <QDialog>

class LogStore;
class Prompts;
class QCheckBox;
class QSpinBox;

// "Цифровые виды": the UDP port WSJT-X reports to, whether contacts are taken from it, and
// whether repeats are highlighted in WSJT-X.
class Tfdigital : public QDialog
{
    Q_OBJECT
public:
    Tfdigital(LogStore& store, Prompts& prompts, QWidget* parent = nullptr);

    QSpinBox* portEdit;
    QCheckBox* onBox;
    QCheckBox* highlightBox;

private:
    void save();

    LogStore& m_store;
    Prompts& m_prompts;
};
