#include "BrisError.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

BrisError::BrisError(Kind kind, const QString& payload)
    : m_kind(kind)
    , m_payload(payload)
{
    m_what = errorDescription().toUtf8();
}

QString BrisError::errorDescription() const
{
    switch (m_kind) {
    case Kind::Message:
        return m_payload;
    case Kind::Cancelled:
        return u"Descarga cancelada. Podés reintentar cuando quieras."_s;
    case Kind::Process:
        break;
    }
    const QString& output = m_payload;
    if (output.contains(u"cancel"_s, Qt::CaseInsensitive))
        return u"Operación cancelada."_s;
    // A full volume makes every tool dump its own write error, often with
    // addresses that would pass for HTTP codes below.
    static const QStringList full = { u"No space left on device"_s, u"Disk quota exceeded"_s };
    for (const QString& reason : full) {
        if (output.contains(reason, Qt::CaseInsensitive))
            return u"No hay suficiente espacio libre en la carpeta elegida. Elegí otro destino o liberá espacio."_s;
    }
    static const QStringList restricted = {u"sign in"_s, u"private"_s, u"members-only"_s,
                                           u"age-restrict"_s, u"DRM"_s, u"not a bot"_s};
    for (const QString& word : restricted) {
        if (output.contains(word, Qt::CaseInsensitive))
            return u"La plataforma pide iniciar sesión o restringe este contenido. Probá con un video público "
                   u"disponible. Brisomar no usa tus cuentas ni cookies."_s;
    }
    if (output.contains(u"403"_s) || output.contains(u"429"_s))
        return u"La plataforma rechazó la descarga. Esperá un momento y reintentá."_s;
    return u"No se pudo completar la operación. "_s + output.right(500);
}

QString BrisError::fullDescription() const
{
    switch (m_kind) {
    case Kind::Message:
        return m_payload;
    case Kind::Cancelled:
        return u"cancelled: "_s + errorDescription();
    case Kind::Process:
        return u"process: "_s + m_payload;
    }
    return m_payload;
}

QString errorDescription(const std::exception& error)
{
    if (const auto* bris = dynamic_cast<const BrisError*>(&error))
        return bris->errorDescription();
    if (const auto* system = dynamic_cast<const SystemError*>(&error))
        return system->text();
    return QString::fromUtf8(error.what());
}

QString errorDescription(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return errorDescription(e);
    } catch (...) {
        return u"Error desconocido."_s;
    }
}

QString fullDescription(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const BrisError& e) {
        return e.fullDescription();
    } catch (const std::exception& e) {
        return errorDescription(e);
    } catch (...) {
        return u"Error desconocido."_s;
    }
}
