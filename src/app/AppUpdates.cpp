#include "AppUpdates.h"

#include "ApplicationInfo.h"
#include "DesktopServices.h"

#include <QMetaType>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString notPublished = u"El canal online todavía no está publicado."_s;

bool isText(const QVariant& value)
{
    return value.typeId() == QMetaType::QString;
}
} // namespace

AppUpdates::AppUpdates(QVariantMap info, std::unique_ptr<Updater> updater, DesktopServices* services, QObject* parent)
    : QObject(parent)
    , m_info(std::move(info))
    , m_updater(std::move(updater))
    , m_services(services)
    , m_status(notPublished)
{
    m_installTimer.setInterval(std::chrono::seconds(2));
    connect(&m_installTimer, &QTimer::timeout, this, [this] {
        if (isBusy())
            return;
        m_installTimer.stop();
        // The continuation may start the relaunch at once: take it out first.
        const auto proceed = std::exchange(m_proceed, {});
        if (proceed)
            proceed();
    });
}

AppUpdates::AppUpdates(DesktopServices* services, QObject* parent)
    : AppUpdates(applicationInfo(), nullptr, services, parent)
{
}

AppUpdates::~AppUpdates() = default;

void AppUpdates::setIsBusy(std::function<bool()> isBusy)
{
    m_isBusy = std::move(isBusy);
}

bool AppUpdates::isBusy() const
{
    return m_isBusy && m_isBusy();
}

bool AppUpdates::keysConfigured(const QVariantMap& info)
{
    const QVariant enabled = info.value(u"BrisUpdatesEnabled"_s);
    if (enabled.typeId() != QMetaType::Bool || !enabled.toBool())
        return false;
    const QVariant feed = info.value(u"SUFeedURL"_s);
    if (!isText(feed))
        return false;
    // The scheme as written: QUrl would lower-case "HTTPS".
    const QString feedText = feed.toString();
    const QUrl url(feedText, QUrl::StrictMode);
    if (!url.isValid() || !feedText.startsWith(u"https:"_s) || url.host().isEmpty())
        return false;
    const QVariant key = info.value(u"SUPublicEDKey"_s);
    if (!isText(key))
        return false;
    const auto decoded
        = QByteArray::fromBase64Encoding(key.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return decoded && decoded.decoded.size() == 32;
}

bool AppUpdates::configured() const
{
    return m_updater && keysConfigured(m_info);
}

QString AppUpdates::version() const
{
    const QVariant version = m_info.value(u"CFBundleShortVersionString"_s);
    return isText(version) ? version.toString() : u"1.1.0"_s;
}

void AppUpdates::start()
{
    if (!configured() || m_started)
        return;
    m_started = true;
    m_updater->setCheckVeto([self = QPointer<AppUpdates>(this)]() -> std::optional<UpdateRefusal> {
        return self ? self->mayPerformUpdateCheck() : std::nullopt;
    });
    m_updater->setRelaunchHook([self = QPointer<AppUpdates>(this)](std::function<void()> proceed) {
        return self && self->shouldPostponeRelaunch(std::move(proceed));
    });
    connect(m_updater.get(), &Updater::canCheckForUpdatesChanged, this, &AppUpdates::setCanCheck, Qt::QueuedConnection);
    connect(m_updater.get(), &Updater::automaticallyChecksForUpdatesChanged, this, &AppUpdates::setAutomaticChecks,
        Qt::QueuedConnection);
    const QString failure = m_updater->start();
    setCanCheck(m_updater->canCheckForUpdates());
    setAutomaticChecks(m_updater->automaticallyChecksForUpdates());
    setStatus(failure.isEmpty() ? u"Actualizaciones verificadas de Quelmira Media."_s
                                : u"No se pudo iniciar el actualizador: "_s + failure);
}

void AppUpdates::check()
{
    if (!configured()) {
        if (m_services)
            m_services->alert(u"Actualizaciones de Brisomar"_s,
                u"Esta versión incluye el actualizador. El canal online de Quelmira Media aún no está publicado; "
                u"por ahora las nuevas versiones se instalan desde el instalador compartido."_s,
                u"Entendido"_s);
        return;
    }
    if (isBusy()) {
        setStatus(u"Esperá a que termine la cola antes de buscar actualizaciones."_s);
        return;
    }
    if (m_canCheck && m_started)
        m_updater->checkForUpdates();
}

void AppUpdates::setAutomatic(bool automatic)
{
    if (configured() && m_started)
        m_updater->setAutomaticallyChecksForUpdates(automatic);
}

std::optional<UpdateRefusal> AppUpdates::mayPerformUpdateCheck() const
{
    if (!isBusy())
        return std::nullopt;
    return UpdateRefusal { u"com.brisomar.updates"_s, 1,
        u"Brisomar terminará las descargas antes de comprobar actualizaciones."_s };
}

bool AppUpdates::shouldPostponeRelaunch(std::function<void()> proceed)
{
    if (!isBusy())
        return false;
    m_installTimer.stop();
    m_proceed = std::move(proceed);
    m_installTimer.start();
    return true;
}

bool AppUpdates::installPending() const
{
    return m_installTimer.isActive();
}

void AppUpdates::setInstallPollInterval(std::chrono::milliseconds interval)
{
    m_installTimer.setInterval(interval);
}

void AppUpdates::setCanCheck(bool canCheck)
{
    if (std::exchange(m_canCheck, canCheck) != canCheck)
        Q_EMIT stateChanged();
}

void AppUpdates::setAutomaticChecks(bool automatic)
{
    if (std::exchange(m_automaticChecks, automatic) != automatic)
        Q_EMIT stateChanged();
}

void AppUpdates::setStatus(const QString& status)
{
    if (std::exchange(m_status, status) != status)
        Q_EMIT stateChanged();
}
