#include "platform/ediassociation.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The *.edi association checked with the desktop's own tools, in folders of the test's own
// so that nothing installed on the machine answers instead.
class TestEdiAssociation : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void execArgument_data();
    void execArgument();
    void installAndRemoveWithTheDesktopTools();
    void removeLeavesAnotherProgramsChoice();
    void linkedListStaysALink();
    void thePackageDeclaresTheSameType();

private:
    QString xdgMime(const QStringList& arguments);
    QString mimeApps() const;
    void writeMimeApps(const QByteArray& text) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    EdiAssociation::Folders m_folders;
};

void TestEdiAssociation::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_folders = {m_dir->filePath("data"), m_dir->filePath("config")};
    qputenv("XDG_DATA_HOME", m_folders.dataHome.toUtf8());
    qputenv("XDG_CONFIG_HOME", m_folders.configHome.toUtf8());
    QDir().mkpath(m_dir->filePath("system-data"));
    QDir().mkpath(m_dir->filePath("system-config"));
    qputenv("XDG_DATA_DIRS", m_dir->filePath("system-data").toUtf8());
    qputenv("XDG_CONFIG_DIRS", m_dir->filePath("system-config").toUtf8());
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DESKTOP_SESSION");
}

void TestEdiAssociation::execArgument_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("argument");
    QTest::newRow("plain") << "/usr/bin/kovra"
                           << "\"/usr/bin/kovra\"";
    QTest::newRow("blank") << "/opt/my kovra/kovra"
                           << "\"/opt/my kovra/kovra\"";
    // "$" and "\" escaped inside the quotes, then every "\" doubled; "%" doubled.
    QTest::newRow("reserved") << "/home/a$b/c\\d/50%/kovra"
                              << "\"/home/a\\\\$b/c\\\\\\\\d/50%%/kovra\"";
    QTest::newRow("quote") << "/x\"y/kovra"
                           << "\"/x\\\\\"y/kovra\"";
}

void TestEdiAssociation::execArgument()
{
    QFETCH(QString, path);
    QFETCH(QString, argument);
    QCOMPARE(EdiAssociation::execArgument(path), argument);
}

QString TestEdiAssociation::xdgMime(const QStringList& arguments)
{
    QProcess process;
    process.start("xdg-mime", arguments);
    if (!process.waitForFinished(30000))
        return "xdg-mime did not run: " + process.errorString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QString TestEdiAssociation::mimeApps() const
{
    QFile file(m_folders.configHome + "/mimeapps.list");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void TestEdiAssociation::writeMimeApps(const QByteArray& text) const
{
    QDir().mkpath(m_folders.configHome);
    QFile file(m_folders.configHome + "/mimeapps.list");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void TestEdiAssociation::installAndRemoveWithTheDesktopTools()
{
    const QByteArray others = "[Default Applications]\n"
                              "text/plain=org.gnome.TextEditor.desktop\n"
                              "\n"
                              "[Added Associations]\n"
                              "image/png=gimp.desktop;\n";
    writeMimeApps(others);
    QFile edi(m_dir->filePath("contest.edi"));
    QVERIFY(edi.open(QIODevice::WriteOnly));
    edi.write("[REG1TEST;1]\r\nPCall=RK3AW\r\n");
    edi.close();

    QCOMPARE(EdiAssociation::install(m_folders, "/opt/kovra log/kovra"), QString());
    QFile entry(m_folders.dataHome + "/applications/" + EdiAssociation::kDesktopId);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray written = entry.readAll();
    QVERIFY(written.contains("\nExec=\"/opt/kovra log/kovra\" %f\n")); // the file, first argument
    QVERIFY(written.contains("\nIcon=io.github.kovralog.Kovra\n"));    // the packaged icon, if installed
    QCOMPARE(xdgMime({"query", "filetype", edi.fileName()}), EdiAssociation::kMimeType);
    QCOMPARE(xdgMime({"query", "default", EdiAssociation::kMimeType}), EdiAssociation::kDesktopId);
    QVERIFY2(QProcess::execute("desktop-file-validate",
                               {m_folders.dataHome + "/applications/" + EdiAssociation::kDesktopId}) == 0,
             "the desktop entry is not valid");
    QCOMPARE(mimeApps(), "[Default Applications]\n"
                         "text/x-reg1test=io.github.kovralog.Kovra.desktop\n"
                         "text/plain=org.gnome.TextEditor.desktop\n"
                         "\n"
                         "[Added Associations]\n"
                         "image/png=gimp.desktop;\n");

    QCOMPARE(EdiAssociation::remove(m_folders), QString());
    QCOMPARE(xdgMime({"query", "default", EdiAssociation::kMimeType}), QString());
    QVERIFY(xdgMime({"query", "filetype", edi.fileName()}) != EdiAssociation::kMimeType);
    QCOMPARE(mimeApps(), QString::fromUtf8(others));
    // Nothing there any more: still no error.
    QCOMPARE(EdiAssociation::remove(m_folders), QString());
}

void TestEdiAssociation::removeLeavesAnotherProgramsChoice()
{
    const QByteArray chosen = "[Default Applications]\ntext/x-reg1test=other.desktop;\n";
    writeMimeApps(chosen);
    QCOMPARE(EdiAssociation::remove(m_folders), QString());
    QCOMPARE(mimeApps(), QString::fromUtf8(chosen));
}

// A mimeapps.list kept elsewhere and linked in (as dotfile managers do) stays linked.
void TestEdiAssociation::linkedListStaysALink()
{
    QDir().mkpath(m_folders.configHome);
    const QString kept = m_dir->filePath("dotfiles-mimeapps.list");
    QFile target(kept);
    QVERIFY(target.open(QIODevice::WriteOnly));
    target.write("[Default Applications]\ntext/plain=editor.desktop\n");
    target.close();
    QVERIFY(QFile::link(kept, m_folders.configHome + "/mimeapps.list"));
    QCOMPARE(EdiAssociation::install(m_folders, "/usr/bin/kovra"), QString());
    QVERIFY(QFileInfo(m_folders.configHome + "/mimeapps.list").isSymLink());
    QVERIFY(
        mimeApps().contains("text/x-reg1test=io.github.kovralog.Kovra.desktop\ntext/plain=editor.desktop\n"));
}

void TestEdiAssociation::thePackageDeclaresTheSameType()
{
    // The installed package and "Установить" must agree, or the desktop would know two types.
    QCOMPARE(EdiAssociation::install(m_folders, "/usr/bin/kovra"), QString());
    const QString id = QString(EdiAssociation::kDesktopId).chopped(int(qstrlen(".desktop")));
    QFile ours(m_folders.dataHome + "/mime/packages/" + id + ".xml");
    QFile packaged(QStringLiteral(KOVRA_PACKAGING_DIR) + "/" + id + ".xml");
    QVERIFY(ours.open(QIODevice::ReadOnly) && packaged.open(QIODevice::ReadOnly));
    QCOMPARE(packaged.readAll(), ours.readAll());
    QFile entry(QStringLiteral(KOVRA_PACKAGING_DIR) + "/" + EdiAssociation::kDesktopId);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QVERIFY(entry.readAll().contains("\nMimeType=" + EdiAssociation::kMimeType.toUtf8() + ";\n"));
}

QTEST_GUILESS_MAIN(TestEdiAssociation)
#include "tst_ediassociation.moc"
