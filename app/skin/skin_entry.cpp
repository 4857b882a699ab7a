#include "app/skin/skin_entry.h"

#include "app/skin/skin_api.h"

#include <algorithm>

namespace fenrow::skin {

std::optional<Skin> skin_of_call(const unsigned char* data, int size, const char* password, int flags)
{
    if ((password != nullptr && *password != '\0') || flags != 0 || size <= 0)
        return std::nullopt;
    return parse_skin(data, static_cast<std::size_t>(size));
}

void Colours::shift(int hue, int saturation, int lightness)
{
    shown_ = shift_skin(stored_, std::clamp(hue, -hue_limit, hue_limit),
                        std::clamp(saturation, -saturation_limit, saturation_limit),
                        std::clamp(lightness, -lightness_limit, lightness_limit));
}

} // namespace fenrow::skin
