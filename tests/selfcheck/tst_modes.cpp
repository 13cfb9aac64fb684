#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Outcome
{
    int status = -1;
    QString output;
    QStringList lines;
};

// The program as a user starts it. The live suites meet a proxy that refuses
// every connection, so they see no network whatever the machine has.
Outcome runProgram(const QStringList& args, const QMap<QString, QString>& variables)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"BRISOMAR_TEST_ROOT"_s);
    for (const QString& name : { u"HTTPS_PROXY"_s, u"HTTP_PROXY"_s, u"ALL_PROXY"_s, u"https_proxy"_s, u"http_proxy"_s })
        environment.insert(name, u"http://127.0.0.1:9"_s);
    environment.remove(u"NO_PROXY"_s);
    environment.remove(u"no_proxy"_s);
    for (auto it = variables.begin(); it != variables.end(); ++it)
        environment.insert(it.key(), it.value());

    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.start(QStringLiteral(BRISOMAR_PROGRAM), args);
    Outcome outcome;
    if (!program.waitForFinished(240'000)) {
        program.kill();
        program.waitForFinished();
        return outcome;
    }
    outcome.status = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    outcome.output = QString::fromUtf8(program.readAllStandardOutput());
    outcome.lines = outcome.output.split(u'\n', Qt::SkipEmptyParts);
    return outcome;
}

QJsonDocument readJson(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    return error.error == QJsonParseError::NoError ? document : QJsonDocument();
}

} // namespace

class TestModes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void socialSuiteOfflineRecordsEachPlatform();
    void liveSuiteOfflineEndsThroughItsErrorPath();
};

void TestModes::socialSuiteOfflineRecordsEachPlatform()
{
    QTemporaryDir root;
    // Given both switches, the social suite runs: it is looked for first.
    const Outcome run = runProgram({ u"--self-test"_s, u"--social-test"_s },
        { { u"BRISOMAR_TEST_ROOT"_s, root.path() }, { u"BRISOMAR_LIVE_BUDGET"_s, u"30"_s } });
    QCOMPARE(run.status, 1);
    QCOMPARE(run.lines.size(), 3);
    const QStringList platforms { u"facebook"_s, u"instagram"_s, u"twitter"_s };
    for (int i = 0; i < 3; ++i)
        QVERIFY2(run.lines[i].startsWith(u"UNAVAILABLE "_s + platforms[i] + u": "_s), qPrintable(run.lines[i]));
    QVERIFY(!QFile::exists(root.filePath(u"report.json"_s)));

    const QJsonDocument report = readJson(root.filePath(u"social-report.json"_s));
    QVERIFY(report.isArray());
    const QJsonArray results = report.array();
    QCOMPARE(results.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject result = results[i].toObject();
        const QStringList keys = result.keys();
        QCOMPARE(QSet<QString>(keys.cbegin(), keys.cend()),
            (QSet<QString> { u"platform"_s, u"url"_s, u"metadata"_s, u"error"_s }));
        QCOMPARE(result.value(u"platform"_s).toString(), platforms[i]);
        QVERIFY(result.value(u"url"_s).toString().startsWith(u"https://"_s));
        QCOMPARE(result.value(u"metadata"_s), QJsonValue(false));
        QCOMPARE(u"UNAVAILABLE "_s + platforms[i] + u": "_s + result.value(u"error"_s).toString(), run.lines[i]);
    }
}

void TestModes::liveSuiteOfflineEndsThroughItsErrorPath()
{
    QTemporaryDir temporary;
    // Both switches give the live suite; without a root it makes a fresh one in the temporary directory.
    const Outcome run = runProgram({ u"--self-test"_s, u"--live-test"_s }, { { u"TMPDIR"_s, temporary.path() } });
    QCOMPARE(run.status, 1);

    const QStringList made = QDir(temporary.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(made.size(), 1);
    QVERIFY2(QRegularExpression(u"^Brisomar-QA-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"_s).match(made[0]).hasMatch(),
        qPrintable(made[0]));

    const QJsonObject report = readJson(temporary.filePath(made[0] + u"/report.json"_s)).object();
    QCOMPARE(report.value(u"mode"_s).toString(), u"live-youtube"_s);
    QCOMPARE(report.value(u"passed"_s), QJsonValue(false));
    QCOMPARE(report.value(u"tools"_s).toString(), QString());
    const QJsonArray checks = report.value(u"checks"_s).toArray();
    QCOMPARE(
        checks.first()[u"name"_s].toString(), u"Herramientas incluidas funcionan sin Python ni Homebrew en PATH"_s);
    const QJsonObject last = checks.last().toObject();
    QCOMPARE(last.value(u"name"_s).toString(), u"Ejecución"_s);
    QCOMPARE(last.value(u"passed"_s), QJsonValue(false));

    // The user's sentence, then the full description, end the output.
    const QString detail = last.value(u"detail"_s).toString();
    QVERIFY(!detail.isEmpty());
    QVERIFY2(run.output.endsWith(u'\n' + detail + u'\n'), qPrintable(run.output));
    QVERIFY(run.output.contains(u"\nFAIL "_s));
}

QTEST_GUILESS_MAIN(TestModes)
#include "tst_modes.moc"
