#include "app/main_window.h"

#include "app/box_text.h"
#include "app/control_table.h"
#include "app/widgets.h"
#include "runtime/codepage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QPlainTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <optional>
#include <string_view>
#include <utility>
#include <thread>
#include <cstdlib>
#include <stdexcept>
#include <type_traits>

namespace fenrow {

namespace {

QString qs(const char* utf8) { return QString::fromUtf8(utf8 ? utf8 : ""); }
QString qs(ControlName n) { return QString::fromUtf8(n.utf8.data(), static_cast<qsizetype>(n.utf8.size())); }

QString to_box(const Text& t) { return QString::fromStdU16String(text_to_box(t)); }
Text from_box(const QString& s)
{
    return text_from_box(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())));
}

// A caption a little too wide for its control (fonts here run wider than the
// ones the design was drawn with) gets a smaller font instead of being cut.
void fit_caption(QWidget* w, const ControlSpec& row)
{
    const bool fits_by_font = row.kind == ControlKind::label || row.kind == ControlKind::check_box ||
                              row.kind == ControlKind::radio_box || row.kind == ControlKind::hyperlink;
    if (!fits_by_font || row.word_wrap)
        return;
    QFont f = w->font();
    for (int px = f.pixelSize(); px > 9 && w->sizeHint().width() > row.geometry.width; --px) {
        f.setPixelSize(px - 1);
        w->setFont(f);
    }
}

void set_text_colour(QWidget* w, unsigned rgb)
{
    if (rgb == 0)
        return;
    QPalette p = w->palette();
    const QColor c((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::ButtonText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

} // namespace

MainWindow::MainWindow()
{
    setWindowTitle(qs(window_title));
    setWindowIcon(app_icon());
    setMouseTracking(true);
    build();
    resize(design_client_width, design_client_height);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - design_outer_width) / 2, s.y() + (s.height() - design_outer_height) / 2);
    }
    dock_status_bar();
    qApp->installEventFilter(this);
    raise(ControlName{}, Event::created);
}

void MainWindow::build()
{
    for (const ControlSpec& row : control_table()) {
        QWidget* parent = this;
        if (!row.container.utf8.empty())
            parent = widget(row.container);
        if (row.kind == ControlKind::status_bar) {
            build_status_bar();
            controls_.emplace(std::string(row.name.utf8), Entry{&row, status_, row.geometry});
            continue;
        }
        QWidget* w = make(row, parent);
        w->setObjectName(qs(row.name));
        controls_.emplace(std::string(row.name.utf8), Entry{&row, w, row.geometry});
        place(row.name, row.geometry);
        fit_caption(w, row);
        w->show();
    }
}

QWidget* MainWindow::make(const ControlSpec& row, QWidget* parent)
{
    const ControlName name = row.name;
    const QString text = qs(row.text);
    switch (row.kind) {
    case ControlKind::edit: {
        if (row.multi_line) {
            auto* box = new BigBox(parent);
            box->setPlainText(to_box(text_from_utf8(row.text)));
            QObject::connect(box, &QPlainTextEdit::textChanged, this, [this, name] { raise(name, Event::content_changed); });
            box->replace_whole = [this, box, name](const QString& whole, int caret) {
                replace_box_text(box, name, from_box(whole));
                QTextCursor c(box->document());
                c.setPosition(std::clamp(caret, 0, box->document()->characterCount() - 1));
                box->setTextCursor(c);
                box->ensureCursorVisible();
            };
            return box;
        }
        auto* box = new QLineEdit(text, parent);
        box->setAlignment(Qt::AlignCenter);
        set_text_colour(box, row.rgb);
        return box;
    }
    case ControlKind::label: {
        auto* label = new QLabel(text, parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setWordWrap(row.word_wrap);
        set_text_colour(label, row.rgb);
        return label;
    }
    case ControlKind::button: {
        auto* button = new QPushButton(text, parent);
        QObject::connect(button, &QAbstractButton::clicked, this, [this, name] { raise(name, Event::clicked); });
        return button;
    }
    case ControlKind::check_box: {
        auto* box = new QCheckBox(text, parent);
        box->setChecked(row.initially_on);
        set_text_colour(box, row.rgb);
        return box;
    }
    case ControlKind::radio_box: {
        auto* box = new QRadioButton(text, parent);
        box->setChecked(row.initially_on);
        set_text_colour(box, row.rgb);
        return box;
    }
    case ControlKind::combo_box: {
        auto* combo = new QComboBox(parent);
        combo->addItems(text.split(QLatin1Char('\n')));
        combo->setCurrentIndex(0);
        return combo;
    }
    case ControlKind::group_box:
        return new QGroupBox(parent);
    case ControlKind::hyperlink:
        return new LinkLabel(text, qs(feedback_url()), parent);
    case ControlKind::status_bar:
        break;
    }
    throw std::logic_error("control kind without a widget");
}

void MainWindow::build_status_bar()
{
    status_ = new QStatusBar(this);
    status_->setObjectName(qs(ctl::status_bar));
    status_->setSizeGripEnabled(true);
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(qs(status_panes[i].text), status_);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        if (status_panes[i].width > 0)
            label->setFixedWidth(status_panes[i].width);
        if (status_panes[i].tooltip != nullptr)
            label->setToolTip(qs(status_panes[i].tooltip));
        label->setObjectName(qs(ctl::status_bar) + QStringLiteral(".%1").arg(i));
        status_->addWidget(label, status_panes[i].width > 0 ? 0 : 1);
        panes_[i] = label;
    }
    status_->show();
}

