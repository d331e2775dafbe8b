// The mesh scene: start-up failure on a missing object, the animation state across frames and runs,
// and the frame it draws: the undistorted texture, the strand of a visible edge and the joints.
#include <sys/stat.h>

#include <string>

#include "base/report.h"
#include "common/test_util.h"
#include "scenes/mesh/mesh_scene.h"

namespace {

// Every run gets a start time above all earlier ones.
float next_start()
{
    static float start = 1000.0f;
    return start += 1000.0f;
}

// Each test works inside a temp dir of its own, removed afterwards; other scenes' tests read
// ./data of the build dir, so the test goes back there first.
class MeshScene : public testing::Test {
protected:
    // An object of three vertices whose one face has a visible edge from vertex 0 to vertex 1 when
    // flag_ab is 1, and from vertex 1 to vertex 2 otherwise.
    void write_object(int flag_ab)
    {
        dir_.write("data/octopus.ase",
                   "*GEOMOBJECT {\n *MESH {\n  *MESH_NUMVERTEX 3\n  *MESH_NUMFACES 1\n  *MESH_VERTEX_LIST {\n"
                   "   *MESH_VERTEX 0\t0.0\t0.0\t0.0\n   *MESH_VERTEX 1\t40.0\t0.0\t0.0\n   *MESH_VERTEX 2\t0.0\t30.0\t0.0\n"
                   "  }\n  *MESH_FACE_LIST {\n   *MESH_FACE 0:  A: 0 B: 1 C: 2 AB: " + std::to_string(flag_ab) +
                   " BC: " + std::to_string(1 - flag_ab) + " CA: 0\t*MESH_MTLID 0\n  }\n }\n}\n");
    }
    TempDir dir_{"q_mesh"};
    DirScope inside_{dir_.path};
};

}  // namespace

TEST_F(MeshScene, MissingOrUnreadableObjectFailsStartUp)
{
    for (bool as_directory : {false, true}) {
        if (as_directory) mkdir("data/octopus.ase", 0755);
        g_failure_reported = 0;
        testing::internal::CaptureStderr();
        EXPECT_EQ(mesh_scene_prepare(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  as_directory ? "quorvelle: cannot read ./data/octopus.ase: it is a folder\n"
                               : "quorvelle: cannot open ./data/octopus.ase: No such file or directory\n");
        EXPECT_EQ(g_failure_reported, 1);
    }
}

TEST_F(MeshScene, AnimationStateAcrossFramesAndRuns)
{
    write_object(1);
    ASSERT_EQ(mesh_scene_prepare(), 1);
    Frame f;
    MeshSceneState& st = g_mesh_state;
    st.pulse_growing = 1;
    struct Step {
        float offset;   // now - start
        bool new_run;
        float angle, pulse;
        int growing;
    } steps[] = {
        {10, true, 0.0f, 1.0f, 1},   // dt 0 on the first frame of a run
        {11, false, 0.01f, 1.08f, 1},
        {13, false, 0.03f, 1.24f, 0},   // past 1.1: turns after overshooting by one step
        {14, false, 0.04f, 1.16f, 0},
        {5, true, 0.0f, 1.0f, 0},   // a later start restarts angle, pulse and phase, not the direction
        {6, false, 0.01f, 0.92f, 0},
        {40, false, 0.35f, -1.8f, 1},   // a long frame: everything but the phase moves far
    };
    float start = 0;
    int frames = 0;
    for (const Step& s : steps) {
        if (s.new_run) start = next_start(), frames = 0;
        scene_mesh(&f.s, start + s.offset, start);
        ++frames;
        EXPECT_NEAR(st.angle, s.angle, 1e-6) << s.offset;
        EXPECT_NEAR(st.pulse, s.pulse, 1e-5) << s.offset;
        EXPECT_EQ(st.pulse_growing, s.growing) << s.offset;
        EXPECT_NEAR(st.phase, 0.04f * frames, 1e-5);   // once per frame, however long the frame
    }
    // Uneven frame times: each step is dt * 0.08 in double, added to the stored pulse and rounded
    // once. Steps of 0.71 and 0.93 frames give a pulse one float apart from float arithmetic's.
    st.initialised = 0;   // a first call of the program, at a start of our choosing
    start = 2000.0f;
    scene_mesh(&f.s, start + 0.7f, start);
    st.pulse_growing = 1;
    float want = 1.0f;
    float previous = st.current_time;
    for (float offset : {0.71f, 1.64f}) {
        scene_mesh(&f.s, start + offset, start);
        want = static_cast<float>(want + (static_cast<double>(st.current_time) - previous) * 0.08);
        previous = st.current_time;
        EXPECT_EQ(st.pulse, want) << offset;
    }
    EXPECT_EQ(st.pulse, 0x1.1340a2p+0f);
    mesh_scene_release();
}

TEST_F(MeshScene, FrameShowsTextureStrandsAndDots)
{
    for (int flag : {0, 1}) {
        write_object(flag);
        ASSERT_EQ(mesh_scene_prepare(), 1);
        Frame f;
        const float start = next_start();
        const Image* tex = g_mesh_scene.texture;
        scene_mesh(&f.s, start, start);   // phase 0: the grid is undistorted
        for (auto [x, y] : {std::pair{10, 10}, std::pair{500, 380}, std::pair{255, 100}})
            EXPECT_EQ(f.at(x, y), tex->pixels[(y % 128) * 128 + (x + 1) % 128] & 0xFFFFFFu);
        EXPECT_EQ(f.at(256, 192), 0x00ABD4E4u);   // the joint at the origin, on the screen centre
        // The strand from vertex 0 to vertex 1 (x 40 x 2 x cos 45 degrees) runs along row 192.
        if (flag) {
            EXPECT_GE(f.at(285, 192) >> 16 & 0xff, 0xF0u);
        } else {
            EXPECT_EQ(f.at(285, 192), tex->pixels[64 * 128 + 286 % 128] & 0xFFFFFFu);
        }
        EXPECT_TRUE(f.pad_intact());
        mesh_scene_release();
        mesh_scene_release();   // harmless twice
    }
}
