// The circle constants. Each one is the value its users were tuned with, written once and named
// by what it is: several are short roundings of pi or 2 pi, and they stay so because an angle
// wraps or a half turn is tested against them, and a closer value would move a wrap by a frame
// and change pixels.
#pragma once

// pi and 2 pi correctly rounded to double (2 pi is exactly twice pi: doubling is exact), for
// what is computed in double throughout: the star cloud's directions and the asset tools'
// geometry and sound.
constexpr double k_pi = 3.14159265358979323846;
constexpr double k_two_pi = 2 * k_pi;

// 2 pi to eight significant digits, as a double (2e-8 above float(2 pi)): the wrap of the mesh and
// plane scenes' turning phases, which are floats compared with it in double.
constexpr double k_two_pi_8_digits = 6.2831855;

// 2 pi to nine significant digits: the object preparations' point spacing and the polygon scenes'
// orbit wraps.
constexpr double k_two_pi_9_digits = 6.28318536;

// pi to nine significant digits with the last one three units high (pi is 3.14159265...): the
// polygon scenes' test of which half of its turn an orb is on, kept beside the 2 pi above.
constexpr double k_pi_9_digits_high = 3.14159268;
