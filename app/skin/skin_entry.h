// What both skin libraries' entry points do alike, whatever the toolkit: which
// attach calls they take, the colours they keep of the skin, and that nothing
// thrown ever reaches the program.
#pragma once

#include "app/skin/skin_format.h"

#include <optional>

namespace fenrow::skin {

// The skin an attach call carries, or none for a call to refuse: data the
// format refuses, a password (our skins carry none), flags other than 0.
std::optional<Skin> skin_of_call(const unsigned char* data, int size, const char* password, int flags);

// The attached skin's colours: as stored, and as shown after the last shift.
class Colours {
public:
    void wear(const Skin& s) { stored_ = shown_ = s; }
    // Always from the stored colours; each part limited to its range.
    void shift(int hue, int saturation, int lightness);
    const Skin& shown() const { return shown_; }

private:
    Skin stored_, shown_;
};

// An entry point's body, answering fallback should it throw: an exception
// must not cross into the program, which may not be C++ at all.
template <typename R, typename Body>
R guarded(R fallback, Body&& body) noexcept
{
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

template <typename Body>
void guarded(Body&& body) noexcept
{
    try {
        body();
    } catch (...) {
    }
}

} // namespace fenrow::skin
