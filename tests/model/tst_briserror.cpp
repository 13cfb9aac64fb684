#include "BrisError.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestBrisError : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void processDescription_data();
    void processDescription();
    void otherCases();
};

void TestBrisError::processDescription_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("expected");

    const QString signIn = u"La plataforma pide iniciar sesión o restringe este contenido. Probá con un video público "
                           u"disponible. Brisomar no usa tus cuentas ni cookies."_s;
    const QString refused = u"La plataforma rechazó la descarga. Esperá un momento y reintentá."_s;
    QTest::newRow("cancel in capitals") << u"ERROR: CANCELLED by user"_s << u"Operación cancelada."_s;
    QTest::newRow("sign in") << u"ERROR: Sign in to confirm your age"_s << signIn;
    QTest::newRow("sign in wins over 403") << u"HTTP Error 403: Sign in required"_s << signIn;
    QTest::newRow("drm any case") << u"this video is drm protected"_s << signIn;
    QTest::newRow("not a bot") << u"confirm you're NOT A BOT"_s << signIn;
    QTest::newRow("http 403") << u"HTTP Error 403: Forbidden"_s << refused;
    QTest::newRow("http 429") << u"HTTP Error 429: Too Many Requests"_s << refused;
    const QString longOutput = QString(300, u'a') + QString(500, u'b');
    QTest::newRow("800 chars keep last 500") << longOutput << u"No se pudo completar la operación. "_s + QString(500, u'b');
    QTest::newRow("short output whole") << u"boom"_s << u"No se pudo completar la operación. boom"_s;
}

void TestBrisError::processDescription()
{
    QFETCH(QString, output);
    QFETCH(QString, expected);
    QCOMPARE(BrisError::process(output).errorDescription(), expected);
}

void TestBrisError::otherCases()
{
    QCOMPARE(BrisError::message(u"Hola."_s).errorDescription(), u"Hola."_s);
    QCOMPARE(BrisError::cancelled().errorDescription(), u"Descarga cancelada. Podés reintentar cuando quieras."_s);
    // Any error that reaches the surface has a sentence, whatever its type.
    QCOMPARE(errorDescription(std::make_exception_ptr(BrisError::cancelled())),
             u"Descarga cancelada. Podés reintentar cuando quieras."_s);
    QCOMPARE(errorDescription(std::make_exception_ptr(SystemError(u"No hay disco."_s))), u"No hay disco."_s);
}

QTEST_GUILESS_MAIN(TestBrisError)
#include "tst_briserror.moc"
