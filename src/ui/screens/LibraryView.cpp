#include "LibraryView.h"

#include "AppModel.h"
#include "EmptyState.h"
#include "LibraryModel.h"
#include "PlainButton.h"
#include "QuietStyle.h"
#include "SearchBox.h"
#include "SegmentedPicker.h"
#include "Symbols.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedLayout>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

LibraryView::LibraryView(AppModel* model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_search(new SearchBox(u"Buscar en tus descargas…"_s))
    , m_kind(new SegmentedPicker(SegmentedPicker::segmentsOf<LibraryKind>()))
    , m_body(new QStackedLayout)
    , m_empty(new EmptyState(
          u"rectangle.stack"_s, QString(), QString(), u"Nueva descarga"_s, [model] { model->setSection(Section::newDownload); }))
    , m_list(new QListView)
    , m_rows(new LibraryModel(model, this))
    , m_delegate(new LibraryRowDelegate(m_list))
    , m_play(new QPushButton(m_list->viewport()))
    , m_reveal(new QPushButton(m_list->viewport()))
    , m_more(new PlainButton({}, uiFont(13), Tone::secondary, 1.0, m_list->viewport()))
{
    setObjectName(u"libraryView"_s);
    m_search->field()->setObjectName(u"librarySearch"_s);
    m_search->field()->setAccessibleName(u"Buscar descargas"_s);
    m_kind->setObjectName(u"libraryKind"_s);
    m_kind->setAccessibleName(u"Filtrar biblioteca"_s);
    m_kind->setFixedWidth(210);
    m_empty->setObjectName(u"libraryEmpty"_s);
    m_list->setObjectName(u"libraryList"_s);
    m_list->setAccessibleName(u"Descargados"_s);

    m_list->setModel(m_rows);
    m_list->setItemDelegate(m_delegate);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->verticalScrollBar()->setSingleStep(24);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Clicks work the drawn buttons; the keyboard reaches the rows with Tab and
    // moves between them with the arrows, which is no reason to scroll otherwise.
    m_list->setFocusPolicy(Qt::TabFocus);
    m_list->setAutoScroll(false);
    m_list->viewport()->setAutoFillBackground(false);
    QPalette palette = m_list->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_list->setPalette(palette);
    m_list->installEventFilter(this);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QListView::customContextMenuRequested, this, [this](const QPoint& position) {
        const QModelIndex index = m_list->indexAt(position);
        if (index.isValid())
            makeMenu(m_rows->jobAt(index.row()))->popup(m_list->viewport()->mapToGlobal(position));
    });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(18);
    auto* filters = new QHBoxLayout;
    filters->setSpacing(14);
    filters->addWidget(m_search, 1);
    filters->addWidget(m_kind, 0, Qt::AlignVCenter);
    column->addLayout(filters);
    m_body->addWidget(m_empty);
    m_body->addWidget(m_list);
    column->addLayout(m_body, 1);

    connect(m_search->field(), &QLineEdit::textEdited, m_model, &AppModel::setLibrarySearch);
    connect(m_kind, &SegmentedPicker::picked, m_model, [this](const QString& value) {
        if (const std::optional<LibraryKind> kind = fromRawValue<LibraryKind>(value))
            m_model->setLibraryKind(*kind);
    });
    connect(m_model, &AppModel::libraryFilterChanged, this, &LibraryView::showFilter);
    connect(m_rows, &LibraryModel::refreshed, this, &LibraryView::showRows);
    connect(m_delegate, &LibraryRowDelegate::partClicked, this, &LibraryView::act);

    const struct
    {
        QAbstractButton* button;
        LibraryRowDelegate::Part part;
        QString name;
        QString text;
    } actions[] = {
        { m_play, LibraryRowDelegate::Part::play, u"playFile"_s, u"Reproducir"_s },
        { m_reveal, LibraryRowDelegate::Part::reveal, u"revealFile"_s, u"Mostrar en Finder"_s },
        { m_more, LibraryRowDelegate::Part::more, u"moreActions"_s, u"Más acciones"_s },
    };
    QWidget* previous = m_list;
    for (const auto& [button, part, name, text] : actions) {
        button->setObjectName(name);
        button->setAccessibleName(text);
        button->setFocusPolicy(Qt::TabFocus);
        button->hide();
        button->installEventFilter(this);
        connect(button, &QAbstractButton::clicked, this, [this, part = part, button = button] {
            act(m_list->currentIndex(), part, button->geometry());
        });
        setTabOrder(previous, button);
        previous = button;
    }
    for (QPushButton* button : { m_play, m_reveal }) {
        QuietStyle::apply(button);
        button->setToolTip(button->accessibleName());
    }
    m_play->setIcon(symbolIcon(u"play.fill"_s, Qt::black));
    m_reveal->setIcon(symbolIcon(u"folder"_s, Qt::black));
    m_more->setLeading({ u"ellipsis"_s, 16, std::nullopt });
    m_more->setPadding(QMargins(6, 6, 6, 6));
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid() && (m_list->hasFocus() || m_list->viewport()->isAncestorOf(focusWidget())))
            m_list->scrollTo(current);
        placeActions();
    });
    m_list->viewport()->installEventFilter(this);

    showFilter();
    showRows();
}

