// The octopus: a rounded mantle with two eye bulges and eight curling tapered tentacles, built
// as quads split into triangle pairs, written in the ASCII scene-export layout, plus a wire
// drawing of it for the preview.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "assets.h"

namespace {

constexpr double k_pi = 3.14159265358979323846;

struct Vec3 {
    double x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec3 normalised(Vec3 a)
{
    const double l = std::sqrt(dot(a, a));
    return l > 0 ? a * (1.0 / l) : Vec3{0, 0, 1};
}

struct Face {
    int a, b, c;
    int ab, bc, ca;   // edge visibility
};

struct OctoMesh {
    std::vector<Vec3> vertices;
    std::vector<double> tu, tv;   // texture coordinates, one per vertex
    std::vector<Face> faces;
};

// Adds a triangle whose winding faces away from `inside`.
void add_triangle(OctoMesh& m, Face f, Vec3 inside)
{
    const Vec3 a = m.vertices[f.a], b = m.vertices[f.b], c = m.vertices[f.c];
    const Vec3 n = cross(b - a, c - a);
    if (dot(n, (a + b + c) * (1.0 / 3) - inside) < 0) f = Face{f.a, f.c, f.b, f.ca, f.bc, f.ab};
    m.faces.push_back(f);
}

// A quad a-b-c-d in ring order becomes two triangles sharing the hidden diagonal a-c.
void add_quad(OctoMesh& m, int a, int b, int c, int d, Vec3 inside)
{
    add_triangle(m, Face{a, b, c, 1, 1, 0}, inside);
    add_triangle(m, Face{a, c, d, 0, 1, 1}, inside);
}

int add_vertex(OctoMesh& m, Vec3 p, double u, double v)
{
    m.vertices.push_back(p);
    m.tu.push_back(u);
    m.tv.push_back(v);
    return static_cast<int>(m.vertices.size()) - 1;
}

// Screen "up" is -y, so the mantle rises towards negative y.
void build_mantle(OctoMesh& m)
{
    const int rings = 9, sides = 16;
    const Vec3 centre{0, -42, 0};
    const int top = add_vertex(m, centre + Vec3{0, -50, 0}, 0.5, 0.0);
    for (int i = 1; i <= rings; ++i) {
        const double theta = k_pi * i / (rings + 1);
        for (int j = 0; j < sides; ++j) {
            const double phi = 2 * k_pi * j / sides;
            // Eye bulges on the front of the lower mantle.
            const double eye = std::exp(-std::pow((theta - 0.62 * k_pi) / 0.16, 2.0)) *
                               (std::exp(-std::pow((phi - 1.2) / 0.3, 2.0)) + std::exp(-std::pow((phi - 1.95) / 0.3, 2.0)));
            const double r = 37 * std::sin(theta) * (1 + 0.12 * std::cos(theta)) * (1 + 0.22 * eye);
            add_vertex(m, centre + Vec3{r * std::cos(phi), -50 * std::cos(theta), r * std::sin(phi)},
                       static_cast<double>(j) / sides, static_cast<double>(i) / (rings + 1));
        }
    }
    const int bottom = add_vertex(m, centre + Vec3{0, 44, 0}, 0.5, 1.0);
    auto ring = [&](int i, int j) { return top + 1 + (i - 1) * sides + (j % sides); };
    for (int j = 0; j < sides; ++j) add_triangle(m, Face{top, ring(1, j), ring(1, j + 1), 1, 1, 1}, centre);
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j < sides; ++j) add_quad(m, ring(i, j), ring(i, j + 1), ring(i + 1, j + 1), ring(i + 1, j), centre);
    for (int j = 0; j < sides; ++j) add_triangle(m, Face{bottom, ring(rings, j + 1), ring(rings, j), 1, 1, 1}, centre);
}

void build_tentacle(OctoMesh& m, int k)
{
    const int rings = 10, sides = 6;
    const double phi0 = k * k_pi / 4 + k_pi / 8;
    const double length = 165 + 15 * std::sin(k * 2.3);
    const double curl = 6.0 + 1.0 * std::cos(k * 1.7);
    // Centre line in the tentacle's own vertical plane: out and down, then curling up and in.
    std::vector<Vec3> line;
    std::vector<double> radius;
    double rho = 20, y = -4, heading = 1.0;
    const int steps = 60;
    for (int s = 0; s <= steps; ++s) {
        const double t = static_cast<double>(s) / steps;
        if (s % (steps / (rings - 1)) == 0 && static_cast<int>(line.size()) < rings) {
            const double phi = phi0 + 0.3 * t * std::sin(k * 1.3 + 0.5);
            line.push_back({rho * std::cos(phi), y, rho * std::sin(phi)});
            radius.push_back(11.5 * (1 - 0.88 * t) + 0.6);
        }
        rho += std::cos(heading) * length / steps;
        y += std::sin(heading) * length / steps;
        heading -= curl * 4 * t * t * t / steps;
    }
    std::vector<int> first(rings);
    for (int i = 0; i < rings; ++i) {
        const Vec3 ahead = line[std::min(i + 1, rings - 1)] - line[std::max(i - 1, 0)];
        const Vec3 t = normalised(ahead);
        const Vec3 side = normalised(cross(t, Vec3{0, 1, 0.0001}));
        const Vec3 up = normalised(cross(side, t));
        first[i] = static_cast<int>(m.vertices.size());
        for (int j = 0; j < sides; ++j) {
            const double b = 2 * k_pi * j / sides;
            add_vertex(m, line[i] + side * (radius[i] * std::cos(b)) + up * (radius[i] * std::sin(b)),
                       static_cast<double>(j) / sides, static_cast<double>(i) / rings);
        }
    }
    const Vec3 tip_dir = normalised(line[rings - 1] - line[rings - 2]);
    const int tip = add_vertex(m, line[rings - 1] + tip_dir * 5.0, 0.5, 1.0);
    for (int i = 0; i + 1 < rings; ++i)
        for (int j = 0; j < sides; ++j) {
            const Vec3 inside = (line[i] + line[i + 1]) * 0.5;
            add_quad(m, first[i] + j, first[i] + (j + 1) % sides, first[i + 1] + (j + 1) % sides, first[i + 1] + j, inside);
        }
    for (int j = 0; j < sides; ++j)
        add_triangle(m, Face{tip, first[rings - 1] + j, first[rings - 1] + (j + 1) % sides, 1, 1, 1}, line[rings - 1]);
}

OctoMesh octopus_mesh()
{
    OctoMesh m;
    build_mantle(m);
    for (int k = 0; k < 8; ++k) build_tentacle(m, k);
    // Centre the bounding box on the origin and scale the farthest vertex to radius 105.
    Vec3 lo = m.vertices[0], hi = m.vertices[0];
    for (const Vec3& v : m.vertices) {
        lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
        hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
    }
    const Vec3 mid = (lo + hi) * 0.5;
    double reach = 0;
    for (Vec3& v : m.vertices) {
        v = v - mid;
        reach = std::max(reach, std::sqrt(dot(v, v)));
    }
    for (Vec3& v : m.vertices) v = v * (105 / reach);
    return m;
}

void append(std::string& s, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void append(std::string& s, const char* fmt, ...)
{
    char buf[256];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    s += buf;
}

}  // namespace

std::string octopus_build()
{
    const OctoMesh m = octopus_mesh();
    const int nv = static_cast<int>(m.vertices.size()), nf = static_cast<int>(m.faces.size());
    std::vector<Vec3> face_n(nf), vert_n(nv, Vec3{0, 0, 0});
    for (int f = 0; f < nf; ++f) {
        const Face& t = m.faces[f];
        const Vec3 n = cross(m.vertices[t.b] - m.vertices[t.a], m.vertices[t.c] - m.vertices[t.a]);
        face_n[f] = normalised(n);
        for (int v : {t.a, t.b, t.c}) vert_n[v] = vert_n[v] + n;
    }
    std::string s;
    s += "*3DSMAX_ASCIIEXPORT\t200\n";
    s += "*COMMENT \"AsciiExport Version  2,00 - octopus for quorvelle\"\n";
    s += "*SCENE {\n\t*SCENE_FILENAME \"octopus\"\n\t*SCENE_FIRSTFRAME 0\n\t*SCENE_LASTFRAME 100\n"
         "\t*SCENE_FRAMESPEED 30\n\t*SCENE_TICKSPERFRAME 160\n\t*SCENE_BACKGROUND_STATIC 0.0000\t0.0000\t0.0000\n"
         "\t*SCENE_AMBIENT_STATIC 0.0000\t0.0000\t0.0000\n}\n";
    s += "*MATERIAL_LIST {\n\t*MATERIAL_COUNT 1\n\t*MATERIAL 0 {\n\t\t*MATERIAL_NAME \"octopus skin\"\n"
         "\t\t*MATERIAL_CLASS \"Standard\"\n\t\t*MATERIAL_AMBIENT 0.1000\t0.0500\t0.1200\n"
         "\t\t*MATERIAL_DIFFUSE 0.7500\t0.3000\t0.5500\n\t\t*MATERIAL_SPECULAR 0.9000\t0.9000\t0.9000\n"
         "\t\t*MATERIAL_SHINE 0.2500\n\t\t*MATERIAL_SHINESTRENGTH 0.5000\n\t\t*MATERIAL_TRANSPARENCY 0.0000\n"
         "\t\t*MATERIAL_WIRESIZE 1.0000\n\t\t*MATERIAL_SHADING Blinn\n\t\t*MATERIAL_XP_FALLOFF 0.0000\n"
         "\t\t*MATERIAL_SELFILLUM 0.0000\n\t\t*MATERIAL_FALLOFF In\n\t\t*MATERIAL_XP_TYPE Filter\n\t}\n}\n";
    s += "*GEOMOBJECT {\n\t*NODE_NAME \"octopus\"\n\t*NODE_TM {\n\t\t*NODE_NAME \"octopus\"\n"
         "\t\t*INHERIT_POS 0 0 0\n\t\t*INHERIT_ROT 0 0 0\n\t\t*INHERIT_SCL 0 0 0\n"
         "\t\t*TM_ROW0 1.0000\t0.0000\t0.0000\n\t\t*TM_ROW1 0.0000\t1.0000\t0.0000\n"
         "\t\t*TM_ROW2 0.0000\t0.0000\t1.0000\n\t\t*TM_ROW3 0.0000\t0.0000\t0.0000\n"
         "\t\t*TM_POS 0.0000\t0.0000\t0.0000\n\t\t*TM_ROTAXIS 0.0000\t0.0000\t0.0000\n\t\t*TM_ROTANGLE 0.0000\n"
         "\t\t*TM_SCALE 1.0000\t1.0000\t1.0000\n\t\t*TM_SCALEAXIS 0.0000\t0.0000\t0.0000\n"
         "\t\t*TM_SCALEAXISANG 0.0000\n\t}\n";
    s += "\t*MESH {\n\t\t*TIMEVALUE 0\n";
    append(s, "\t\t*MESH_NUMVERTEX %d\n\t\t*MESH_NUMFACES %d\n\t\t*MESH_VERTEX_LIST {\n", nv, nf);
    for (int v = 0; v < nv; ++v)
        append(s, "\t\t\t*MESH_VERTEX %4d\t%.4f\t%.4f\t%.4f\n", v, m.vertices[v].x, m.vertices[v].y, m.vertices[v].z);
    s += "\t\t}\n\t\t*MESH_FACE_LIST {\n";
    for (int f = 0; f < nf; ++f) {
        const Face& t = m.faces[f];
        append(s, "\t\t\t*MESH_FACE %4d:    A: %4d B: %4d C: %4d AB: %4d BC: %4d CA: %4d\t *MESH_SMOOTHING 1 \t*MESH_MTLID 0\n",
               f, t.a, t.b, t.c, t.ab, t.bc, t.ca);
    }
    append(s, "\t\t}\n\t\t*MESH_NUMTVERTEX %d\n\t\t*MESH_TVERTLIST {\n", nv);
    for (int v = 0; v < nv; ++v) append(s, "\t\t\t*MESH_TVERT %d\t%.4f\t%.4f\t0.0000\n", v, m.tu[v], m.tv[v]);
    append(s, "\t\t}\n\t\t*MESH_NUMTVFACES %d\n\t\t*MESH_TFACELIST {\n", nf);
    for (int f = 0; f < nf; ++f) append(s, "\t\t\t*MESH_TFACE %d\t%d\t%d\t%d\n", f, m.faces[f].a, m.faces[f].b, m.faces[f].c);
    s += "\t\t}\n\t\t*MESH_NUMCVERTEX 0\n\t\t*MESH_NORMALS {\n";
    for (int f = 0; f < nf; ++f) {
        const Face& t = m.faces[f];
        append(s, "\t\t\t*MESH_FACENORMAL %d\t%.4f\t%.4f\t%.4f\n", f, face_n[f].x, face_n[f].y, face_n[f].z);
        for (int v : {t.a, t.b, t.c}) {
            const Vec3 n = normalised(vert_n[v]);
            append(s, "\t\t\t\t*MESH_VERTEXNORMAL %d\t%.4f\t%.4f\t%.4f\n", v, n.x, n.y, n.z);
        }
    }
    s += "\t\t}\n\t}\n\t*PROP_MOTIONBLUR 0\n\t*PROP_CASTSHADOW 1\n\t*PROP_RECVSHADOW 1\n\t*MATERIAL_REF 0\n}\n";
    return s;
}

std::vector<uint8_t> octopus_wire_rgb(int width, int height)
{
    const OctoMesh m = octopus_mesh();
    // Seen as the demo shows it (doubled, x and y by cos 45 degrees), tilted to show its depth.
    const double tilt = 0.45, ct = std::cos(tilt), st = std::sin(tilt);
    std::vector<Point2> screen;
    for (const Vec3& v : m.vertices) {
        const double y = v.y * ct - v.z * st;
        screen.push_back({width * 0.5 + v.x * 2 * 0.7071, height * 0.5 + y * 2 * 0.7071});
    }
    SuperMask mask = supermask_create(width, height, 3);
    for (const Face& f : m.faces) {
        const int idx[3] = {f.a, f.b, f.c}, vis[3] = {f.ab, f.bc, f.ca};
        for (int e = 0; e < 3; ++e)
            if (vis[e] == 1) {
                const Point2 p = screen[idx[e]], q = screen[idx[(e + 1) % 3]];
                supermask_capsule(mask, p.x, p.y, q.x, q.y, 0.45);
            }
    }
    const GreyPicture cov = supermask_resolve(mask);
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < cov.px.size(); ++i) {
        const float c = cov.px[i];
        rgb[i * 3 + 0] = static_cast<uint8_t>(10 + 235 * c);
        rgb[i * 3 + 1] = static_cast<uint8_t>(14 + 231 * c);
        rgb[i * 3 + 2] = static_cast<uint8_t>(40 + 215 * c);
    }
    return rgb;
}
