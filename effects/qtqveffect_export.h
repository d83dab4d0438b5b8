// The export macro of libQtqveffect. The library is built with hidden
// visibility; only declarations marked QTQVEFFECT_EXPORT are its public surface.
#pragma once

#define QTQVEFFECT_EXPORT __attribute__((visibility("default")))
