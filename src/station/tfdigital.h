#pragma once

#include <QDialog>

class LogStore;
class Prompts;
class QCheckBox;
class QLineEdit;
class QSpinBox;

// "Цифровые виды": the UDP address and port WSJT-X reports to, whether contacts are taken from it, and
// whether repeats are highlighted in WSJT-X.
class Tfdigital : public QDialog
{
    Q_OBJECT
public:
    Tfdigital(LogStore& store, Prompts& prompts, QWidget* parent = nullptr);

    QLineEdit* addressEdit;
    QSpinBox* portEdit;
    QCheckBox* onBox;
    QCheckBox* highlightBox;

private:
    // Stores the settings; an address that is none is said and nothing is stored.
    bool save();

    LogStore& m_store;
    Prompts& m_prompts;
};
