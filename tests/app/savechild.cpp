// Saves one contact through the main window on the log file it is given, says so on its
// standard output as soon as the grid shows the contact, and waits to be killed.
#include "app/contactentry.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/pickcombobox.h"
#include "logging/entrypanel.h"
#include "store/logstore.h"
#include "support/fakes.h"
#include "support/windowtest.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    FakeServices fakes;
    LogStore store(Database::open(QString::fromLocal8Bit(argv[1])), fakes.prompts);
    Tfmain window(store, fakes.services);
    window.show();
    EntryPanel* entry = window.entryPanel();
    WindowTest::chooseInList(entry->bandList, 0);
    entry->modeList->setCurrentIndex(1);
    entry->callEdit->setEditText(QStringLiteral("UA3KIL"));
    entry->receivedNumberEdit->setText(QStringLiteral("17"));
    entry->locatorEdit->setText(QStringLiteral("KO95AA"));
    entry->saveButton->click();
    if (window.logView()->log().rowCount() != 1)
        return 1;
    std::printf("SAVED\n");
    std::fflush(stdout);
    return app.exec();
}
