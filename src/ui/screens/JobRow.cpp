#include "JobRow.h"

#include "AppModel.h"
#include "ClampedLabel.h"
#include "KindTile.h"
#include "PlainButton.h"
#include "ProgressLine.h"
#include "QuietStyle.h"
#include "StyledLabel.h"
#include "Symbols.h"
#include "SymbolView.h"
#include "TextFormatting.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

const KindTile::Metrics tileMetrics { 43, 10, 0.1, 19 };

QString kindSymbol(const DownloadJob& job)
{
    return job.profile.kind == DownloadKind::audio ? u"waveform"_s : u"play.rectangle"_s;
}

} // namespace

JobRow::JobRow(const DownloadJob& job, AppModel* model, bool compact, QWidget* parent)
    : QWidget(parent)
    , m_job(job)
    , m_model(model)
    , m_compact(compact)
    , m_tile(new KindTile(tileMetrics, kindSymbol(job)))
    , m_title(new ClampedLabel(QString(), uiFont(14, QFont::DemiBold), 2))
    , m_subtitle(new StyledLabel(QString(), uiFont(12), Tone::secondary))
    , m_cancel(new QPushButton)
    , m_retry(new QPushButton(u"Reintentar"_s))
    , m_remove(new PlainButton(QString(), uiFont(13), Tone::secondary))
    , m_progressArea(new QWidget)
    , m_progress(new ProgressLine)
    , m_state(new StyledLabel(QString(), uiFont(11, QFont::Medium), Tone::secondary))
    , m_percent(new StyledLabel(QString(), uiFont(11), Tone::secondary))
    , m_detail(new ClampedLabel(QString(), uiFont(12), 3, ClampedLabel::Overflow::clip, Tone::secondary))
    , m_reuse(new QWidget)
{
    setObjectName(u"jobRow"_s);
    m_tile->setObjectName(u"jobTile"_s);
    m_title->setObjectName(u"jobTitle"_s);
    m_subtitle->setObjectName(u"jobSubtitle"_s);
    m_subtitle->setTextFormat(Qt::PlainText);
    m_cancel->setObjectName(u"cancelJob"_s);
    m_retry->setObjectName(u"retryJob"_s);
    m_remove->setObjectName(u"removeJob"_s);
    m_progressArea->setObjectName(u"jobProgressArea"_s);
    m_progress->setObjectName(u"jobProgress"_s);
    m_state->setObjectName(u"jobState"_s);
    m_percent->setObjectName(u"jobPercent"_s);
    m_detail->setObjectName(u"jobDetail"_s);
    m_reuse->setObjectName(u"jobReuse"_s);

    m_cancel->setIcon(symbolIcon(u"xmark"_s, Qt::black, SymbolWeight::bold));
    m_cancel->setToolTip(u"Cancelar descarga"_s);
    QuietStyle::apply(m_cancel);
    m_retry->setIcon(symbolIcon(u"arrow.clockwise"_s, Qt::black));
    QuietStyle::apply(m_retry);
    m_remove->setLeading({ u"xmark"_s, 13, std::nullopt });
    m_remove->setToolTip(u"Quitar del historial"_s);
    m_remove->setAccessibleName(u"Quitar del historial"_s);
    m_remove->setPadding(QMargins(6, 8, 2, 8));
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_model->cancel(m_job); });
    connect(m_retry, &QPushButton::clicked, this, [this] { m_model->retry(m_job); });
    connect(m_remove, &PlainButton::clicked, this, [this] { m_model->remove(m_job); });

    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The percentage keeps its place while its digits change.
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_percent->setMinimumWidth(m_percent->fontMetrics().horizontalAdvance(u"100%"_s) + 1);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(m_tile, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->setSpacing(5);
    text->addWidget(m_title);
    text->addWidget(m_subtitle);
    top->addLayout(text, 1);
    auto* actions = new QHBoxLayout;
    actions->setSpacing(4);
    actions->addWidget(m_cancel);
    actions->addWidget(m_retry);
    actions->addWidget(m_remove);
    top->addLayout(actions);
    top->setAlignment(actions, Qt::AlignTop);
    column->addLayout(top);

    auto* progress = new QVBoxLayout(m_progressArea);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->setSpacing(6);
    progress->addWidget(m_progress);
    auto* status = new QHBoxLayout;
    status->addWidget(m_state);
    status->addStretch(1);
    status->addWidget(m_percent);
    progress->addLayout(status);
    column->addWidget(m_progressArea);

    column->addWidget(m_detail);

    auto* reuse = new QHBoxLayout(m_reuse);
    reuse->setContentsMargins(0, 0, 0, 0);
    reuse->setSpacing(5);
    reuse->addWidget(new SymbolView(u"checkmark.circle"_s, 12, Tone::green));
    reuse->addWidget(new StyledLabel(u"Original reutilizado · sin descargar otra vez"_s, uiFont(11), Tone::green));
    reuse->addStretch(1);
    column->addWidget(m_reuse);

    connect(m_model, &AppModel::jobUpdated, this, [this](const QUuid& id) {
        if (id == m_job.id)
            followModel();
    });
    // The queue hands its rows their jobs when the list changes; the compact
    // row, alone on its screen, looks for its own.
    if (m_compact)
        connect(m_model, &AppModel::jobsChanged, this, &JobRow::followModel);
    apply();
}

QString JobRow::percentText(double progress)
{
    const double fraction = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    return QString::number(int(std::floor(fraction * 100))) + u'%';
}

QString JobRow::subtitle(const DownloadJob& job)
{
    return job.profile.label() + u" · "_s + timeString(job.video.duration);
}

void JobRow::followModel()
{
    const QList<DownloadJob> jobs = m_model->jobs();
    for (const DownloadJob& job : jobs) {
        if (job.id == m_job.id) {
            setJob(job);
            return;
        }
    }
}

void JobRow::setJob(const DownloadJob& job)
{
    if (job == m_job)
        return;
    m_job = job;
    apply();
}

void JobRow::apply()
{
    const JobState state = m_job.state;
    const bool pending = isPending(state);
    const bool active = isActive(state);

    m_tile->setSymbol(kindSymbol(m_job));
    m_title->setText(m_job.video.title);
    m_subtitle->setText(subtitle(m_job));

    m_cancel->setVisible(pending);
    m_cancel->setAccessibleName(u"Cancelar "_s + m_job.video.title);
    m_retry->setVisible(!pending);
    m_remove->setVisible(!pending && !m_compact);

    m_progressArea->setVisible(active);
    if (active) {
        m_progress->setValue(m_job.progress);
        m_state->setText(title(state));
        m_percent->setText(percentText(m_job.progress));
    }

    const Tone detailTone = state == JobState::failed ? Tone::coral : Tone::secondary;
    if (m_detail->tone() != detailTone)
        m_detail->setTone(detailTone);
    m_detail->setText(m_job.detail);
    m_detail->setVisible(!m_job.detail.isEmpty() && (!m_compact || active));

    m_reuse->setVisible(m_job.reusedOriginal);
}