QAbstractButton* LibraryView::actionButton(LibraryRowDelegate::Part part) const
{
    switch (part) {
    case LibraryRowDelegate::Part::play:
        return m_play;
    case LibraryRowDelegate::Part::reveal:
        return m_reveal;
    case LibraryRowDelegate::Part::more:
        return m_more;
    case LibraryRowDelegate::Part::none:
        break;
    }
    return nullptr;
}

void LibraryView::placeActions()
{
    const QModelIndex current = m_list->currentIndex();
    const bool shown = current.isValid() && m_body->currentWidget() == m_list;
    m_delegate->setCoveredRow(shown ? current : QModelIndex());
    for (const LibraryRowDelegate::Part part :
        { LibraryRowDelegate::Part::play, LibraryRowDelegate::Part::reveal, LibraryRowDelegate::Part::more }) {
        QAbstractButton* button = actionButton(part);
        if (!shown) {
            button->hide();
            continue;
        }
        const DownloadJob& job = m_rows->jobAt(current.row());
        const QRect area = m_delegate->partRect(m_list->visualRect(current), job, part);
        if (button->geometry() != area)
            button->setGeometry(area);
        button->setEnabled(LibraryRowDelegate::partEnabled(job, part));
        button->show();
    }
}

void LibraryView::showFilter()
{
    // Rewriting the same text would move the cursor of someone typing.
    if (m_search->field()->text() != m_model->librarySearch())
        m_search->field()->setText(m_model->librarySearch());
    m_kind->setValue(rawValue(m_model->libraryKind()));
}

void LibraryView::showRows()
{
    if (m_rows->rowCount() > 0) {
        m_body->setCurrentWidget(m_list);
        return;
    }
    if (m_rows->libraryEmpty()) {
        m_empty->setTitle(u"Tus favoritos, siempre cerca."_s);
        m_empty->setDescription(
            u"Los archivos terminados aparecen acá. Podés reproducirlos o encontrarlos en Finder."_s);
    } else {
        m_empty->setTitle(u"No hay coincidencias."_s);
        m_empty->setDescription(u"Probá otro nombre o cambiá el filtro."_s);
    }
    m_body->setCurrentWidget(m_empty);
}

QMenu* LibraryView::makeMenu(const DownloadJob& job)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(u"libraryRowMenu"_s);
    menu->setAttribute(Qt::WA_DeleteOnClose);

    QAction* page = menu->addAction(u"Ver en "_s + title(job.video.platform()));
    page->setObjectName(u"openPage"_s);
    const QUrl url(job.video.url(), QUrl::StrictMode);
    // Only a web page: a record read from disk must not open local files or programs.
    const bool web
        = url.isValid() && (url.scheme() == u"https"_s || url.scheme() == u"http"_s) && !url.host().isEmpty();
    connect(page, &QAction::triggered, this, [url, web] {
        if (web)
            QDesktopServices::openUrl(url);
    });

    QAction* again = menu->addAction(u"Volver a descargar"_s);
    again->setObjectName(u"downloadAgain"_s);
    again->setEnabled(!job.fileAvailable());
    connect(again, &QAction::triggered, m_model, [model = m_model, job] { model->retry(job); });

    menu->addSeparator();
    QAction* remove = menu->addAction(u"Quitar del historial"_s);
    remove->setObjectName(u"removeFromLibrary"_s);
    connect(remove, &QAction::triggered, m_model, [model = m_model, job] { model->remove(job); });
    return menu;
}

void LibraryView::act(const QModelIndex& index, LibraryRowDelegate::Part part, const QRect& area)
{
    const DownloadJob job = m_rows->jobAt(index.row());
    switch (part) {
    case LibraryRowDelegate::Part::play:
        m_model->play(job);
        break;
    case LibraryRowDelegate::Part::reveal:
        m_model->reveal(job);
        break;
    case LibraryRowDelegate::Part::more:
        makeMenu(job)->popup(m_list->viewport()->mapToGlobal(area.bottomLeft() + QPoint(0, 4)));
        break;
    case LibraryRowDelegate::Part::none:
        break;
    }
}

bool LibraryView::eventFilter(QObject* watched, QEvent* event)
{
    // Rows move and files come and go between paints: the buttons follow.
    if (watched == m_list->viewport() && event->type() == QEvent::Paint)
        placeActions();
    if (event->type() == QEvent::FocusIn && watched != m_list && m_list->currentIndex().isValid())
        m_list->scrollTo(m_list->currentIndex());
    if (watched != m_list || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid())
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const QRect row = m_list->visualRect(current);
    const DownloadJob& job = m_rows->jobAt(current.row());
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && job.fileAvailable()) {
        act(current, LibraryRowDelegate::Part::play, {});
        return true;
    }
    if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() & Qt::ShiftModifier)) {
        act(current, LibraryRowDelegate::Part::more, m_delegate->partRect(row, job, LibraryRowDelegate::Part::more));
        return true;
    }
    return false;
}

void LibraryView::changeEvent(QEvent* event)
{
    // Back from the file manager, files may have come or gone: look again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_list->viewport()->update();
    QWidget::changeEvent(event);
}
