#include "app/qt/main_window.h"

#include "app/control_table.h"
#include "app/qt/list_box.h"
#include "app/qt/qt_text.h"
#include "app/qt/widgets.h"
#include "ops/jobs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>

#include <algorithm>
#include <stdexcept>

namespace fenrow {

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
    raise(ctl::main_window, Event::created);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    ui_thread_.close();
    workers_.stop_all();
    wait_for_box_jobs(*this);
}

void MainWindow::build()
{
    for (const ControlSpec& row : control_table()) {
        if (row.kind == ControlKind::status_bar) {
            build_status_bar();
            controls_.emplace(std::string(row.name.utf8), Entry{&row, status_, row.geometry});
            continue;
        }
        QWidget* parent = row.container == ctl::main_window ? this : widget(row.container);
        QWidget* w = make_widget(row, parent, ui_thread_);
        controls_.emplace(std::string(row.name.utf8), Entry{&row, w, row.geometry});
        connect_events(row, w);
        w->show();
    }
}

void MainWindow::connect_events(const ControlSpec& row, QWidget* w)
{
    const ControlName name = row.name;
    if (auto* box = qobject_cast<ListBox*>(w)) {
        box->content_changed = [this, name] { raise(name, Event::content_changed); };
        box->operation_undone = [this](const Text& note) {
            if (!note.empty())
                panes_[hint_pane]->setText(to_qt(note));
        };
    }
    else if (row.kind == ControlKind::button)
        QObject::connect(static_cast<QAbstractButton*>(w), &QAbstractButton::clicked, this,
                         [this, name] { raise(name, Event::clicked); });
}

void MainWindow::build_status_bar()
{
    status_ = new QStatusBar(this);
    status_->setObjectName(qs(ctl::status_bar));
    status_->setSizeGripEnabled(true);
    for (int i = 0; i < pane_count; ++i) {
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
    raise(ctl::main_window, Event::size_changed);
}

void MainWindow::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    // Minimising is a size change to an empty client area; restoring is another.
    if (e->type() == QEvent::WindowStateChange)
        raise(ctl::main_window, Event::size_changed);
}

ControlName MainWindow::control_of(QObject* o) const
{
    for (; o != nullptr && o != this; o = o->parent()) {
        const QByteArray name = o->objectName().toUtf8();
        auto it = controls_.find(std::string_view(name.constData(), static_cast<std::size_t>(name.size())));
        if (it != controls_.end())
            return it->second.row->name;
    }
    return ctl::main_window;
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
        c = ctl::main_window;
    raise(c, Event::mouse_moved);
    return false;
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
    if (auto* big = qobject_cast<ListBox*>(widget(edit)))
        return big->text();
    return ui_thread_.call([&] { return from_box(as<QLineEdit>(widget(edit), edit)->text()); });
}

void MainWindow::set_content(ControlName edit, const Text& t)
{
    if (auto* big = qobject_cast<ListBox*>(widget(edit))) {
        big->set_text(t);
        return;
    }
    ui_thread_.call([&] {
        as<QLineEdit>(widget(edit), edit)->setText(to_box(t));
        raise(edit, Event::content_changed);
    });
}

void MainWindow::append_text(ControlName edit, const Text& t) { as<ListBox>(widget(edit), edit)->append(t); }

void MainWindow::begin_operation(ControlName box, const Text& undo_note)
{
    as<ListBox>(widget(box), box)->begin_operation(undo_note);
}

bool MainWindow::is_checked(ControlName box)
{
    return ui_thread_.call([&] { return as<QAbstractButton>(widget(box), box)->isChecked(); });
}

int MainWindow::get_selection(ControlName combo)
{
    return ui_thread_.call([&] { return as<QComboBox>(widget(combo), combo)->currentIndex(); });
}

Text MainWindow::get_item(ControlName combo, int index)
{
    return ui_thread_.call([&] {
        auto* box = as<QComboBox>(widget(combo), combo);
        if (index < 0 || index >= box->count())
            return Text();
        return from_box(box->itemText(index));
    });
}

void MainWindow::set_caption(ControlName label, const Text& t)
{
    ui_thread_.call([&] { as<QLabel>(widget(label), label)->setText(to_box(t)); });
}

void MainWindow::set_pane_text(ControlName status_bar, int pane, const Text& t)
{
    ui_thread_.call([&] {
        if (widget(status_bar) != status_ || pane < 0 || pane >= pane_count)
            return;
        panes_[pane]->setText(to_qt(t));
    });
}

int MainWindow::get_line_count(ControlName edit) { return as<ListBox>(widget(edit), edit)->line_count(); }

void MainWindow::paste(ControlName edit)
{
    ui_thread_.call([&] { as<ListBox>(widget(edit), edit)->paste(); });
}

Rect MainWindow::get_geometry(ControlName c)
{
    return ui_thread_.call([&] { return controls_.at(std::string(c.utf8)).geometry; });
}

void MainWindow::set_edge(ControlName c, int Rect::*edge, int v)
{
    ui_thread_.call([&] {
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
    return ui_thread_.call([&] { return isMinimized() ? 0 : width(); });
}

int MainWindow::client_height()
{
    return ui_thread_.call([&] { return isMinimized() ? 0 : height(); });
}

bool MainWindow::start_owned_worker(std::function<void(std::stop_token)> body)
{
    return workers_.start(std::move(body));
}

int run_main_window(const std::function<void(MainWindow&)>& on_show)
{
    MainWindow window;
    window.show();
    if (on_show)
        on_show(window);
    return QApplication::exec();
}

} // namespace fenrow
