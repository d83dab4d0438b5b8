// Plain value types shared by the layout and decoration readers and the
// program that calls them. They cross the library boundary by value.
#pragma once

#include "qtqveffect_export.h"

typedef unsigned char uchar;

// A rectangle given by its top-left corner and its size.
struct _tagCGRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

// A width and a height.
struct _tagCGSize {
    int w = 0;
    int h = 0;
};

// A rectangle given by its edges; right and bottom are excluded, so it spans
// right - left columns and bottom - top rows.
struct QV2DRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
