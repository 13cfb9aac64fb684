#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// The program as a user starts it: its exit status and standard output. The live
// suites meet a proxy that refuses every connection, so they see no network
// whatever the machine has.
QPair<int, QString> runProgram(const QStringList& args, const QString& variable, const QString& value)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"BRISOMAR_TEST_ROOT"_s);
    environment.remove(u"NO_PROXY"_s);
    environment.remove(u"no_proxy"_s);
    for (const QString& name : { u"HTTPS_PROXY"_s, u"HTTP_PROXY"_s, u"ALL_PROXY"_s, u"https_proxy"_s, u"http_proxy"_s })
        environment.insert(name, u"http://127.0.0.1:9"_s);
    environment.insert(variable, value);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(BRISOMAR_PROGRAM), args);
    if (!program.waitForFinished(240'000))
        program.kill();
    program.waitForFinished();
    const int status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    return { status, QString::fromUtf8(program.readAllStandardOutput()) };
}

} // namespace

class TestModes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void liveSuiteOfflineEndsThroughItsErrorPath();
    void selfTestRunsAgainInItsRoot();
};

void TestModes::liveSuiteOfflineEndsThroughItsErrorPath()
{
    QTemporaryDir temporary;
    // Both switches give the live suite; without a root it makes a fresh one in the temporary directory.
    const auto [status, output] = runProgram({ u"--self-test"_s, u"--live-test"_s }, u"TMPDIR"_s, temporary.path());
    QCOMPARE(status, 1);
    const QStringList made = QDir(temporary.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(made.size(), 1);

    QFile file(temporary.filePath(made[0] + u"/report.json"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject report = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(report[u"mode"_s].toString(), u"live-youtube"_s);
    QCOMPARE(report[u"passed"_s], QJsonValue(false));
    const QJsonArray checks = report[u"checks"_s].toArray();
    QCOMPARE(
        checks.first()[u"name"_s].toString(), u"Herramientas incluidas funcionan sin Python ni Homebrew en PATH"_s);
    QCOMPARE(checks.last()[u"name"_s].toString(), u"Ejecución"_s);
    QCOMPARE(checks.last()[u"passed"_s], QJsonValue(false));
    // The user's sentence, then the full description, end the output.
    const QString detail = checks.last()[u"detail"_s].toString();
    QVERIFY(!detail.isEmpty());
    QVERIFY2(output.endsWith(u'\n' + detail + u'\n') && output.contains(u"\nFAIL "_s), qPrintable(output));
}

// A second run in the same root meets none of the first one's history or
// downloads: it passes again, and no copy of a saved file appears.
void TestModes::selfTestRunsAgainInItsRoot()
{
    QTemporaryDir root;
    for (int run = 1; run <= 2; ++run) {
        const auto [status, output] = runProgram({ u"--self-test"_s }, u"BRISOMAR_TEST_ROOT"_s, root.path());
        QVERIFY2(status == 0, qPrintable(u"run %1:\n"_s.arg(run) + output));
        // Checks that run beside others still print in their turn.
        const QStringList lines = output.split(u'\n');
        const auto at = [&](const QString& start) {
            return lines.indexOf(QRegularExpression(u"PASS "_s + QRegularExpression::escape(start) + u".*"_s));
        };
        QCOMPARE(at(u"yt-dlp acepta"_s), 1);
        QVERIFY(at(u"Cambiar enlace limpia"_s) + 1 == at(u"MP4 nativo desde own-combined"_s));
        QVERIFY(at(u"Motor real"_s) + 1 == at(u"Shorts usa"_s));
    }
    QDirIterator files(root.path(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString name = files.next();
        QVERIFY2(!name.contains(u" (2)."_s), qPrintable(name));
    }
}

QTEST_GUILESS_MAIN(TestModes)
#include "tst_modes.moc"
