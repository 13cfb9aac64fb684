#include "QueueView.h"

#include "AccentStyle.h"
#include "AppModel.h"
#include "EmptyState.h"
#include "JobRow.h"
#include "ScrollArea.h"
#include "StyledLabel.h"
#include "Surface.h"
#include "Symbols.h"
#include "SymbolView.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSet>
#include <QStackedLayout>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

QueueView::QueueView(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_pending(new StyledLabel(QString(), uiFont(13), Tone::secondary))
    , m_body(new QStackedLayout)
    , m_empty(new EmptyState(u"tray"_s, u"La cola está despejada."_s,
          u"Agregá un enlace y elegí cómo guardarlo. Las descargas terminadas aparecen en tu biblioteca."_s,
          u"Nueva descarga"_s, [model] { model->setSection(Section::newDownload); }))
    , m_scroll(new ScrollArea)
    , m_list(new QVBoxLayout)
{
    setObjectName(u"queueView"_s);
    m_pending->setObjectName(u"queuePending"_s);
    m_empty->setObjectName(u"queueEmpty"_s);
    m_scroll->setObjectName(u"queueList"_s);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(18);

    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    header->addWidget(new SymbolView(u"arrow.down.circle"_s, 13, Tone::secondary));
    header->addWidget(m_pending);
    header->addStretch(1);
    auto* add = new QPushButton(u"Agregar enlace"_s);
    add->setObjectName(u"addLink"_s);
    add->setIcon(symbolIcon(u"plus"_s, Qt::white, SymbolWeight::bold));
    AccentStyle::apply(add, true);
    connect(add, &QPushButton::clicked, m_model, [this] { m_model->setSection(Section::newDownload); });
    header->addWidget(add);
    column->addLayout(header);

    auto* content = new QWidget;
    content->setObjectName(u"queueRows"_s);
    content->setLayout(m_list);
    m_list->setContentsMargins(0, 0, 0, 10);
    m_list->setSpacing(12);
    m_list->addStretch(1);
    m_scroll->setWidget(content);

    m_body->addWidget(m_empty);
    m_body->addWidget(m_scroll);
    column->addLayout(m_body, 1);

    connect(m_model, &AppModel::jobsChanged, this, &QueueView::showJobs);
    showJobs();
}

QString QueueView::pendingText(int pending)
{
    return QString::number(pending) + u" en curso o en espera"_s;
}

QList<JobRow*> QueueView::rows() const
{
    QList<JobRow*> rows;
    for (const QUuid& id : m_order)
        rows.append(m_rows.value(id));
    return rows;
}

void QueueView::showEvent(QShowEvent* event)
{
    if (m_stale)
        showJobs();
    QWidget::showEvent(event);
}

void QueueView::showJobs()
{
    m_pending->setText(pendingText(m_model->pendingCount()));
    // The cards are built when the screen is on display: a long history costs
    // nothing at start-up while the window opens on another screen.
    m_stale = !isVisible();
    if (m_stale)
        return;
    const QList<DownloadJob> queue = m_model->queue();

    QList<QUuid> order;
    order.reserve(queue.size());
    QSet<QUuid> listed;
    listed.reserve(queue.size());
    for (const DownloadJob& job : queue) {
        order.append(job.id);
        listed.insert(job.id);
    }

    // A row may be going away from inside its own button's click: delete it later.
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        if (listed.contains(it.key())) {
            ++it;
            continue;
        }
        QWidget* card = it.value()->parentWidget();
        m_list->removeWidget(card);
        card->hide();
        card->deleteLater();
        it = m_rows.erase(it);
    }
    for (const DownloadJob& job : queue) {
        if (JobRow* row = m_rows.value(job.id)) {
            row->setJob(job);
            continue;
        }
        auto* card = new Surface;
        card->setObjectName(u"jobCard"_s);
        auto* row = new JobRow(job, m_model);
        card->column()->addWidget(row);
        m_rows.insert(job.id, row);
    }
    if (order != m_order) {
        // Walks the layout once: only the cards that are new or out of place move.
        for (int i = 0; i < order.size(); ++i) {
            QWidget* card = m_rows.value(order[i])->parentWidget();
            const QLayoutItem* item = m_list->itemAt(i);
            if (!item || item->widget() != card) {
                m_list->removeWidget(card);
                m_list->insertWidget(i, card);
            }
        }
        m_order = order;
    }
    m_body->setCurrentWidget(queue.isEmpty() ? static_cast<QWidget*>(m_empty) : m_scroll);
}
