#include "app/qt/skin/skin_style.h"

#include <QAbstractButton>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>

namespace fenrow::skin {

namespace {

QColor qcolour(Rgb c) { return QColor(c.r, c.g, c.b); }

// Half-pixel inset: one-pixel lines fall on whole pixels with antialiasing on.
QRectF line_rect(const QRect& r) { return QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5); }

class Painting {
public:
    explicit Painting(QPainter* p) : p_(p)
    {
        p_->save();
        p_->setRenderHint(QPainter::Antialiasing, true);
    }
    ~Painting() { p_->restore(); }
    Painting(const Painting&) = delete;
    Painting& operator=(const Painting&) = delete;

private:
    QPainter* p_;
};

bool enabled(const QStyleOption* opt) { return (opt->state & QStyle::State_Enabled) != 0; }
bool hovered(const QStyleOption* opt) { return enabled(opt) && (opt->state & QStyle::State_MouseOver) != 0; }

} // namespace

SkinStyle::SkinStyle(const QString& base_style, const Skin* look) : QProxyStyle(base_style), look_(look)
{
    setObjectName(QStringLiteral("fenrow-skin"));
}

QColor SkinStyle::colour(Role r) const { return qcolour((*look_)[r]); }

void SkinStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    switch (pe) {
    case PE_PanelButtonCommand:
        draw_button_panel(opt, p);
        return;
    case PE_PanelLineEdit: {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt);
        if (frame != nullptr && frame->lineWidth > 0) {
            draw_edit_panel(opt, p, true);
        } else {
            p->fillRect(opt->rect, opt->palette.base());
        }
        return;
    }
    case PE_FrameLineEdit:
        draw_edit_panel(opt, p, false);
        return;
    case PE_Frame:
        if (w != nullptr && qobject_cast<const QStatusBar*>(w->parentWidget()) != nullptr) {
            draw_status_pane(opt, p);
        } else {
            draw_box_frame(opt, p, w);
        }
        return;
    case PE_FrameGroupBox: {
        Painting keep(p);
        p->setPen(colour(Role::panel_border));
        p->setBrush(colour(Role::panel));
        // The boxes stand edge to edge; a little air between their panels.
        p->drawRoundedRect(line_rect(opt->rect.adjusted(0, 2, 0, -1)), look_->radius, look_->radius);
        return;
    }
    case PE_PanelStatusBar:
        p->fillRect(opt->rect, colour(Role::status));
        p->setPen(colour(Role::status_border));
        p->drawLine(opt->rect.topLeft(), opt->rect.topRight());
        return;
    case PE_FrameStatusBarItem:
        return; // the panes draw their own frames
    case PE_FrameFocusRect:
        // A push button shows its focus in its border.
        if (qobject_cast<const QPushButton*>(w) != nullptr)
            return;
        break;
    case PE_IndicatorCheckBox:
        draw_check(opt, p);
        return;
    case PE_IndicatorRadioButton:
        draw_radio(opt, p);
        return;
    default:
        break;
    }
    QProxyStyle::drawPrimitive(pe, opt, p, w);
}

void SkinStyle::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                                   const QWidget* w) const
{
    if (cc == CC_ScrollBar) {
        if (const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt)) {
            draw_scroll_bar(bar, p, w);
            return;
        }
    }
    const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
    if (cc == CC_ComboBox && combo != nullptr && !combo->editable) {
        // A drop-down list looks like a button with a chevron; the style draws the text.
        draw_button_panel(opt, p);
        const QRect arrow = subControlRect(CC_ComboBox, opt, SC_ComboBoxArrow, w);
        draw_chevron(p, QRectF(arrow), Qt::DownArrow, colour(enabled(opt) ? Role::button_text : Role::disabled_text));
        return;
    }
    QProxyStyle::drawComplexControl(cc, opt, p, w);
}

void SkinStyle::draw_chevron(QPainter* p, const QRectF& r, Qt::ArrowType direction, const QColor& c) const
{
    Painting keep(p);
    QPen pen(c, 1.5);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p->setPen(pen);
    const QPointF m = r.center();
    const qreal h = std::clamp(std::min(r.width(), r.height()) / 4.0, 1.5, 3.5);
    QPolygonF v;
    switch (direction) {
    case Qt::UpArrow: v = {m + QPointF(-h, h / 2), m + QPointF(0, -h / 2), m + QPointF(h, h / 2)}; break;
    case Qt::LeftArrow: v = {m + QPointF(h / 2, -h), m + QPointF(-h / 2, 0), m + QPointF(h / 2, h)}; break;
    case Qt::RightArrow: v = {m + QPointF(-h / 2, -h), m + QPointF(h / 2, 0), m + QPointF(-h / 2, h)}; break;
    default: v = {m + QPointF(-h, -h / 2), m + QPointF(0, h / 2), m + QPointF(h, -h / 2)}; break;
    }
    p->drawPolyline(v);
}

