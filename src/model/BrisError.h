#pragma once

#include <QString>

#include <exception>
#include <stdexcept>

// The program's own error. `message` carries a sentence ready to show, `process`
// an external tool's raw error output, `cancelled` nothing.
class BrisError : public std::exception
{
public:
    enum class Kind { Message, Process, Cancelled };

    static BrisError message(const QString& text) { return BrisError(Kind::Message, text); }
    static BrisError process(const QString& output) { return BrisError(Kind::Process, output); }
    static BrisError cancelled() { return BrisError(Kind::Cancelled, {}); }

    Kind kind() const noexcept { return m_kind; }
    const QString& payload() const noexcept { return m_payload; }
    bool isCancelled() const noexcept { return m_kind == Kind::Cancelled; }

    // The sentence the user sees.
    QString errorDescription() const;
    // Everything known about the error, for reports.
    QString fullDescription() const;

    const char* what() const noexcept override { return m_what.constData(); }

    friend bool operator==(const BrisError& a, const BrisError& b)
    {
        return a.m_kind == b.m_kind && a.m_payload == b.m_payload;
    }

private:
    BrisError(Kind kind, const QString& payload);

    Kind m_kind;
    QString m_payload;
    QByteArray m_what;
};

// A file-system or launch failure, passed through to the caller as it happened.
// Its text is already a sentence for the user.
class SystemError : public std::runtime_error
{
public:
    explicit SystemError(const QString& text)
        : std::runtime_error(text.toStdString())
        , m_text(text)
    {
    }
    const QString& text() const noexcept { return m_text; }

private:
    QString m_text;
};

// A document that is not JSON at all, with the parser's own description.
class JsonError : public SystemError
{
public:
    using SystemError::SystemError;
};

// What the user sees for any error that reaches the surface.
QString errorDescription(const std::exception& error);
QString errorDescription(const std::exception_ptr& error);
// The long form, for reports and logs of the self-checks.
QString fullDescription(const std::exception_ptr& error);
