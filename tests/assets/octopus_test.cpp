// The generated octopus read by the demo's own mesh loader: its vertex and visible-edge counts, no
// edge from a vertex to itself, and the object centred within the radius the mesh scene expects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "asset_files.h"
#include "geom3d/ase_loader.h"

TEST(AssetOctopus, LoadsCentredWithItsCounts)
{
    Mesh* m = mesh_load_ase(build_path("data/octopus.ase").c_str());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->vertex_count, 590);
    EXPECT_EQ(m->edge_count, 2254);   // the visible ones: quads hide their diagonals
    for (int i = 0; i < m->edge_count; ++i) EXPECT_NE(m->edges[i].a, m->edges[i].b) << "edge " << i;
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9}, reach = 0;
    for (int i = 0; i < m->vertex_count; ++i) {
        const double p[3] = {m->vertices[i].x, m->vertices[i].y, m->vertices[i].z};
        reach = std::max(reach, std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], p[k]), hi[k] = std::max(hi[k], p[k]);
    }
    EXPECT_GT(reach, 80.0);
    EXPECT_LE(reach, 110.0);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR((lo[k] + hi[k]) * 0.5, 0.0, 0.01) << "axis " << k;
    mesh_free(m);
}
