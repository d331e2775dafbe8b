// The size of every frame: the display's back buffer, the capture's buffer and the full-frame work
// Surfaces all hold 512 x 384 32-bit pixels.
#pragma once

constexpr int k_frame_width = 512;
constexpr int k_frame_height = 384;
// Bytes of one row's pixels: the pitch of a Surface made by surface_create, and the least pitch a
// locked frame may have (a back buffer's rows may be padded beyond it).
constexpr int k_frame_row_bytes = k_frame_width * 4;
