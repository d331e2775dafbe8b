// The ASE loader on files in the exporter's layout and on damaged ones: face flags, duplicate
// edges, vertex slots, skipped blocks, and counts or indices that must never be trusted.
#include <string>
#include <vector>

#include "common/test_util.h"
#include "geom3d/ase_loader.h"

namespace {

using Edges = std::vector<std::pair<int, int>>;

Mesh* load_text(const std::string& text)
{
    TempDir dir("q_ase");
    return mesh_load_ase(dir.write("mesh.ase", text).c_str());
}

std::string face(int a, int b, int c, int ab, int bc, int ca)
{
    char line[160];
    std::snprintf(line, sizeof line, "\t*MESH_FACE    0:    A: %4d B: %4d C: %4d AB:    %d BC:    %d CA:    %d\t "
                  "*MESH_SMOOTHING 1 \t*MESH_MTLID 0\n", a, b, c, ab, bc, ca);
    return line;
}

std::string counts(int v, int f)
{
    return "*MESH_NUMVERTEX " + std::to_string(v) + "\n*MESH_NUMFACES " + std::to_string(f) + "\n";
}

// One object with the blocks an exporter writes around the geometry; the vertex indices 7, 8, 9, 3
// are not slot numbers.
std::string object(const std::string& counts, const std::string& faces)
{
    return "*3DSMAX_ASCIIEXPORT\t200\n*SCENE {\n\t*SCENE_FIRSTFRAME 0\n}\n*MATERIAL_LIST {\n\t*MATERIAL 0 {\n"
           "\t\t*MATERIAL_NAME \"*MESH_VERTEX\"\n\t\t*MESH_VERTEX_LIST 9 9 9 9\n\t}\n}\n*GEOMOBJECT {\n\t*MESH {\n" +
           counts + "\t*MESH_VERTEX_LIST {\n\t*MESH_VERTEX    7\t1.0000\t2.0000\t3.0000\n"
           "\t*MESH_VERTEX    8\t-4.0000\t5.5000\t0.0000\n\t*MESH_VERTEX    9\t0.0000\t0.0000\t-1.0000\n"
           "\t*MESH_VERTEX    3\t10.0000\t20.0000\t30.0000\n\t}\n\t*MESH_FACE_LIST {\n" + faces +
           "\t}\n\t*MESH_NUMTVERTEX 1\n\t*MESH_TVERT 0 0.5 0.5 0.0\n\t*MESH_NORMALS {\n"
           "\t*MESH_FACENORMAL 0 0.0 0.0 1.0\n\t*MESH_VERTEXNORMAL 0 0.0 0.0 1.0\n\t}\n\t}\n}\n";
}

}  // namespace

TEST(AseLoader, FaceFlagsIndicesAndMalformedInput)
{
    const std::string tri = face(0, 1, 2, 1, 1, 1);
    struct Case {
        const char* what;
        std::string text;
        int vertex_count;
        Edges edges;
    } cases[] = {
        {"AB and BC", object(counts(4, 1), face(0, 1, 2, 1, 1, 0)), 4, {{0, 1}, {1, 2}}},
        {"flags 0 still consume the line", object(counts(4, 2), face(0, 1, 2, 0, 0, 0) + face(3, 2, 1, 0, 0, 1)), 4, {{1, 3}}},
        {"only 1 counts", object(counts(4, 1), face(0, 1, 2, 2, -1, 1)), 4, {{2, 0}}},
        {"shared edge twice", object(counts(4, 2), face(0, 1, 2, 1, 0, 0) + face(0, 1, 3, 1, 0, 0)), 4, {{0, 1}, {0, 1}}},
        {"out-of-range indices dropped",
         object(counts(4, 3), face(0, 4, 2, 1, 1, 1) + face(-1, 3, 2, 1, 1, 1) + face(0, 1, 2147483647, 1, 1, 1)), 4,
         {{2, 0}, {3, 2}, {0, 1}}},
        {"excess faces ignored", object(counts(4, 1), tri + face(1, 2, 3, 1, 1, 1)), 4, {{0, 1}, {1, 2}, {2, 0}}},
        {"excess vertices ignored", object(counts(2, 1), tri), 2, {{0, 1}}},
        {"no counts: empty mesh", object("", tri), 0, {}},
        {"negative counts", object(counts(-5, -2), tri), 0, {}},
        {"a second object ends the read", object(counts(4, 1), face(0, 1, 2, 1, 0, 0)) + object(counts(9, 9), tri), 4, {{0, 1}}},
        {"truncated face line", object(counts(4, 2), "") + "*MESH_FACE 0: A: 1 B: 2 C: 3 AB: 1 BC:", 4, {{1, 2}}},
        {"unreadable count", "*MESH_NUMVERTEX x *MESH_NUMFACES 1 *MESH_NUMVERTEX 3 " + tri, 3, {{0, 1}, {1, 2}, {2, 0}}},
        {"tokens split at 255 characters", std::string(1020, 'x') + "*MESH_NUMVERTEX 1 " + std::string(300, '*'), 1, {}},
        {"empty file", "", 0, {}},
    };
    for (const Case& c : cases) {
        Mesh* m = load_text(c.text);
        ASSERT_NE(m, nullptr) << c.what;
        EXPECT_EQ(m->vertex_count, c.vertex_count) << c.what;
        Edges got;
        for (int i = 0; i < m->edge_count; ++i) got.emplace_back(m->edges[i].a, m->edges[i].b);
        EXPECT_EQ(got, c.edges) << c.what;
        if (c.vertex_count == 4)   // slots fill in file order, whatever the indices say
            for (auto [slot, want] : {std::pair{0, Vec4{1, 2, 3, 0}}, {1, Vec4{-4, 5.5f, 0, 0}}, {3, Vec4{10, 20, 30, 0}}})
                expect_near(m->vertices[slot], want, 0);
        mesh_free(m);
    }
}

TEST(AseLoader, AbsurdCountsHeldAndUnreadableFiles)
{
    Mesh* m = load_text(object(counts(2000000000, 2000000000), face(0, 1, 2, 1, 1, 1)));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->vertex_count, k_mesh_max_vertices);
    EXPECT_EQ(m->vertices[3].z, 30.0f);
    EXPECT_EQ(m->vertices[4].x, 0.0f);   // slots never filled are zero
    EXPECT_EQ(m->edge_count, 3);
    mesh_free(m);
    TempDir dir("q_ase");
    EXPECT_EQ(mesh_load_ase((dir.path + "/absent.ase").c_str()), nullptr);
    EXPECT_EQ(mesh_load_ase("/tmp"), nullptr);   // a directory opens but cannot be read
}
