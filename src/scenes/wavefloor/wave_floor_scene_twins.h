// The twins of the wave-floor scene's frame, for the dispatch in wave_floor_scene.cpp: the frame
// cleared and the floor (when prepared) cast and drawn for the camera's pitch and position.
#pragma once

struct Surface;
struct WaveFloor;

void wave_floor_frame_plain(Surface* frame, WaveFloor* floor, double pitch, double position);
void wave_floor_frame_fast(Surface* frame, WaveFloor* floor, double pitch, double position);
