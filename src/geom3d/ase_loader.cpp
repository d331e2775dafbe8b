// The ASE reader: a token loop that looks only at the vertex count, face count, vertex and face
// entries. Input beyond what the counts make room for is ignored, and so are edges naming vertices
// that do not exist, so a damaged or hostile file can never make it write outside its arrays.
#include "geom3d/ase_loader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/data_file.h"
#include "base/report.h"

namespace {

// A declared count: negative counts as 0, absurd ones are held to the maximum.
int32_t count_held(int value, int32_t maximum)
{
    if (value < 0) return 0;
    return value > maximum ? maximum : value;
}

void edge_add(Mesh* mesh, int32_t room, int32_t a, int32_t b)
{
    if (mesh->edge_count >= room) return;
    if (a < 0 || a >= mesh->vertex_count || b < 0 || b >= mesh->vertex_count) return;
    mesh->edges[mesh->edge_count].a = a;
    mesh->edges[mesh->edge_count].b = b;
    ++mesh->edge_count;
}

}  // namespace

Mesh* mesh_read_ase(FILE* f)
{
    Mesh* mesh = static_cast<Mesh*>(std::calloc(1, sizeof(Mesh)));
    if (!mesh) return nullptr;
    bool have_vertices = false;   // only the first object is read; a repeated face count is ignored
    bool have_faces = false;
    int32_t vertices_read = 0;
    int32_t edge_room = 0;
    bool out_of_memory = false;

    char token[256];
    while (std::fscanf(f, "%255s ", token) == 1) {
        if (std::strcmp(token, "*MESH_NUMVERTEX") == 0) {
            int n = 0;
            if (std::fscanf(f, "%d ", &n) != 1) continue;
            if (have_vertices) break;   // a second object: its faces would name the wrong vertices
            have_vertices = true;
            const int32_t count = count_held(n, k_mesh_max_vertices);
            if (count > 0) {
                mesh->vertices = static_cast<Vec4*>(std::calloc(static_cast<size_t>(count), sizeof(Vec4)));
                if (!mesh->vertices) {
                    out_of_memory = true;
                    break;
                }
            }
            mesh->vertex_count = count;
        } else if (std::strcmp(token, "*MESH_NUMFACES") == 0) {
            int m = 0;
            if (std::fscanf(f, "%d ", &m) != 1 || have_faces) continue;
            have_faces = true;
            const int32_t room = 3 * count_held(m, k_mesh_max_faces);
            if (room > 0) {
                mesh->edges = static_cast<MeshEdge*>(std::calloc(static_cast<size_t>(room), sizeof(MeshEdge)));
                if (!mesh->edges) {
                    out_of_memory = true;
                    break;
                }
            }
            edge_room = room;
        } else if (std::strcmp(token, "*MESH_VERTEX") == 0) {
            // The index in the file is not used: slots fill in the order the lines appear.
            int index = 0;
            float x = 0.0f, y = 0.0f, z = 0.0f;
            std::fscanf(f, "%d %f %f %f\n", &index, &x, &y, &z);
            if (vertices_read < mesh->vertex_count) mesh->vertices[vertices_read++] = {x, y, z, 0.0f};
        } else if (std::strcmp(token, "*MESH_FACE") == 0) {
            // No blank before A's and B's numbers, one after "C:": the conversions skip the padding.
            int face = 0, a = -1, b = -1, c = -1, ab = 0, bc = 0, ca = 0;
            std::fscanf(f, "%d: A:%d B:%d C: %d AB: %d BC: %d CA: %d", &face, &a, &b, &c, &ab, &bc, &ca);
            if (ab == 1) edge_add(mesh, edge_room, a, b);
            if (bc == 1) edge_add(mesh, edge_room, b, c);
            if (ca == 1) edge_add(mesh, edge_room, c, a);
        }
    }
    // A read error (a directory, say) is an unreadable file, not an empty mesh.
    if (out_of_memory || std::ferror(f)) {
        mesh_free(mesh);
        return nullptr;
    }
    return mesh;
}

Mesh* mesh_load_ase(const char* path)
{
    FILE* f = data_file_open(path, 0, k_mesh_max_bytes, true);
    if (!f) return nullptr;
    Mesh* mesh = mesh_read_ase(f);
    if (!mesh) report_failure("cannot read %s: %s", path, std::ferror(f) ? std::strerror(errno) : "out of memory");
    std::fclose(f);
    return mesh;
}

void mesh_free(Mesh* mesh)
{
    if (!mesh) return;
    std::free(mesh->vertices);
    std::free(mesh->edges);
    std::free(mesh);
}
