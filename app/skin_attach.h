// The window's skin: the built-in skin data and the skin library of ours that
// draws it, loaded at run time from the program's directory. Without the
// library the window keeps the toolkit's default look; nothing is reported.
#pragma once

#include "app/skin/skin_api.h"
#include "runtime/text.h"

#include <filesystem>

namespace fenrow {

// The skin the window is drawn with: calm light greys, one blue accent.
const ByteArray& builtin_skin();

// A skin library in a file, loaded on first use and kept loaded for the rest of
// the process. An entry point it lacks is never called.
class SkinLibrary {
public:
    explicit SkinLibrary(std::filesystem::path path) : path_(std::move(path)) {}
    SkinLibrary(const SkinLibrary&) = delete;
    SkinLibrary& operator=(const SkinLibrary&) = delete;

    // False when the file cannot be loaded (tried again on the next call).
    bool load();
    // False when the library or the entry point is missing, or the library refused.
    bool attach(const ByteArray& skin);
    bool adjust(int hue, int saturation);

private:
    std::filesystem::path path_;
    void* handle_ = nullptr;
    skin::AttachFn attach_ = nullptr;
    skin::AdjustFn adjust_ = nullptr;
};

// attach_skin on a given library: attach the data, then shift its colours by
// hue (limited to -180 … 180) and saturation (-100 … 100). Results are ignored.
void attach_skin_with(SkinLibrary& library, const ByteArray& skin, int hue, int saturation);

// The skin library beside the program, or else where an install puts it.
std::filesystem::path skin_library_path();

// attach_skin_with on the library skin_library_path() names. Called once,
// from the Main window's created handler.
void attach_skin(const ByteArray& skin, int hue = 0, int saturation = 0);

} // namespace fenrow
