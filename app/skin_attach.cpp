#include "app/skin_attach.h"

#include "app/library_loader.h"
#include "app/skin/skin_format.h"
#include "runtime/files.h"

#include <algorithm>
#include <system_error>

namespace fenrow {

namespace {

// Captions keep their own red and blue; these are the colours around them.
constexpr char calm_body[] = "FRWSKIN 1\n"
                             "# Calm: cool light greys, white boxes, one blue accent.\n"
                             "window=#E9EDF2\n"
                             "window_text=#1F2937\n"
                             "panel=#F7F9FB\n"
                             "panel_border=#C9D1DB\n"
                             "base=#FFFFFF\n"
                             "base_text=#1F2937\n"
                             "frame=#AAB5C2\n"
                             "accent=#2F6FCC\n"
                             "button_top=#FFFFFF\n"
                             "button_bottom=#E8ECF1\n"
                             "button_border=#A7B2BF\n"
                             "button_hover=#EEF4FC\n"
                             "button_pressed=#D8E4F4\n"
                             "button_text=#1F2937\n"
                             "selection=#2F6FCC\n"
                             "selection_text=#FFFFFF\n"
                             "status=#DFE4EA\n"
                             "status_border=#C3CCD6\n"
                             "disabled_text=#8A95A3\n"
                             "radius=4\n";
constexpr auto calm_skin = skin::seal(calm_body);

} // namespace

const ByteArray& builtin_skin()
{
    static const ByteArray bytes(calm_skin.data(), calm_skin.size());
    return bytes;
}

bool SkinLibrary::load()
{
    if (handle_ != nullptr)
        return true;
    handle_ = library_loader::open(path_);
    if (handle_ == nullptr)
        return false;
    // Never closed: the windows it restyled go on drawing with its code.
    attach_ = reinterpret_cast<skin::AttachFn>(library_loader::find(handle_, skin::attach_entry));
    adjust_ = reinterpret_cast<skin::AdjustFn>(library_loader::find(handle_, skin::adjust_entry));
    return true;
}

bool SkinLibrary::attach(const ByteArray& skin)
{
    if (!load() || attach_ == nullptr)
        return false;
    return attach_(skin.data(), skin.size(), nullptr, 0) != 0;
}

bool SkinLibrary::adjust(int hue, int saturation)
{
    if (!load() || adjust_ == nullptr)
        return false;
    return adjust_(hue, saturation, 0) != 0;
}

void attach_skin_with(SkinLibrary& library, const ByteArray& skin, int hue, int saturation)
{
    library.attach(skin);
    library.adjust(std::clamp(hue, -skin::hue_limit, skin::hue_limit),
                   std::clamp(saturation, -skin::saturation_limit, skin::saturation_limit));
}

std::filesystem::path skin_library_path()
{
    const std::filesystem::path dir = to_fs_path(program_dir());
    std::filesystem::path beside = dir / library_loader::skin_library_file;
    std::error_code ec;
    if (*library_loader::installed_skin_dir == '\0' || std::filesystem::exists(beside, ec))
        return beside;
    return dir / library_loader::installed_skin_dir / library_loader::skin_library_file;
}

void attach_skin(const ByteArray& skin, int hue, int saturation)
{
    static SkinLibrary library(skin_library_path());
    attach_skin_with(library, skin, hue, saturation);
}

} // namespace fenrow
