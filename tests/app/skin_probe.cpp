// A skin library that only records its calls; built once with both entry
// points and once without each of them.
#include "app/skin/skin_api.h"
#include "tests/app/skin_probe.h"

namespace {
ProbeCalls seen;
}

extern "C" __attribute__((visibility("default"))) ProbeCalls* probe_calls() { return &seen; }

#ifndef PROBE_WITHOUT_ATTACH
int SkinH_AttachRes(const unsigned char* data, int size, const char* password, int flags)
{
    seen.attach_order = ++seen.calls;
    ++seen.attach_calls;
    seen.data = data;
    seen.size = size;
    seen.password = password;
    seen.flags = flags;
    return 1;
}
#endif

#ifndef PROBE_WITHOUT_ADJUST
int SkinH_AdjustHSV(int hue, int saturation, int lightness)
{
    seen.adjust_order = ++seen.calls;
    ++seen.adjust_calls;
    seen.hue = hue;
    seen.saturation = saturation;
    seen.lightness = lightness;
    return 1;
}
#endif
