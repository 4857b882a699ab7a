// The skin library: once a skin is attached, every window of the process is
// drawn with it. It shares the program's Qt, so it restyles through qApp.
#include "app/skin/skin_api.h"
#include "app/skin/skin_entry.h"
#include "app/qt/skin/skin_style.h"

#include <QApplication>
#include <QPointer>
#include <QStyle>
#include <QThread>
#include <QWidget>

using namespace fenrow::skin;

namespace {

struct Look {
    Colours colours;
    bool attached = false;
    QPointer<QStyle> style;
    // The look before the first attach.
    QString base_style;
    QPalette original_palette;
};

// Never freed: the style draws from it for as long as the application lives.
Look* look = nullptr;

bool on_ui_thread()
{
    const auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

void show_look()
{
    if (look->style.isNull() || QApplication::style() != look->style) {
        look->style = new SkinStyle(look->base_style, &look->colours.shown());
        QApplication::setStyle(look->style); // the application owns it from here
    }
    QApplication::setPalette(skin_palette(look->colours.shown()));
    for (QWidget* w : QApplication::allWidgets())
        w->update();
}

} // namespace

int SkinH_AttachRes(const unsigned char* data, int size, const char* password, int flags)
{
    return guarded(0, [&] {
        if (!on_ui_thread())
            return 0;
        const std::optional<Skin> skin = skin_of_call(data, size, password, flags);
        if (!skin)
            return 0;
        if (look == nullptr)
            look = new Look;
        if (!look->attached) {
            look->base_style = QApplication::style()->name();
            look->original_palette = QApplication::palette();
        }
        look->colours.wear(*skin);
        look->attached = true;
        show_look();
        return 1;
    });
}

int SkinH_AdjustHSV(int hue, int saturation, int lightness)
{
    return guarded(0, [&] {
        if (!on_ui_thread() || look == nullptr || !look->attached)
            return 0;
        look->colours.shift(hue, saturation, lightness);
        show_look();
        return 1;
    });
}

void fenrow_skin_detach()
{
    guarded([] {
        if (!on_ui_thread() || look == nullptr || !look->attached)
            return;
        look->attached = false;
        if (!look->style.isNull() && QApplication::style() == look->style)
            QApplication::setStyle(look->base_style);
        QApplication::setPalette(look->original_palette);
    });
}
