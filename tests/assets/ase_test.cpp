// The octopus file: a small parser of the test's own reads the export layout and checks that the
// declared counts match the lists, every face index is in range, quads hide their diagonal and
// the object is centred within the radius the mesh scene expects.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "asset_files.h"

namespace {

struct Ase {
    std::map<std::string, int> declared;   // *MESH_NUM... values
    std::map<std::string, int> seen;       // how often each token occurs
    std::vector<double> xyz;
    std::vector<int> faces;                // A B C ab bc ca per face
    int depth = 0, min_depth = 0;
    std::string first_line;
};

Ase ase_parse(const std::string& text)
{
    Ase a;
    a.first_line = text.substr(0, text.find('\n'));
    std::istringstream in(text);
    std::string tok;
    while (in >> tok) {
        ++a.seen[tok];
        if (tok == "{") ++a.depth;
        if (tok == "}") a.min_depth = std::min(a.min_depth, --a.depth);
        if (tok.rfind("*MESH_NUM", 0) == 0) in >> a.declared[tok];
        if (tok == "*MESH_VERTEX") {
            int index;
            double x, y, z;
            in >> index >> x >> y >> z;
            a.xyz.insert(a.xyz.end(), {x, y, z});
        }
        if (tok == "*MESH_FACE") {
            // "0:" "A:" a "B:" b "C:" c "AB:" ab "BC:" bc "CA:" ca
            std::string label;
            int v[6];
            in >> label;
            for (int& x : v) in >> label >> x;
            a.faces.insert(a.faces.end(), v, v + 6);
        }
    }
    return a;
}

}  // namespace

TEST(AssetOctopus, CountsIndicesAndLayoutAgree)
{
    const std::vector<unsigned char> bytes = read_bytes(build_path("data/octopus.ase"));
    const Ase a = ase_parse(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(a.first_line.rfind("*3DSMAX_ASCIIEXPORT", 0), 0u);
    for (const char* block : {"*COMMENT", "*SCENE", "*MATERIAL_LIST", "*GEOMOBJECT", "*NODE_TM", "*TIMEVALUE",
                              "*MESH_NORMALS", "*PROP_MOTIONBLUR"})
        EXPECT_EQ(a.seen.count(block), 1u) << block;
    EXPECT_EQ(a.depth, 0);
    EXPECT_EQ(a.min_depth, 0);

    const int nv = a.declared.at("*MESH_NUMVERTEX"), nf = a.declared.at("*MESH_NUMFACES");
    // Enough joints to model the mantle, eyes and curls; few enough that the strands stay
    // readable instead of merging into tubes.
    EXPECT_GE(nv, 300);
    EXPECT_LE(nv, 634);
    EXPECT_EQ(static_cast<int>(a.xyz.size()), nv * 3);
    EXPECT_EQ(static_cast<int>(a.faces.size()), nf * 6);
    EXPECT_EQ(a.declared.at("*MESH_NUMTVERTEX"), a.seen.at("*MESH_TVERT"));
    EXPECT_EQ(a.declared.at("*MESH_NUMTVFACES"), a.seen.at("*MESH_TFACE"));
    EXPECT_EQ(a.seen.at("*MESH_FACENORMAL"), nf);
    EXPECT_EQ(a.seen.at("*MESH_VERTEXNORMAL"), nf * 3);
    EXPECT_EQ(a.seen.at("*MESH_SMOOTHING"), nf);

    // Each hidden edge is the diagonal of a quad: exactly two faces share it, both hiding it.
    int hidden = 0;
    std::map<std::pair<int, int>, int> hidden_uses, all_uses;
    for (int f = 0; f < nf; ++f) {
        const int* v = &a.faces[static_cast<size_t>(f) * 6];
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(v[k], 0) << "face " << f;
            EXPECT_LT(v[k], nv) << "face " << f;
            EXPECT_TRUE(v[3 + k] == 0 || v[3 + k] == 1) << "face " << f;
            hidden += v[3 + k] == 0;
            const std::pair<int, int> e{std::min(v[k], v[(k + 1) % 3]), std::max(v[k], v[(k + 1) % 3])};
            ++all_uses[e];
            if (v[3 + k] == 0) ++hidden_uses[e];
        }
    }
    EXPECT_GT(hidden, nf / 3) << "quads should hide their diagonals";
    for (const auto& [edge, uses] : hidden_uses) {
        EXPECT_EQ(uses, 2) << edge.first << "-" << edge.second;
        EXPECT_EQ(all_uses[edge], 2) << edge.first << "-" << edge.second;
    }

    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9}, reach = 0;
    for (int i = 0; i < nv; ++i) {
        const double* p = &a.xyz[static_cast<size_t>(i) * 3];
        reach = std::max(reach, std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    }
    EXPECT_LE(reach, 110.0);
    EXPECT_GT(reach, 80.0);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR((lo[k] + hi[k]) * 0.5, 0.0, 0.01) << "axis " << k;
}
