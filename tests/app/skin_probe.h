// What a probe skin library saw of the program's calls.
#pragma once

struct ProbeCalls {
    int calls = 0; // both entry points, in order: attach_order and adjust_order
    int attach_calls = 0, attach_order = 0;
    const unsigned char* data = nullptr;
    int size = 0;
    const char* password = nullptr;
    int flags = 0;
    int adjust_calls = 0, adjust_order = 0;
    int hue = 0, saturation = 0, lightness = 0;
};

using ProbeCallsFn = ProbeCalls* (*)();
