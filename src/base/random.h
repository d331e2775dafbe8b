// The demo's one random generator: a 32-bit state advanced by add, 32x32->64 multiply and fold.
#pragma once
#include <cstdint>

extern uint32_t g_rand_state;   // 0x8372D8DA at load; always seeded before first use

void demo_srand(uint32_t seed);
uint32_t demo_rand();
