// The wire mesh read from an ASE (ASCII scene export) file: its vertices and the face edges the
// file marks visible. Every other block of the format is skipped.
#pragma once
#include <cstdint>
#include <cstdio>

#include "geom3d/matrix.h"

// Two 0-based vertex indices.
struct MeshEdge {
    int32_t a;
    int32_t b;
};

struct Mesh {
    Vec4* vertices;       // vertex_count entries (x, y, z, 0), in file order; slots never filled stay 0
    int32_t vertex_count; // as declared by the vertex count entry (held to k_mesh_max_vertices)
    MeshEdge* edges;      // room for three edges per declared face; every index is below vertex_count
    int32_t edge_count;   // edges actually stored, duplicates included
};

// Declared counts beyond these are held to them; negative counts count as 0.
constexpr int32_t k_mesh_max_vertices = 1 << 16;
constexpr int32_t k_mesh_max_faces = 1 << 17;

// Files larger than this are no mesh of ours: reading one would take without end.
constexpr long long k_mesh_max_bytes = 64ll << 20;

// Reads the file at `path` (text mode). Null, after one line naming the file and the reason, when it
// is no regular file of at most k_mesh_max_bytes, cannot be read or memory runs out; a file without
// counts gives an empty mesh.
Mesh* mesh_load_ase(const char* path);
// The same reader on an open stream, from its current position.
Mesh* mesh_read_ase(FILE* f);
// Frees the vertex array, the edge array and the record.
void mesh_free(Mesh* mesh);