void SkinStyle::draw_scroll_bar(const QStyleOptionSlider* bar, QPainter* p, const QWidget* w) const
{
    // Flat: a quiet track, a rounded thumb, chevrons for the step buttons. The
    // parts keep the places the underlying style gives them.
    const bool across = bar->orientation == Qt::Horizontal;
    const bool scrolls = bar->maximum > bar->minimum && enabled(bar);
    p->fillRect(bar->rect, colour(Role::panel));
    p->setPen(colour(Role::panel_border));
    if (across) {
        p->drawLine(bar->rect.topLeft(), bar->rect.topRight());
    } else {
        p->drawLine(bar->rect.topLeft(), bar->rect.bottomLeft());
    }
    const QColor arrow = colour(scrolls ? Role::button_text : Role::disabled_text);
    const struct {
        SubControl part;
        Qt::ArrowType direction;
    } steps[] = {{SC_ScrollBarSubLine, across ? Qt::LeftArrow : Qt::UpArrow},
                 {SC_ScrollBarAddLine, across ? Qt::RightArrow : Qt::DownArrow}};
    for (const auto& step : steps) {
        const QRect r = subControlRect(CC_ScrollBar, bar, step.part, w);
        if (r.isEmpty())
            continue;
        if (scrolls && (bar->activeSubControls & step.part) != 0 && (bar->state & State_Sunken) != 0)
            p->fillRect(r.adjusted(across ? 0 : 1, across ? 1 : 0, 0, 0), colour(Role::button_pressed));
        draw_chevron(p, QRectF(r), step.direction, arrow);
    }
    if (!scrolls)
        return;
    const QRect thumb = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, w);
    if (thumb.isEmpty())
        return;
    Role fill = Role::panel_border;
    if ((bar->activeSubControls & SC_ScrollBarSlider) != 0)
        fill = (bar->state & State_Sunken) != 0 ? Role::accent : hovered(bar) ? Role::frame : fill;
    Painting keep(p);
    const QRectF r = QRectF(thumb).adjusted(across ? 1 : 3, across ? 3 : 1, across ? -1 : -2, across ? -2 : -1);
    const qreal round = std::min(r.width(), r.height()) / 2;
    p->setPen(Qt::NoPen);
    p->setBrush(colour(fill));
    p->drawRoundedRect(r, round, round);
}

void SkinStyle::draw_button_panel(const QStyleOption* opt, QPainter* p) const
{
    Painting keep(p);
    const QRectF r = line_rect(opt->rect);
    const bool down = (opt->state & (State_Sunken | State_On)) != 0;
    if (!enabled(opt)) {
        p->setBrush(colour(Role::panel));
        p->setPen(colour(Role::panel_border));
    } else {
        if (down) {
            p->setBrush(colour(Role::button_pressed));
        } else {
            QLinearGradient fill(r.topLeft(), r.bottomLeft());
            fill.setColorAt(0, colour(hovered(opt) ? Role::button_hover : Role::button_top));
            fill.setColorAt(1, colour(Role::button_bottom));
            p->setBrush(fill);
        }
        const bool lit = hovered(opt) || (opt->state & State_HasFocus) != 0 || down;
        p->setPen(colour(lit ? Role::accent : Role::button_border));
    }
    p->drawRoundedRect(r, look_->radius, look_->radius);
}

void SkinStyle::draw_edit_panel(const QStyleOption* opt, QPainter* p, bool fill) const
{
    Painting keep(p);
    const qreal radius = std::min(look_->radius, 3);
    p->setBrush(fill ? opt->palette.base() : QBrush(Qt::NoBrush));
    if (!enabled(opt)) {
        p->setPen(colour(Role::panel_border));
    } else {
        p->setPen(colour((opt->state & State_HasFocus) != 0 ? Role::accent : Role::frame));
    }
    p->drawRoundedRect(line_rect(opt->rect), radius, radius);
}

void SkinStyle::draw_box_frame(const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    // A one-pixel border; the rest of the frame's width takes the box's own
    // background, so the inside reads as one white sheet.
    const int width = pixelMetric(PM_DefaultFrameWidth, opt, w);
    const QRect r = opt->rect;
    p->save();
    p->setPen(opt->palette.color(QPalette::Base));
    for (int i = 1; i < width; ++i)
        p->drawRect(r.adjusted(i, i, -i - 1, -i - 1));
    p->setPen(colour(Role::frame));
    p->drawRect(r.adjusted(0, 0, -1, -1));
    p->restore();
}

