#pragma once

#include "exchange/edifile.h"

#include <QStringList>

class LogStore;

// What the export takes from the main window.
struct EdiExportInput
{
    QString ownCall;
    QString ownLocator;
    QString contestName;
    qint32 contestId = 0;
    bool namedByRowid = false; // SaveOptionsFileName 1: C_144.edi; 0: C_1.edi
    bool oem = false;          // SaveOptionsFormat 1: the listed values in CP866
    bool iaru = false;         // EdiFileVariant 1: the IARU REG1TEST variant, in ASCII
    bool checklog = false;     // EdiChecklog 1: the IARU file's section is CHECKLOG
};

struct EdiExportResult
{
    QStringList written;    // the files, in band order
    QString error;          // the file that could not be written and why; empty when all went well
    QStringList changed;    // lines and contacts where a character became "?"
    QStringList longLines;  // header lines of the IARU variant over 75 characters, written whole
    QStringList unreadable; // header values of the IARU variant it could not read, left empty
};

// Writes the current contest's log as one EDI file per band with contacts into `folder`
// (which ends with "/"). Each file goes to a temporary file beside it and replaces the old
// one only when complete, so a failed write leaves an older file as it was.
class EdiExport
{
public:
    explicit EdiExport(LogStore& store) : m_store(store) {}

    // The station's data from the personal data, as the header writes it.
    EdiStation station(const EdiExportInput& input);
    EdiExportResult exportTo(const QString& folder, const EdiExportInput& input);

    // The own call as a file name holds it: "/" and "\" become "_".
    static QString fileNameCall(const QString& call);

private:
    LogStore& m_store;
};