void MainWindow::dock_status_bar()
{
    const int h = status_->sizeHint().height();
    status_->setGeometry(0, height() - h, width(), h);
}

void MainWindow::place(ControlName c, const Rect& r)
{
    Entry& e = controls_.at(std::string(c.utf8));
    e.geometry = r;
    if (e.widget != status_)
        e.widget->setGeometry(r.left, r.top, std::max(r.width, 0), std::max(r.height, 0));
}

QWidget* MainWindow::widget(ControlName c) const
{
    auto it = controls_.find(c.utf8);
    return it == controls_.end() ? nullptr : it->second.widget;
}

void MainWindow::raise(ControlName control, Event event)
{
    if (event_observer)
        event_observer(control, event);
    if (Handler h = find_handler(control, event))
        h(*this);
}

void MainWindow::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    dock_status_bar();
    raise(ControlName{}, Event::size_changed);
}

void MainWindow::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    // Minimising is a size change to an empty client area; restoring is another.
    if (e->type() == QEvent::WindowStateChange)
        raise(ControlName{}, Event::size_changed);
}

ControlName MainWindow::control_of(QObject* o) const
{
    for (; o != nullptr && o != this; o = o->parent()) {
        const QByteArray name = o->objectName().toUtf8();
        auto it = controls_.find(std::string_view(name.constData(), static_cast<std::size_t>(name.size())));
        if (it != controls_.end())
            return it->second.row->name;
    }
    return ControlName{};
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() != QEvent::MouseMove || !watched->isWidgetType())
        return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w != this && !isAncestorOf(w))
        return false;
    // The control under the pointer decides, not the widget a move propagated to.
    const QPoint at = mapFromGlobal(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
    QWidget* under = childAt(at);
    ControlName c = control_of(under != nullptr ? under : this);
    // The empty inside of a group box counts as the window's background.
    const ControlSpec* row = find_control(c);
    if (row != nullptr && (row->kind == ControlKind::group_box || row->kind == ControlKind::status_bar))
        c = ControlName{};
    raise(c, Event::mouse_moved);
    return false;
}

