#include "app/qt/main_window.h"

#include "app/qt/list_box.h"
#include "app/qt/qt_text.h"
#include "app/qt/widgets.h"
#include "app/window_settings.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace fenrow {

namespace {

template <typename W>
W* as(QWidget* w, const ControlSpec& row)
{
    auto* typed = qobject_cast<W*>(w);
    if (typed == nullptr)
        throw std::out_of_range("no control of that kind named " + std::string(row.name.utf8));
    return typed;
}

// A worker's call is waiting: the window's own event, posted to its thread.
QEvent::Type calls_waiting()
{
    static const auto t = static_cast<QEvent::Type>(QEvent::registerEventType());
    return t;
}

// While an operation runs: the user's input to the window taken away, but
// Esc and a large box's menu, which hold "停止". Other windows (a message the
// operation shows, the menu itself) take their input.
class StopOnlyInput : public QObject {
public:
    StopOnlyInput(QWidget* window, ProgressWatch& watch) : window_(window), watch_(watch) {}

    bool eventFilter(QObject* o, QEvent* e) override
    {
        auto* w = qobject_cast<QWidget*>(o);
        if (w == nullptr || w->window() != window_)
            return false;
        switch (e->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
                watch_.ask_to_stop();
            return true;
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::RightButton && in_large_box(w))
                offer_stop(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
            return true;
        case QEvent::ContextMenu:
            if (in_large_box(w))
                offer_stop(static_cast<QContextMenuEvent*>(e)->globalPos());
            return true;
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::HoverEnter:
        case QEvent::HoverMove:
        case QEvent::HoverLeave:
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::Close: return true;
        default: return false;
        }
    }

private:
    static bool in_large_box(const QWidget* w)
    {
        return qobject_cast<const ListBox*>(w) != nullptr || qobject_cast<const ListBox*>(w->parentWidget()) != nullptr;
    }
    void offer_stop(const QPoint& at)
    {
        QMenu menu;
        QAction* stop = menu.addAction(to_qt(stop_item_caption()));
        if (menu.exec(at) == stop)
            watch_.ask_to_stop();
    }

    QWidget* window_;
    ProgressWatch& watch_;
};

} // namespace

ListBoxCore* QtControls::make(const ControlSpec& row)
{
    if (row.kind == ControlKind::status_bar) {
        build_status_bar();
        return nullptr;
    }
    QWidget* parent = row.container == ctl::main_window ? window_ : widget(row.container);
    QWidget* w = make_widget(row, parent);
    widgets_.emplace(row.name.utf8, w);
    if (row.kind == ControlKind::button)
        QObject::connect(static_cast<QAbstractButton*>(w), &QAbstractButton::clicked, window_,
                         [this, name = row.name] { clicked(name); });
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        QObject::connect(edit, &QLineEdit::textChanged, window_, [this, name = row.name] { edited(name); });
    w->show();
    auto* box = qobject_cast<ListBox*>(w);
    return box != nullptr ? &box->core() : nullptr;
}

void QtControls::build_status_bar()
{
    status_ = new QStatusBar(window_);
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
    widgets_.emplace(ctl::status_bar.utf8, status_);
    status_->show();
}

void QtControls::dock_status_bar()
{
    const int h = status_->sizeHint().height();
    status_->setGeometry(0, window_->height() - h, window_->width(), h);
}

QWidget* QtControls::widget(ControlName c) const
{
    auto it = widgets_.find(c.utf8);
    return it == widgets_.end() ? nullptr : it->second;
}

void QtControls::place(const ControlSpec& row, const Rect& r)
{
    widget(row.name)->setGeometry(r.left, r.top, std::max(r.width, 0), std::max(r.height, 0));
}

Text QtControls::text(const ControlSpec& row) { return from_box(as<QLineEdit>(widget(row.name), row)->text()); }

void QtControls::set_text(const ControlSpec& row, const Text& t)
{
    QWidget* w = widget(row.name);
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(to_box(t));
    else
        as<QLabel>(w, row)->setText(to_box(t));
}

bool QtControls::checked(const ControlSpec& row) { return as<QAbstractButton>(widget(row.name), row)->isChecked(); }

// Radio boxes of one container exclude each other by themselves.
void QtControls::set_checked(const ControlSpec& row, bool on)
{
    as<QAbstractButton>(widget(row.name), row)->setChecked(on);
}

int QtControls::selection(const ControlSpec& row) { return as<QComboBox>(widget(row.name), row)->currentIndex(); }

