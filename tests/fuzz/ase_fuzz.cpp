// libFuzzer entry for the ASE reader: every input is read as a file through an in-memory stream,
// and the mesh it yields must keep every edge index below the vertex count.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "geom3d/ase_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;   // fmemopen refuses an empty buffer
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (!f) return 0;
    Mesh* mesh = mesh_read_ase(f);
    std::fclose(f);
    if (!mesh) return 0;
    if (mesh->vertex_count < 0 || mesh->vertex_count > k_mesh_max_vertices) std::abort();
    if (mesh->edge_count < 0 || (mesh->edge_count > 0 && !mesh->edges)) std::abort();
    float sum = 0.0f;
    for (int i = 0; i < mesh->vertex_count; ++i) sum += mesh->vertices[i].w;
    for (int i = 0; i < mesh->edge_count; ++i) {
        const MeshEdge& e = mesh->edges[i];
        if (e.a < 0 || e.a >= mesh->vertex_count || e.b < 0 || e.b >= mesh->vertex_count) std::abort();
    }
    if (sum != 0.0f) std::abort();   // every stored vertex has w = 0
    mesh_free(mesh);
    return 0;
}
