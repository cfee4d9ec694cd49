#include "app/application.h"

#include "app/hints.h"
#include "app/logview.h"
#include "app/tfmain.h"
#include "controls/hintbar.h"
#include "platform/ediassociation.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "platform/terminationsignal.h"
#include "store/errors.h"
#include "store/logstore.h"

#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

KovraApplication::KovraApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("kovra"));
    setApplicationVersion(QStringLiteral(KOVRA_VERSION));
    // The desktop finds the menu entry and its icon for the window by this name.
    setDesktopFileName(QString(EdiAssociation::kDesktopId).chopped(int(qstrlen(".desktop"))));
    loadQtTranslations(*this);
}

bool loadQtTranslations(QCoreApplication& app)
{
    // The program speaks Russian whatever the system's language, Qt's own dialogs and
    // buttons too. Without the translations installed they stay in English.
    auto* qtTexts = new QTranslator(&app);
    if (!qtTexts->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qtTexts;
        return false;
    }
    return QCoreApplication::installTranslator(qtTexts);
}

bool KovraApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const KovraError& e) {
        if (m_prompts)
            m_prompts->error(e.boxText());
    } catch (const std::exception& e) {
        if (m_prompts)
            m_prompts->error(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

ProgramOptions parseCommandLine(const QApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kovra log: журнал УКВ соревнований"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Файл базы данных журнала (создаётся, если его нет)."),
                                      QStringLiteral("FILE"));
    parser.addOption(database);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("EDI файл для просмотра."),
                                 QStringLiteral("[file]"));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.process(app);

    ProgramOptions options;
    options.databasePath =
        parser.isSet(database) ? QFileInfo(parser.value(database)).absoluteFilePath() : defaultDatabasePath();
    const QStringList positional = parser.positionalArguments();
    options.fileArgument = positional.isEmpty() ? QString() : positional.first();
    return options;
}

QString defaultDatabasePath(const QString& programDir, const QString& dataDir)
{
    const QString dir = QDir::cleanPath(QFileInfo(programDir).absoluteFilePath()) + QLatin1Char('/');
    // Root can write there too, but a log among the system's files would be lost with the package.
    const bool systemPrefix =
        dir.startsWith(QLatin1String("/usr/")) || dir.startsWith(QLatin1String("/opt/"));
    if (!systemPrefix && QFileInfo(programDir).isWritable())
        return QDir(programDir).filePath(QStringLiteral("Kovra.db"));
    return QDir(dataDir).filePath(QStringLiteral("Kovra.db"));
}

QString defaultDatabasePath()
{
    return defaultDatabasePath(QCoreApplication::applicationDirPath(),
                               QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

std::unique_ptr<LogStore> openLog(const QString& path, Prompts& prompts)
{
    try {
        return std::make_unique<LogStore>(Database::open(path), prompts);
    } catch (const ConnectionError& e) {
        prompts.error(QStringLiteral("Нет соединения с базой данных!"),
                      path + QLatin1Char('\n') + e.message());
        return nullptr;
    }
}

namespace {

// Every open dialog and box gives way, the way Esc would: its caller goes on as after a
// cancel and the stack unwinds to the main loop.
void rejectOpenDialogs()
{
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets())
        windows << window;
    for (const QPointer<QWidget>& window : windows) {
        if (!window || !window->isVisible() || !window->isModal())
            continue;
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->reject();
        else
            window->close();
    }
}

} // namespace

int runKovra(KovraApplication& app, const Services& services, const ProgramOptions& options)
{
    app.setPrompts(&services.prompts);
    // Before anything else: a signal that comes while the log opens waits for the event loop.
    // Whatever is open then, a box at start-up included, gives way, and a box or dialog that
    // its caller opens next gives way too; once the stack is back here the windows close the
    // normal way, so the settings are stored and the last backup is made.
    TerminationSignal termination;
    bool ending = false;
    QTimer sweeper;
    sweeper.setInterval(20);
    QObject::connect(&sweeper, &QTimer::timeout, &app, &rejectOpenDialogs);
    QObject::connect(&termination, &TerminationSignal::received, &app, [&] {
        ending = true;
        rejectOpenDialogs();
        sweeper.start();
        app.quit(); // every event loop running now, the main one included
    });
    HintTracker hints(app);
    std::unique_ptr<LogStore> store = openLog(options.databasePath, services.prompts);
    if (!store)
        return 1;
    Tfmain window(*store, services, options.fileArgument);
    QObject::connect(&hints, &HintTracker::hintChanged, window.logView()->hintBar(), &HintBar::showHover);
    window.show();
    const int code = ending ? 0 : app.exec();
    if (ending)
        QApplication::closeAllWindows();
    app.setPrompts(nullptr);
    return code;
}