namespace {

// A control access handed from a worker to the UI thread; the worker waits
// for its promise.
class UiCall : public QEvent {
public:
    static QEvent::Type type()
    {
        static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
        return t;
    }
    UiCall(std::function<void()> f, std::promise<void>& done) : QEvent(type()), f_(std::move(f)), done_(done) {}
    UiCall(UiCall&& other) noexcept
        : QEvent(type()), f_(std::move(other.f_)), done_(other.done_), pending_(std::exchange(other.pending_, false))
    {
    }
    // A call dropped with its window releases the waiting worker.
    ~UiCall() override
    {
        if (pending_)
            done_.set_value();
    }
    void run()
    {
        pending_ = false;
        try {
            f_();
            done_.set_value();
        } catch (...) {
            done_.set_exception(std::current_exception());
        }
    }

private:
    std::function<void()> f_;
    std::promise<void>& done_;
    bool pending_ = true;
};


// A plain-text document for a large box, built on the calling thread and
// handed to the UI thread.
QTextDocument* build_document(const QString& box_text, const QFont& font, QThread* ui_thread)
{
    auto* doc = new QTextDocument;
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
    doc->setDefaultFont(font);
    doc->setUndoRedoEnabled(false);
    doc->setPlainText(box_text);
    doc->setUndoRedoEnabled(true);
    doc->moveToThread(ui_thread);
    return doc;
}

// Freeing a document of a million lines takes seconds: once the current event
// is over (no cursor of the caller's still points into it), a thread of its own does it.
void discard_document(QTextDocument* doc)
{
    doc->setParent(nullptr);
    QTimer::singleShot(0, [doc] {
        QThread* reaper = QThread::create([doc] { delete doc; });
        doc->moveToThread(reaper);
        QObject::connect(reaper, &QThread::finished, reaper, &QObject::deleteLater);
        reaper->start();
    });
}

// The toolkit lays a line out whole: one of a million bytes keeps the window
// busy for a second or more before it shows.
constexpr std::size_t very_long_line = 1000 * 1000;

bool has_very_long_line(const Text& t)
{
    std::string_view s = t.view();
    while (s.size() >= very_long_line) {
        const std::size_t end = s.find('\n');
        if (end == std::string_view::npos || end >= very_long_line)
            return true;
        s.remove_prefix(end + 1);
    }
    return false;
}

// While a box lays out a very long line: says so in the hint pane and shows the
// busy pointer, then puts the hint back.
class LongLineNote {
public:
    explicit LongLineNote(QLabel* hint) : hint_(hint), before_(hint->text())
    {
        hint_->setText(QString::fromStdU16String(text_to_utf16("正在显示很长的一行，请稍候……"_t)));
        hint_->repaint();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~LongLineNote()
    {
        QApplication::restoreOverrideCursor();
        hint_->setText(before_);
    }
    LongLineNote(const LongLineNote&) = delete;
    LongLineNote& operator=(const LongLineNote&) = delete;

private:
    QLabel* hint_;
    QString before_;
};

} // namespace

template <typename F>
auto MainWindow::on_ui(F f) -> decltype(f())
{
    using R = decltype(f());
    if (QThread::currentThread() == thread())
        return f();
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    [[maybe_unused]] std::conditional_t<std::is_void_v<R>, int, R> r{};
    if constexpr (std::is_void_v<R>)
        QCoreApplication::postEvent(this, new UiCall(std::move(f), done));
    else
        QCoreApplication::postEvent(this, new UiCall([&] { r = f(); }, done));
    finished.get();
    if constexpr (!std::is_void_v<R>)
        return r;
}

MainWindow::~MainWindow()
{
    for (QEvent* call : deferred_)
        delete call;
}

bool MainWindow::event(QEvent* e)
{
    if (e->type() != UiCall::type())
        return QWidget::event(e);
    if (deferring_) {
        // Posted events are deleted once handled: keep a copy to run later.
        deferred_.push_back(new UiCall(std::move(*static_cast<UiCall*>(e))));
        return true;
    }
    static_cast<UiCall*>(e)->run();
    return true;
}

void MainWindow::run_deferred_calls()
{
    std::vector<QEvent*> calls;
    calls.swap(deferred_);
    for (QEvent* call : calls) {
        static_cast<UiCall*>(call)->run();
        delete call;
    }
}

void MainWindow::replace_box_text(BigBox* box, ControlName edit, const Text& t)
{
    // A large document is also swapped out whole rather than emptied in place.
    const bool large_now = on_ui([&] { return box->document()->characterCount() >= large_text / 2; });
    if (t.size() < large_text && !large_now) {
        const QString box_text = to_box(t);
        on_ui([&] {
            {
                const QSignalBlocker quiet(box);
                box->setPlainText(box_text);
            }
            raise(edit, Event::content_changed); // once, even for the same text
        });
        return;
    }
    QTextDocument* doc = nullptr;
    if (QThread::currentThread() != thread()) {
        // A worker builds the document itself and waits only for the hand-over.
        QFont font = on_ui([&] { return box->font(); });
        doc = build_document(to_box(t), font, thread());
    } else {
        // The UI thread keeps painting while another thread builds it; user
        // input and workers' calls wait until the box holds the new text.
        std::atomic<bool> built{false};
        const QFont font = box->font();
        std::thread builder([&] {
            doc = build_document(to_box(t), font, thread());
            built = true;
            QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection); // wakes the loop below
        });
        deferring_ = true;
        while (!built)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
        builder.join();
        deferring_ = false;
    }
    const bool long_line = has_very_long_line(t);
    on_ui([&] {
        std::optional<LongLineNote> note;
        if (long_line)
            note.emplace(panes_[3]);
        {
            const QSignalBlocker quiet(box);
            // The box's first document belongs to its text control, which
            // deletes it; the ones handed over here belong to the box.
            QTextDocument* old = box->document();
            const bool ours = old->parent() == box;
            doc->setParent(box);
            box->setDocument(doc);
            if (ours)
                discard_document(old);
        }
        if (long_line)
            box->viewport()->repaint(); // the layout happens here, while the note shows
        raise(edit, Event::content_changed);
    });
    run_deferred_calls();
}

