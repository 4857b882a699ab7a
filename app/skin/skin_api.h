// The skin library's entry points. The program looks them up by name at run
// time and calls nothing it did not find; the library is optional.
#pragma once

// A DLL exports what is marked for export; a shared object, what is visible.
#ifdef _WIN32
#define FENROW_SKIN_EXPORT extern "C" __declspec(dllexport)
#else
#define FENROW_SKIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Reads a skin block and restyles every window of the process with it. Returns
// 1, or 0 with nothing changed: for data it cannot read, a password (our skins
// carry none), flags other than 0, no widget application, or a call from any
// thread but the user-interface one.
FENROW_SKIN_EXPORT int SkinH_AttachRes(const unsigned char* data, int size, const char* password, int flags);

// Shifts the attached skin's colours from their stored values (not from the
// last shift): hue by -180 … 180 degrees, saturation and lightness by -100 … 100
// percent; values beyond are limited. Returns 0 when no skin is attached.
FENROW_SKIN_EXPORT int SkinH_AdjustHSV(int hue, int saturation, int lightness);

// Gives the process back the look it had before the first attach. The program
// never calls it; tests do, to start each case from the default look.
FENROW_SKIN_EXPORT void fenrow_skin_detach();

namespace fenrow::skin {

using AttachFn = int (*)(const unsigned char* data, int size, const char* password, int flags);
using AdjustFn = int (*)(int hue, int saturation, int lightness);
using DetachFn = void (*)();

inline constexpr const char attach_entry[] = "SkinH_AttachRes";
inline constexpr const char adjust_entry[] = "SkinH_AdjustHSV";
inline constexpr const char detach_entry[] = "fenrow_skin_detach";

inline constexpr int hue_limit = 180;
inline constexpr int saturation_limit = 100;
inline constexpr int lightness_limit = 100;

} // namespace fenrow::skin
