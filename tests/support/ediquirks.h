#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Small EDI files as other loggers and people write them, each with one way in which its
// contact lines stray from the format, and the contacts a person reads in it.
struct EdiQuirk
{
    const char* name;
    QString text;
    // Each as "yyyy-MM-dd hh:mm call locator mode sentReport sentNumber receivedReport
    // receivedNumber", in the file's order.
    QStringList contacts;
};

QList<EdiQuirk> ediQuirks();
