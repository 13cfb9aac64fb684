#include "JsRuntimeCheck.h"

#include "AtomicFile.h"
#include "BrisError.h"

#include <QDir>
#include <QStringList>
#include <QUrl>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A local TCP port that is bound but never listens: every connection to it is
// refused at once, and no other program can take it while this one lives.
class RefusingPort
{
public:
    RefusingPort()
        : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), size) != 0
            || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw SystemError(u"No se pudo reservar un puerto local para la prueba del motor de JavaScript."_s);
        m_port = ntohs(address.sin_port);
    }
    ~RefusingPort()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int port() const { return m_port; }

private:
    int m_fd;
    int m_port = 0;
};

// The value of the verbose header line that holds `label`, or nothing.
QString headerValue(const QString& header, const QString& label)
{
    for (const QString& line : header.split(u'\n')) {
        const qsizetype at = line.indexOf(label);
        if (line.startsWith(u"[debug] "_s) && at >= 0)
            return line.mid(at + label.size()).trimmed();
    }
    return {};
}

} // namespace

namespace JsRuntimeCheck {

Result run(const Toolchain& tools, const QString& folder, const CancellationPtr& cancel)
{
    const QString page = QDir(folder).filePath(u"js-runtime.html"_s);
    AtomicFile::write(page,
        "<!DOCTYPE html><html><head><title>Brisomar</title></head><body>"
        "<iframe src=\"https://www.youtube.com/embed/jNQXAC9IVRw\"></iframe></body></html>\n");
    const RefusingPort refusing;
    QString header;
    try {
        tools.run(u"yt-dlp"_s,
            tools.common()
                + QStringList { u"-v"_s, u"--enable-file-urls"_s, u"--proxy"_s,
                    u"http://127.0.0.1:%1"_s.arg(refusing.port()), u"--skip-download"_s,
                    QUrl::fromLocalFile(page).toString() },
            cancel, 120);
    } catch (const BrisError& error) {
        if (error.kind() != BrisError::Kind::Process)
            throw;
        header = error.payload();
    }
    // "node-24.22.3" among the runtimes found, "node" bare among the solvers:
    // an unusable one carries " (unsupported)" or " (unavailable)".
    const QString runtimes = headerValue(header, u"JS runtimes:"_s);
    const QString providers = headerValue(header, u"JS Challenge Providers:"_s);
    QString node;
    for (const QString& runtime : runtimes.split(u", "_s)) {
        if (runtime.startsWith(u"node-"_s))
            node = runtime.mid(5);
    }
    if (providers.split(u", "_s).contains(u"node"_s) && !node.isEmpty())
        return { true, u"node "_s + node };
    if (runtimes.isEmpty() && providers.isEmpty())
        return { false, header.isEmpty() ? u"yt-dlp no escribió su encabezado"_s : header.section(u'\n', -1) };
    return { false, u"JS runtimes: %1 · JS Challenge Providers: %2"_s.arg(runtimes, providers) };
}

} // namespace JsRuntimeCheck
