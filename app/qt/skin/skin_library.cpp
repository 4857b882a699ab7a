// The skin library: once a skin is attached, every window of the process is
// drawn with it. It shares the program's Qt, so it restyles through qApp.
#include "app/skin/skin_api.h"
#include "app/skin/skin_format.h"
#include "app/qt/skin/skin_style.h"

#include <QApplication>
#include <QPointer>
#include <QStyle>
#include <QThread>
#include <QWidget>

#include <algorithm>

using namespace fenrow::skin;

namespace {

struct Look {
    Skin stored;
    Skin shown; // stored, with the colour shift
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
        look->style = new SkinStyle(look->base_style, &look->shown);
        QApplication::setStyle(look->style); // the application owns it from here
    }
    QApplication::setPalette(skin_palette(look->shown));
    for (QWidget* w : QApplication::allWidgets())
        w->update();
}

} // namespace

int SkinH_AttachRes(const unsigned char* data, int size, const char* password, int flags)
{
    try {
        if (!on_ui_thread() || (password != nullptr && *password != '\0') || flags != 0 || size <= 0)
            return 0;
        const std::optional<Skin> skin = parse_skin(data, static_cast<std::size_t>(size));
        if (!skin)
            return 0;
        if (look == nullptr)
            look = new Look;
        if (!look->attached) {
            look->base_style = QApplication::style()->name();
            look->original_palette = QApplication::palette();
        }
        look->stored = *skin;
        look->shown = *skin;
        look->attached = true;
        show_look();
        return 1;
    } catch (...) {
        return 0;
    }
}

int SkinH_AdjustHSV(int hue, int saturation, int lightness)
{
    try {
        if (!on_ui_thread() || look == nullptr || !look->attached)
            return 0;
        look->shown = shift_skin(look->stored, std::clamp(hue, -hue_limit, hue_limit),
                                 std::clamp(saturation, -saturation_limit, saturation_limit),
                                 std::clamp(lightness, -lightness_limit, lightness_limit));
        show_look();
        return 1;
    } catch (...) {
        return 0;
    }
}

void fenrow_skin_detach()
{
    try {
        if (!on_ui_thread() || look == nullptr || !look->attached)
            return;
        look->attached = false;
        if (!look->style.isNull() && QApplication::style() == look->style)
            QApplication::setStyle(look->base_style);
        QApplication::setPalette(look->original_palette);
    } catch (...) {
    }
}