namespace {
template <typename W>
W* as(QWidget* w, ControlName c)
{
    auto* typed = qobject_cast<W*>(w);
    if (typed == nullptr)
        throw std::out_of_range("no control of that kind named " + std::string(c.utf8));
    return typed;
}
} // namespace

Text MainWindow::get_content(ControlName edit)
{
    return on_ui([&] {
        QWidget* w = widget(edit);
        if (auto* big = qobject_cast<BigBox*>(w))
            return from_box(big->document()->toRawText());
        return from_box(as<QLineEdit>(w, edit)->text());
    });
}

void MainWindow::set_content(ControlName edit, const Text& t)
{
    if (auto* big = qobject_cast<BigBox*>(widget(edit))) {
        replace_box_text(big, edit, t);
        return;
    }
    on_ui([&] {
        as<QLineEdit>(widget(edit), edit)->setText(to_box(t));
        raise(edit, Event::content_changed);
    });
}

void MainWindow::append_text(ControlName edit, const Text& t)
{
    const bool long_line = has_very_long_line(t);
    on_ui([&] {
        auto* big = as<BigBox>(widget(edit), edit);
        std::optional<LongLineNote> note;
        if (long_line)
            note.emplace(panes_[3]);
        {
            const QSignalBlocker quiet(big);
            big->append_at_end(to_box(t));
        }
        if (long_line)
            big->viewport()->repaint();
        raise(edit, Event::content_changed);
    });
}

bool MainWindow::is_checked(ControlName box)
{
    return on_ui([&] { return as<QAbstractButton>(widget(box), box)->isChecked(); });
}

int MainWindow::get_selection(ControlName combo)
{
    return on_ui([&] { return as<QComboBox>(widget(combo), combo)->currentIndex(); });
}

Text MainWindow::get_item(ControlName combo, int index)
{
    return on_ui([&] {
        auto* box = as<QComboBox>(widget(combo), combo);
        if (index < 0 || index >= box->count())
            return Text();
        return from_box(box->itemText(index));
    });
}

void MainWindow::set_caption(ControlName label, const Text& t)
{
    on_ui([&] { as<QLabel>(widget(label), label)->setText(to_box(t)); });
}

void MainWindow::set_pane_text(ControlName status_bar, int pane, const Text& t)
{
    on_ui([&] {
        if (widget(status_bar) != status_ || pane < 0 || pane > 3)
            return;
        panes_[pane]->setText(QString::fromStdU16String(text_to_utf16(t)));
    });
}

int MainWindow::get_line_count(ControlName edit)
{
    return on_ui([&] { return as<BigBox>(widget(edit), edit)->blockCount(); });
}

void MainWindow::paste(ControlName edit)
{
    on_ui([&] { as<BigBox>(widget(edit), edit)->paste(); });
}

Rect MainWindow::get_geometry(ControlName c)
{
    return on_ui([&] { return controls_.at(std::string(c.utf8)).geometry; });
}

void MainWindow::set_edge(ControlName c, int Rect::*edge, int v)
{
    on_ui([&] {
        Rect r = controls_.at(std::string(c.utf8)).geometry;
        r.*edge = v;
        place(c, r);
    });
}

void MainWindow::set_left(ControlName c, int v) { set_edge(c, &Rect::left, v); }

void MainWindow::set_top(ControlName c, int v) { set_edge(c, &Rect::top, v); }

void MainWindow::set_width(ControlName c, int v) { set_edge(c, &Rect::width, v); }

void MainWindow::set_height(ControlName c, int v) { set_edge(c, &Rect::height, v); }

int MainWindow::client_width()
{
    return on_ui([&] { return isMinimized() ? 0 : width(); });
}

int MainWindow::client_height()
{
    return on_ui([&] { return isMinimized() ? 0 : height(); });
}

void run_until_closed()
{
    const int code = QApplication::exec();
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace fenrow