void SkinStyle::draw_status_pane(const QStyleOption* opt, QPainter* p) const
{
    Painting keep(p);
    const qreal radius = std::min(look_->radius, 3);
    p->setPen(colour(Role::status_border));
    p->setBrush(colour(Role::panel));
    p->drawRoundedRect(line_rect(opt->rect), radius, radius);
}

void SkinStyle::draw_check(const QStyleOption* opt, QPainter* p) const
{
    Painting keep(p);
    const QRectF r = line_rect(opt->rect);
    const bool on = (opt->state & State_On) != 0, partly = (opt->state & State_NoChange) != 0;
    if (!enabled(opt)) {
        p->setBrush(colour(Role::panel));
        p->setPen(colour(Role::panel_border));
    } else if (on || partly) {
        p->setBrush(colour(Role::accent));
        p->setPen(colour(Role::accent));
    } else {
        p->setBrush(colour(Role::base));
        p->setPen(colour(hovered(opt) ? Role::accent : Role::frame));
    }
    p->drawRoundedRect(r, 2.5, 2.5);
    if (!on && !partly)
        return;
    QPen mark(enabled(opt) ? colour(Role::selection_text) : colour(Role::disabled_text), std::max(1.5, r.width() / 8));
    mark.setCapStyle(Qt::RoundCap);
    mark.setJoinStyle(Qt::RoundJoin);
    p->setPen(mark);
    const qreal x = r.x(), y = r.y(), s = r.width();
    if (partly) {
        p->drawLine(QPointF(x + s * 0.28, y + s * 0.5), QPointF(x + s * 0.72, y + s * 0.5));
    } else {
        p->drawPolyline(QPolygonF({QPointF(x + s * 0.24, y + s * 0.52), QPointF(x + s * 0.42, y + s * 0.70),
                                   QPointF(x + s * 0.76, y + s * 0.31)}));
    }
}

void SkinStyle::draw_radio(const QStyleOption* opt, QPainter* p) const
{
    Painting keep(p);
    const QRectF r = line_rect(opt->rect);
    const bool on = (opt->state & State_On) != 0;
    p->setBrush(enabled(opt) ? colour(Role::base) : colour(Role::panel));
    p->setPen(colour(!enabled(opt) ? Role::panel_border : (on || hovered(opt)) ? Role::accent : Role::frame));
    p->drawEllipse(r);
    if (!on)
        return;
    p->setPen(Qt::NoPen);
    p->setBrush(enabled(opt) ? colour(Role::accent) : colour(Role::disabled_text));
    const qreal inset = r.width() * 0.27;
    p->drawEllipse(r.adjusted(inset, inset, -inset, -inset));
}

QPalette skin_palette(const Skin& s)
{
    auto c = [&](Role r) { return qcolour(s[r]); };
    QPalette p;
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool off = g == QPalette::Disabled;
        p.setColor(g, QPalette::Window, c(Role::window));
        p.setColor(g, QPalette::WindowText, c(off ? Role::disabled_text : Role::window_text));
        p.setColor(g, QPalette::Base, c(off ? Role::panel : Role::base));
        p.setColor(g, QPalette::AlternateBase, c(Role::panel));
        p.setColor(g, QPalette::Text, c(off ? Role::disabled_text : Role::base_text));
        p.setColor(g, QPalette::PlaceholderText, c(Role::disabled_text));
        p.setColor(g, QPalette::Button, c(off ? Role::panel : Role::button_bottom));
        p.setColor(g, QPalette::ButtonText, c(off ? Role::disabled_text : Role::button_text));
        p.setColor(g, QPalette::BrightText, c(Role::base));
        p.setColor(g, QPalette::Light, c(Role::button_top));
        p.setColor(g, QPalette::Midlight, c(Role::panel));
        p.setColor(g, QPalette::Mid, c(Role::frame));
        p.setColor(g, QPalette::Dark, c(Role::button_border));
        p.setColor(g, QPalette::Shadow, c(Role::window_text));
        p.setColor(g, QPalette::Highlight, c(off ? Role::frame : Role::selection));
        p.setColor(g, QPalette::HighlightedText, c(Role::selection_text));
        p.setColor(g, QPalette::ToolTipBase, c(Role::panel));
        p.setColor(g, QPalette::ToolTipText, c(Role::window_text));
        p.setColor(g, QPalette::Link, c(Role::accent));
    }
    return p;
}

} // namespace fenrow::skin
