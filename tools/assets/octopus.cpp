// The octopus: an egg-shaped mantle with two ringed eyes and eight tapered arms of varied length,
// reach and curl, built as quads split into triangle pairs (fans for the eyes), written in the
// ASCII scene-export layout, plus a wire drawing of it for the preview.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "assets.h"
#include "base/angles.h"

namespace {


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

Vec3 rotate_about(Vec3 v, Vec3 axis, double angle)
{
    // Rodrigues' rotation of v about the unit axis.
    const double c = std::cos(angle), s = std::sin(angle);
    return v * c + cross(axis, v) * s + axis * (dot(axis, v) * (1 - c));
}

// Screen "up" is -y, so the mantle rises towards negative y. The mantle is an egg with its blunt
// end up and back, narrowing to the neck where the arms meet.
constexpr int k_mantle_rings = 7, k_mantle_sides = 12;
const Vec3 k_mantle_centre{0, -50, -8};

Vec3 mantle_point(double theta, double phi)
{
    const double r = 33 * std::sin(theta) * (1 + 0.3 * std::cos(theta));
    // The axis leans back (towards -z) as it rises.
    const double up = -60 * std::cos(theta);
    return k_mantle_centre + Vec3{r * std::cos(phi), up, r * std::sin(phi) - 0.3 * up};
}

void build_mantle(OctoMesh& m)
{
    const int rings = k_mantle_rings, sides = k_mantle_sides;
    const int top = add_vertex(m, mantle_point(0, 0), 0.5, 0.0);
    for (int i = 1; i <= rings; ++i)
        for (int j = 0; j < sides; ++j)
            add_vertex(m, mantle_point(k_pi * i / (rings + 1), 2 * k_pi * j / sides), static_cast<double>(j) / sides,
                       static_cast<double>(i) / (rings + 1));
    const int bottom = add_vertex(m, mantle_point(k_pi, 0), 0.5, 1.0);
    auto ring = [&](int i, int j) { return top + 1 + (i - 1) * sides + (j % sides); };
    for (int j = 0; j < sides; ++j) add_triangle(m, Face{top, ring(1, j), ring(1, j + 1), 1, 1, 1}, k_mantle_centre);
    for (int i = 1; i < rings; ++i)
        for (int j = 0; j < sides; ++j)
            add_quad(m, ring(i, j), ring(i, j + 1), ring(i + 1, j + 1), ring(i + 1, j), k_mantle_centre);
    for (int j = 0; j < sides; ++j) add_triangle(m, Face{bottom, ring(rings, j + 1), ring(rings, j), 1, 1, 1}, k_mantle_centre);
}

// An eye: a rim of seven vertices standing off the lower front of the mantle around a pupil, as a
// fan whose spokes are hidden, so it shows as a ring of joints with one in the middle.
void build_eye(OctoMesh& m, double phi)
{
    const double theta = 0.63 * k_pi;
    const Vec3 p = mantle_point(theta, phi);
    const Vec3 normal = normalised(p - k_mantle_centre);
    const Vec3 along = normalised(mantle_point(theta, phi + 0.01) - p);
    const Vec3 across = cross(normal, along);
    const int pupil = add_vertex(m, p + normal * 9.0, 0.5, 0.5);
    const int rim = static_cast<int>(m.vertices.size());
    for (int j = 0; j < 7; ++j) {
        const double a = 2 * k_pi * j / 7;
        add_vertex(m, p + normal * 5.0 + along * (9.0 * std::cos(a)) + across * (7.0 * std::sin(a)), 0.5 + 0.5 * std::cos(a),
                   0.5 + 0.5 * std::sin(a));
    }
    for (int j = 0; j < 7; ++j) add_triangle(m, Face{pupil, rim + j, rim + (j + 1) % 7, 0, 1, 0}, k_mantle_centre);
}

// One arm: a centre line integrated with a curvature that grows towards the tip, so the arm
// reaches out and down and then rolls into a curl; each arm has its own length, reach, roll of
// the curl and a slow sideways sway. Rings are spaced by arc length plus turning, so the curl gets
// more of them; the tube tapers to a pointed tip.
constexpr int k_arm_rings = 12, k_arm_sides = 5;

void build_tentacle(OctoMesh& m, int k)
{
    const double h1 = std::sin(k * 12.9898 + 1.3) * 43758.5453, h2 = std::sin(k * 78.233 + 0.7) * 12543.77;
    const double v1 = h1 - std::floor(h1), v2 = h2 - std::floor(h2);   // fixed per-arm variety in 0..1
    const double phi = k * k_pi / 4 + k_pi / 8 + 0.16 * (v2 - 0.5);
    const double length = 150 * (0.72 + 0.45 * v1);
    const double dip = 0.25 + 0.45 * v2;                 // how steeply the arm starts down
    const double turn = 3.0 + 2.2 * (1 - v1) + 0.6 * v2;  // total turning of the curl, radians
    const double roll = 1.1 * (v1 - 0.5) + 0.5 * std::sin(k * 2.1);
    const double sway = 0.35 * std::sin(k * 1.7 + 0.4);

    const Vec3 out{std::cos(phi), 0, std::sin(phi)};
    Vec3 t = normalised(out * std::cos(dip) + Vec3{0, 1, 0} * std::sin(dip));
    Vec3 n = rotate_about(normalised(cross(cross(t, Vec3{0, -1, 0}), t)), t, roll);
    Vec3 p = mantle_point(0.86 * k_pi, phi) + out * 4.0;

    constexpr int steps = 400;
    const double ds = length / steps;
    std::vector<Vec3> line{p};
    std::vector<double> weight{0};
    for (int s = 0; s < steps; ++s) {
        const double u = (s + 0.5) / steps;
        const double kappa = turn / length * (0.15 + 2.55 * std::pow(u, 2.2)) + sway / length * std::cos(u * 5.0 + k);
        const Vec3 b = cross(t, n);
        t = normalised(t + n * (kappa * ds) + b * (0.25 * sway / length * ds));
        n = normalised(cross(b, t));
        p = p + t * ds;
        line.push_back(p);
        weight.push_back(weight.back() + ds * (1 + 14 * std::fabs(kappa)));
    }
    // Ring centres at equal steps of the weight.
    std::vector<Vec3> centre;
    std::vector<double> at_u;
    for (int i = 0; i < k_arm_rings; ++i) {
        const double w = weight.back() * i / k_arm_rings;
        size_t s = 0;
        while (s + 1 < weight.size() && weight[s + 1] < w) ++s;
        const double f = weight[s + 1] > weight[s] ? (w - weight[s]) / (weight[s + 1] - weight[s]) : 0;
        centre.push_back(line[s] + (line[s + 1] - line[s]) * f);
        at_u.push_back((s + f) / steps);
    }
    // Rings on a frame carried along the line without twisting.
    std::vector<int> first(k_arm_rings);
    Vec3 side = normalised(cross(normalised(centre[1] - centre[0]), Vec3{0, 1, 0.0001}));
    for (int i = 0; i < k_arm_rings; ++i) {
        const Vec3 ahead = normalised(centre[std::min(i + 1, k_arm_rings - 1)] - centre[std::max(i - 1, 0)]);
        side = normalised(side - ahead * dot(side, ahead));
        const Vec3 up = cross(side, ahead);
        const double radius = 11.0 * std::pow(1 - 0.92 * at_u[i], 1.25) + 0.7;
        first[i] = static_cast<int>(m.vertices.size());
        for (int j = 0; j < k_arm_sides; ++j) {
            const double a = 2 * k_pi * j / k_arm_sides + 0.5 * i;
            add_vertex(m, centre[i] + side * (radius * std::cos(a)) + up * (radius * std::sin(a)),
                       static_cast<double>(j) / k_arm_sides, static_cast<double>(i) / k_arm_rings);
        }
    }
    const int tip = add_vertex(m, line.back(), 0.5, 1.0);
    for (int i = 0; i + 1 < k_arm_rings; ++i)
        for (int j = 0; j < k_arm_sides; ++j) {
            const Vec3 inside = (centre[i] + centre[i + 1]) * 0.5;
            add_quad(m, first[i] + j, first[i] + (j + 1) % k_arm_sides, first[i + 1] + (j + 1) % k_arm_sides, first[i + 1] + j, inside);
        }
    const Vec3 last = centre[k_arm_rings - 1];
    for (int j = 0; j < k_arm_sides; ++j)
        add_triangle(m, Face{tip, first[k_arm_rings - 1] + j, first[k_arm_rings - 1] + (j + 1) % k_arm_sides, 1, 1, 1}, last);
}

OctoMesh octopus_mesh()
{
    OctoMesh m;
    build_mantle(m);
    build_eye(m, 0.5 * k_pi - 0.85);
    build_eye(m, 0.5 * k_pi + 0.85);
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
