#pragma once

#include <QApplication>

#include <memory>

class LogStore;
class Prompts;
struct Services;

// The application object. An error that no handler caught ends the current operator
// action with its message in a box; the program goes on.
class KovraApplication : public QApplication
{
public:
    KovraApplication(int& argc, char** argv);
    void setPrompts(Prompts* prompts) { m_prompts = prompts; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    Prompts* m_prompts = nullptr;
};

// Qt's own texts (dialog buttons, file dialogs) in Russian; false when they are not installed.
bool loadQtTranslations(QCoreApplication& app);

struct ProgramOptions
{
    QString databasePath; // the log file
    QString fileArgument; // an EDI file to view, as given
};

// --database FILE and the file to view; --help and --version print and end the program.
ProgramOptions parseCommandLine(const QApplication& app);

// Where the log lives unless --database names a file: beside the program when its folder
// can be written and is not part of the system (under /usr or /opt, where a package put
// it), otherwise in the user's data folder.
QString defaultDatabasePath(const QString& programDir, const QString& dataDir);
QString defaultDatabasePath();

// The log store on the file, or none after the box "Нет соединения с базой данных!".
std::unique_ptr<LogStore> openLog(const QString& path, Prompts& prompts);

// The main window over the log, until it is closed. Returns the exit code.
int runKovra(KovraApplication& app, const Services& services, const ProgramOptions& options);
