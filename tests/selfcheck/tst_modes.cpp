#include <QDir>
#include <QElapsedTimer>
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
    qint64 milliseconds = 0;
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
    QElapsedTimer clock;
    clock.start();
    program.start(QStringLiteral(BRISOMAR_PROGRAM), args);
    Outcome outcome;
    if (!program.waitForFinished(240'000)) {
        program.kill();
        program.waitForFinished();
        return outcome;
    }
    outcome.milliseconds = clock.elapsed();
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
    void localSuitePassesAndReportsEveryCheck();
    void socialSuiteOfflineRecordsEachPlatform();
    void liveSuiteOfflineEndsThroughItsErrorPath();
};

void TestModes::localSuitePassesAndReportsEveryCheck()
{
    QTemporaryDir scratch;
    const QString root = scratch.filePath(u"not/yet/there"_s);
    const Outcome run = runProgram({ u"--self-test"_s }, { { u"BRISOMAR_TEST_ROOT"_s, root } });
    qInfo("--self-test took %lld ms", run.milliseconds);
    QVERIFY2(run.status == 0, qPrintable(run.lines.join(u'\n')));

    const QJsonObject report = readJson(QDir(root).filePath(u"report.json"_s)).object();
    QCOMPARE(report.value(u"mode"_s).toString(), u"local-self-test"_s);
    QCOMPARE(report.value(u"passed"_s), QJsonValue(true));
    QVERIFY(report.value(u"tools"_s).toString().startsWith(u"yt-dlp "_s));

    QMap<QString, int> counts;
    QStringList checkLines;
    for (const QJsonValue& value : report.value(u"checks"_s).toArray()) {
        const QJsonObject check = value.toObject();
        QVERIFY2(check.value(u"passed"_s) == QJsonValue(true), qPrintable(check.value(u"name"_s).toString()));
        ++counts[check.value(u"name"_s).toString()];
        checkLines.append(u"PASS "_s + check.value(u"name"_s).toString() + u' ' + check.value(u"detail"_s).toString());
    }
    const QMap<QString, int> expected {
        { u"Herramientas incluidas funcionan sin Python ni Homebrew en PATH"_s, 1 },
        { u"yt-dlp acepta el motor de JavaScript"_s, 1 },
        { u"URL permitida"_s, 4 },
        { u"URL inválida rechazada"_s, 6 },
        { u"Enlace social reconocido"_s, 9 },
        { u"Perfil o enlace ajeno rechazado"_s, 8 },
        { u"X y Twitter normalizan al mismo origen sin tracking"_s, 1 },
        { u"Carrusel distingue videos y conserva URL pública"_s, 1 },
        { u"Redirección a otro proveedor rechazada"_s, 1 },
        { u"IDs iguales entre redes no mezclan caché ni descargas"_s, 1 },
        { u"Historial 1.0 conserva identidad y ubicación de originales"_s, 1 },
        { u"Instagram sin duración ni códec conserva formatos y confirma al descargar"_s, 1 },
        { u"Audio social se convierte y reutiliza el original por plataforma"_s, 1 },
        { u"Selector mantiene el clip elegido"_s, 1 },
        { u"Cambiar enlace bloquea descargar metadatos anteriores"_s, 1 },
        { u"Cambiar enlace limpia selección anterior"_s, 1 },
        { u"Motor real: audio combinado, clip exacto y video silencioso MP4/MKV"_s, 1 },
        { u"Shorts usa el lado corto para la resolución"_s, 1 },
        { u"Nombres seguros y acotados"_s, 1 },
        { u"Conversión real mp3"_s, 1 },
        { u"Conversión real m4a"_s, 1 },
        { u"Conversión real opus"_s, 1 },
        { u"Conversión real flac"_s, 1 },
        { u"Conversión real wav"_s, 1 },
        { u"Conversión real original"_s, 1 },
        { u"Versión ya descargada no se repite"_s, 1 },
        { u"Reabrir conserva historial e interrumpe trabajos sin autoplay"_s, 1 },
        { u"Archivo borrado se detecta y permite reintentar"_s, 1 },
        { u"Proceso hijo de prueba iniciado"_s, 1 },
        { u"Cancelación del motor confirmada"_s, 1 },
        { u"Cancelar también termina los procesos hijos"_s, 1 },
        { u"Caché mide originales"_s, 1 },
        { u"Vaciar caché conserva las descargas finales"_s, 1 },
    };
    QCOMPARE(counts, expected);

    // One line per check, in the report's order; the engine's own lines between them.
    QStringList printed = run.lines;
    QCOMPARE(printed.takeLast(), u"PASS %1 comprobaciones · %2"_s.arg(checkLines.size()).arg(root));
    const QStringList mp4Lines = printed.filter(QRegularExpression(u"^PASS MP4 nativo desde "_s));
    QCOMPARE(mp4Lines.size(), 3);
    for (const QString& line : mp4Lines)
        printed.removeOne(line);
    QCOMPARE(printed, checkLines);
}

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
