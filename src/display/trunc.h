// Truncation toward zero that is defined for every value: the conversion of a double (or a float)
// beyond the int range, or of NaN, is undefined in C++, and the bounds of a span or a box can be
// anywhere when the points come from a projection. 2^30 is far off any surface, so holding there
// changes no pixel, and it leaves headroom below 2^31 for the bounds' small additions.
#pragma once

// trunc(v) held within +-2^30; NaN gives -2^30.
inline int trunc_held(double v)
{
    if (v >= 1073741824.0) return 1 << 30;
    if (v > -1073741824.0) return static_cast<int>(v);
    return -(1 << 30);
}
