// The skin's drawing: a proxy over the style the application already uses, so
// every size, margin and font stays that style's; only colours and shapes of
// buttons, boxes, panels, indicators and the status bar are ours.
#pragma once

#include "app/skin/skin_format.h"

#include <QPalette>
#include <QProxyStyle>

class QStyleOptionSlider;

namespace fenrow::skin {

class SkinStyle : public QProxyStyle {
public:
    // look must outlive the style; it may change between paints.
    SkinStyle(const QString& base_style, const Skin* look);

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const override;
    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                            const QWidget* w) const override;

private:
    QColor colour(Role r) const;
    void draw_button_panel(const QStyleOption* opt, QPainter* p) const;
    void draw_edit_panel(const QStyleOption* opt, QPainter* p, bool fill) const;
    void draw_box_frame(const QStyleOption* opt, QPainter* p, const QWidget* w) const;
    void draw_status_pane(const QStyleOption* opt, QPainter* p) const;
    void draw_check(const QStyleOption* opt, QPainter* p) const;
    void draw_radio(const QStyleOption* opt, QPainter* p) const;
    void draw_chevron(QPainter* p, const QRectF& r, Qt::ArrowType direction, const QColor& c) const;
    void draw_scroll_bar(const QStyleOptionSlider* bar, QPainter* p, const QWidget* w) const;

    const Skin* look_;
};

// The application palette of a skin: the colours every widget without a
// colour of its own takes.
QPalette skin_palette(const Skin& s);

} // namespace fenrow::skin
