#include "BrisError.h"

#include <QStringList>
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

// Real yt-dlp 2026.11.23 output: from runs without a network, or put together from its extractors'
// own messages as its ExtractorError and report_error format them. Each row names the extractor.
void TestBrisError::processDescription_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("expected");

    const QString signIn = u"La plataforma pide iniciar sesión o restringe este contenido. Probá con un video público "
                           u"disponible. Brisomar no usa tus cuentas ni cookies."_s;
    const QString offline = u"No hay conexión con la plataforma. Revisá tu conexión a internet y reintentá."_s;
    const QString refused = u"La plataforma rechazó la descarga. Esperá un momento y reintentá."_s;
    const QString failed = u"No se pudo completar la operación. "_s;
    const QString cookiesHint = u"Use --cookies-from-browser or --cookies for the authentication. See  "
                                u"https://github.com/yt-dlp/yt-dlp/wiki/FAQ#how-do-i-pass-cookies-to-yt-dlp  for how "
                                u"to manually pass cookies"_s;
    const QString bugReport = u"please report this issue on  https://github.com/yt-dlp/yt-dlp/issues?q= , filling out "
                              u"the appropriate issue template. Confirm you are on the latest version using  yt-dlp -U"_s;
    const QString resolveFailed = u"HTTPSConnection(host='www.youtube.com', port=443): Failed to resolve "
                                  u"'www.youtube.com' ([Errno -2] Name or service not known)"_s;
    const QString ytRetry = u"WARNING: [youtube] "_s + resolveFailed + u". Retrying (1/1)..."_s;
    const QString resolveCause = resolveFailed + u" (caused by TransportError(\""_s + resolveFailed + u"\"))"_s;
    const QString ejsWarning = u"WARNING: [youtube] dQw4w9WgXcQ: %1 solving failed: Some formats may be missing. "
                               u"Ensure you have a supported JavaScript runtime and challenge solver script "
                               u"distribution installed. Review any warnings presented before this message. For "
                               u"more details, refer to  https://github.com/yt-dlp/yt-dlp/wiki/EJS"_s;
    const QString imagesOnly = u"WARNING: Only images are available for download. use --list-formats to see them"_s;
    const QString noFormat = u"Requested format is not available. Use --list-formats for a list of available formats"_s;

    QTest::newRow("cancel in capitals") << u"ERROR: CANCELLED by user"_s << u"Operación cancelada."_s;
    QTest::newRow("http downloader: disk full")
        << u"ERROR: unable to write data: [Errno 28] No space left on device"_s
        << u"No hay suficiente espacio libre en la carpeta elegida. Elegí otro destino o liberá espacio."_s;
    QTest::newRow("youtube: not a bot")
        << u"ERROR: [youtube] dQw4w9WgXcQ: Sign in to confirm you’re not a bot. "_s + cookiesHint
            + u". Also see  https://github.com/yt-dlp/yt-dlp/wiki/Extractors#exporting-youtube-cookies  for tips on "
              u"effectively exporting YouTube cookies"_s
        << signIn;
    QTest::newRow("sign in wins over 403") << u"HTTP Error 403: Sign in required"_s << signIn;
    QTest::newRow("instagram: registered users only")
        << u"ERROR: [Instagram] DRr0P5kEw8YmvJXjQdi3fMvVxHsRWQ5C3qFxU80: This content is only available for "
           u"registered users who follow this account. "_s + cookiesHint
        << signIn;
    // Asks for cookies and for a bug report at once; a login wall is the likelier cause.
    QTest::newRow("facebook: no video found")
        << u"ERROR: [facebook] 1417995061575415: No video found. Check if this post is accessible in your browser "
           u"without being logged-in. If it is not, then u"_s + cookiesHint.mid(1)
            + u". Otherwise, if the post is accessible in browser without being logged-in, "_s + bugReport
        << signIn;
    QTest::newRow("youtube: no name resolution, run offline")
        << QStringList { ytRetry,
               u"WARNING: [youtube] dQw4w9WgXcQ: Unable to download webpage: "_s + resolveCause
                   + u". Giving up after 1 retries"_s,
               ytRetry, u"ERROR: [youtube] dQw4w9WgXcQ: Unable to download API page: "_s + resolveCause }
               .join(u'\n')
        << offline;
    // The id holds "429", which must not pass for a rate limit.
    QTest::newRow("facebook: no name resolution, run offline")
        << u"ERROR: [facebook] 1042938475610429: Unable to download webpage: HTTPSConnection(host='www.facebook.com', "
           u"port=443): Failed to resolve 'www.facebook.com' ([Errno -2] Name or service not known) (caused by "
           u"TransportError(\"HTTPSConnection(host='www.facebook.com', port=443): Failed to resolve "
           u"'www.facebook.com' ([Errno -2] Name or service not known)\"))"_s
        << offline;
    QTest::newRow("instagram: proxy refuses, run offline")
        << u"ERROR: [Instagram] DRr0P5kEw8Y: Unable to download webpage: ('Unable to connect to proxy', "
           u"NewConnectionError(\"HTTPSConnection(host='127.0.0.1', port=9): Failed to establish a new connection: "
           u"[Errno 111] Connection refused\")) (caused by ProxyError('(\\'Unable to connect to proxy\\', "
           u"NewConnectionError(\"HTTPSConnection(host=\\'127.0.0.1\\', port=9): Failed to establish a new "
           u"connection: [Errno 111] Connection refused\"))')); "_s + bugReport
        << offline;
    QTest::newRow("youtube: 403 on the media")
        << u"ERROR: unable to download video data: HTTP Error 403: Forbidden"_s << refused;
    QTest::newRow("youtube: 429 on the API")
        << u"ERROR: [youtube] dQw4w9WgXcQ: Unable to download API page: HTTP Error 429: Too Many Requests (caused by "
           u"<HTTPError 429: Too Many Requests>)"_s
        << refused;
    QTest::newRow("instagram: unable to extract")
        << u"ERROR: [Instagram] DRr0P5kEw8Y: Unable to extract LSD token; "_s + bugReport
        << u"La plataforma cambió y el motor todavía no la entiende. Volvé a instalar Brisomar para actualizarlo."_s;
    // A warning the tool survived neither classifies the failure nor keeps its bug-report advice.
    QTest::newRow("facebook: warning with advice, then no format")
        << u"WARNING: [facebook] unable to extract uploader; "_s + bugReport
            + u"\nERROR: [facebook] 1417995061575415: "_s + noFormat
        << failed + u"WARNING: [facebook] unable to extract uploader\nERROR: [facebook] 1417995061575415: "_s
            + noFormat;
    QTest::newRow("youtube: 811 chars open on a whole line")
        << QStringList { ejsWarning.arg(u"Signature"_s), ejsWarning.arg(u"n challenge"_s), imagesOnly,
               u"ERROR: [youtube] dQw4w9WgXcQ: "_s + noFormat }
               .join(u'\n')
        << failed + imagesOnly + u"\nERROR: [youtube] dQw4w9WgXcQ: "_s + noFormat;
    const QString longLine = QString(300, u'a') + QString(500, u'b');
    QTest::newRow("one 800-char line keeps its raw last 500") << longLine << failed + QString(500, u'b');
    QTest::newRow("youtube: short output whole")
        << u"ERROR: [youtube] dQw4w9WgXcQ: Video unavailable"_s
        << failed + u"ERROR: [youtube] dQw4w9WgXcQ: Video unavailable"_s;
}

void TestBrisError::processDescription()
{
    QFETCH(QString, output);
    QFETCH(QString, expected);
    QCOMPARE(BrisError::process(output).errorDescription(), expected);
}

void TestBrisError::otherCases()
{
    // Any error that reaches the surface has a sentence, whatever its type.
    QCOMPARE(errorDescription(std::make_exception_ptr(BrisError::cancelled())),
             u"Descarga cancelada. Podés reintentar cuando quieras."_s);
    QCOMPARE(errorDescription(std::make_exception_ptr(SystemError(u"No hay disco."_s))), u"No hay disco."_s);
}

QTEST_GUILESS_MAIN(TestBrisError)
#include "tst_briserror.moc"
