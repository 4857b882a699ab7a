// SSE2 code paths: every processor the program runs on has SSE2, but the
// 32-bit Windows compiler assumes it only when told, function by function.
#pragma once

#define FENROW_SSE2 __attribute__((target("sse2")))