void QtControls::set_selection(const ControlSpec& row, int index)
{
    as<QComboBox>(widget(row.name), row)->setCurrentIndex(index);
}

Text QtControls::item(const ControlSpec& row, int index)
{
    auto* box = as<QComboBox>(widget(row.name), row);
    return index < 0 || index >= box->count() ? Text() : from_box(box->itemText(index));
}

void QtControls::set_pane_text(int pane, const Text& t) { panes_[pane]->setText(to_qt(t)); }

int QtControls::fitted_width(const ControlSpec& row, CaptionFit fit)
{
    QWidget* w = widget(row.name);
    QFont f = w->font();
    f.setPixelSize(fit.pixel_size);
    f.setStretch(fit.stretch);
    w->setFont(f);
    return w->sizeHint().width();
}

std::pair<int, int> QtControls::client_size()
{
    return window_->isMinimized() ? std::pair{0, 0} : std::pair{window_->width(), window_->height()};
}

std::optional<FilterOptions> QtControls::ask_filter(const FilterQuestion& q)
{
    const FilterDialogWords& words = filter_dialog_words();
    QDialog dialog(window_);
    dialog.setWindowTitle(to_qt(q.title));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(to_qt(words.prompt), &dialog);
    auto* text = new QComboBox(&dialog);
    text->setEditable(true);
    text->setInsertPolicy(QComboBox::NoInsert);
    text->setMinimumContentsLength(24);
    for (const Text& t : q.recent)
        text->addItem(to_box(t));
    label->setBuddy(text);
    auto* regex = new QCheckBox(to_qt(words.regex), &dialog);
    regex->setChecked(q.last.regex);
    auto* ignore_case = new QCheckBox(to_qt(words.ignore_case), &dialog);
    ignore_case->setChecked(q.last.ignore_case);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(to_qt(words.ok));
    buttons->button(QDialogButtonBox::Cancel)->setText(to_qt(words.cancel));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // Nothing to look for is no filter.
    auto ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(!text->currentText().isEmpty());
    QObject::connect(text, &QComboBox::editTextChanged, ok, [ok](const QString& t) { ok->setEnabled(!t.isEmpty()); });
    for (QWidget* w : std::initializer_list<QWidget*>{label, text, regex, ignore_case, buttons})
        layout->addWidget(w);
    text->lineEdit()->selectAll();
    if (dialog.exec() != QDialog::Accepted || text->currentText().isEmpty())
        return std::nullopt;
    FilterOptions o;
    o.text = from_box(text->currentText());
    o.regex = regex->isChecked();
    o.ignore_case = ignore_case->isChecked();
    return o;
}

void QtControls::serve_during_operation(ProgressWatch& watch)
{
    StopOnlyInput filter(window_, watch);
    qApp->installEventFilter(&filter); // before the window's own: it sees the input first
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(&filter);
}

MainWindow::MainWindow()
    : QtControlsHolder(this), TableWindow(control_table(), widgets, [this] {
          QCoreApplication::postEvent(this, new QEvent(calls_waiting()));
          return true;
      })
{
    setWindowTitle(qs(window_title));
    setWindowIcon(app_icon());
    setMouseTracking(true);
    widgets.clicked = [this](ControlName c) { raise(c, Event::clicked); };
    widgets.edited = [this](ControlName c) { edit_changed(c); };
    build();
    resize(design_client_width, design_client_height);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - design_outer_width) / 2, s.y() + (s.height() - design_outer_height) / 2);
    }
    widgets.dock_status_bar();
    qApp->installEventFilter(this);
    // Between operations Esc stops the jobs that still write into a box.
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, [this] { stop(); });
    raise(ctl::main_window, Event::created);
    restore_window_settings(*this);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    shut_down();
}

bool MainWindow::event(QEvent* e)
{
    if (e->type() != calls_waiting())
        return QWidget::event(e);
    run_pending_calls();
    return true;
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    save_window_settings(*this); // a file that cannot be written keeps nobody from closing
    QWidget::closeEvent(e);
}

void MainWindow::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    widgets.dock_status_bar();
    raise(ctl::main_window, Event::size_changed);
}

void MainWindow::changeEvent(QEvent* e)
{
    QWidget::changeEvent(e);
    // Minimising is a size change to an empty client area; restoring is another.
    if (e->type() == QEvent::WindowStateChange)
        raise(ctl::main_window, Event::size_changed);
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
    raise(control_at(at.x(), at.y()), Event::mouse_moved);
    return false;
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
