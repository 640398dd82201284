#include "app/PlayerOptions.h"
#include "support/CommandLine.h"
#include "support/Files.h"
#include "support/WorkingDirectory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ChildRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string contents(const fs::path& path)
{
    const std::vector<std::uint8_t> bytes = readFile(path.string());
    return {bytes.begin(), bytes.end()};
}

// Runs `command` from `directory` with SDL's headless drivers and collects what it printed.
ChildRun runFrom(const fs::path& directory, const std::string& command)
{
    const fs::path out = fs::path(testing::TempDir()) / ("quessaly-" + std::to_string(getpid()) + "-out");
    const fs::path err = fs::path(out).replace_extension("err");
    const std::string line = "cd '" + directory.string() + "' && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy " +
                             command + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(line.c_str());
    ChildRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(out), contents(err)};
    fs::remove(out);
    fs::remove(err);
    return run;
}

// A program that opens a FIFO waits there for a writer. Here each FIFO named has a writer waiting in the
// background: a program that opens one is let through at once (it reads an empty file), and the FIFO's name is
// added to `opened`, so the check reports when the run ends instead of when a timeout stops it. The writers nobody
// met are stopped after the run.
std::string meetingFifos(const std::vector<std::string>& fifos, const std::string& command)
{
    std::string script;
    for (const std::string& fifo : fifos) {
        script += "(exec 3>" + fifo + " && echo " + fifo + " >>opened) & writers=\"$writers $!\"; ";
    }
    return "bash -c '" + script + command + "; status=$?; kill $writers 2>/dev/null; exit $status'";
}

} // namespace

TEST(PlayerOptions, ReadsTheOptionsAndRefusesAnythingElseInOneLine)
{
    PlayerOptions options;
    std::string error;
    ASSERT_TRUE(parseArgs({}, &options, &error));
    EXPECT_FALSE(options.windowed || options.mute || options.help || options.version);
    ASSERT_TRUE(parseArgs({"--size", "800x600", "--start", "12.5", "--mute"}, &options, &error));
    EXPECT_TRUE(options.windowed) << "a size alone asks for a window";
    EXPECT_EQ(options.width * 10000 + options.height, 8000600);
    EXPECT_DOUBLE_EQ(options.start, 12.5);
    EXPECT_TRUE(options.mute);
    ASSERT_TRUE(parseArgs({"--size", "1024x768", "--fullscreen"}, &options, &error));
    EXPECT_FALSE(options.windowed);
    ASSERT_TRUE(parseArgs({"--fullscreen", "--windowed"}, &options, &error));
    EXPECT_TRUE(options.windowed) << "the last of the two counts";
    EXPECT_EQ(options.glBackend, gl::Backend::Fixed);
    ASSERT_TRUE(parseArgs({"--gl", "shader", "--gl-debug"}, &options, &error));
    EXPECT_EQ(options.glBackend, gl::Backend::Shader);
    EXPECT_TRUE(options.glDebug);

    const std::vector<std::vector<const char*>> refused = {
        {"--size"}, {"--size", "800"}, {"--size", "0x600"}, {"--start", "-1"}, {"--start", "227.5"},
        {"--start", "1e400"}, {"--start", "soon"}, {"--bogus"}, {"windowed"}, {"-w"},
        {"--gl"}, {"--gl", "vulkan"},
    };
    expectEachRefusedInOneLine<PlayerOptions>(refused);
}

// The programs find the textures and the soundtrack in the working directory, then beside themselves, then
// where they are installed, from whatever directory they are started.
TEST(Player, FindsItsFilesWhereverItIsStarted)
{
    const WorkingDirectory directory("tree"); // removed however the test ends
    const fs::path& tree = directory.path;
    fs::create_directories(tree / "bin" / "assets");
    fs::create_directories(tree / "elsewhere");
    const std::string showOneSecond = " --size 64x36 --fps 4 --end 1 --quiet";

    const ChildRun refused = runFrom(tree / "elsewhere", std::string(QUESSALY_DEMO_PATH) + " --windowd");
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err.rfind(std::string(QUESSALY_DEMO_PATH) + ": unknown option '--windowd'\nusage: ", 0), 0u)
        << refused.err;
    EXPECT_EQ(refused.err.find("ERROR"), std::string::npos) << "a window was asked for";

    fs::copy_file(QUESSALY_RENDER_PATH, tree / "bin" / "quessaly-render");
    fs::copy(fs::path(QUESSALY_BUILD_DIR) / "assets", tree / "bin" / "assets");
    const ChildRun beside = runFrom(tree / "elsewhere", "../bin/quessaly-render" + showOneSecond);
    EXPECT_EQ(beside.status, 0) << beside.err;
    EXPECT_NE(beside.out.find("Bit depth"), std::string::npos);
    EXPECT_EQ(beside.out.find("not found"), std::string::npos) << beside.out;

    // The build tree's own render tool, two folders below the build's assets.
    const ChildRun built = runFrom(tree / "elsewhere", std::string(QUESSALY_RENDER_PATH) + showOneSecond);
    EXPECT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.out.find("not found"), std::string::npos) << built.out;

    // FIFOs named like the show's files are never opened, which would wait for a writer: here they do not
    // make the working directory the show's folder.
    for (const char* name : {"Quessaly.mp3", "orq.png"}) {
        ASSERT_EQ(mkfifo((tree / "elsewhere" / name).c_str(), 0600), 0);
    }
    const ChildRun fifos = runFrom(tree / "elsewhere",
                                   meetingFifos({"Quessaly.mp3", "orq.png"}, "../bin/quessaly-render" + showOneSecond));
    EXPECT_EQ(fifos.status, 0) << fifos.err;
    EXPECT_EQ(fifos.out.find("not found"), std::string::npos) << fifos.out;
    EXPECT_EQ(contents(tree / "elsewhere" / "opened"), "");

    // A working directory that holds the show's files comes first, even holding only some of them; a FIFO
    // among them is refused like a missing file, the texture's and the soundtrack's alike.
    fs::remove(tree / "elsewhere" / "orq.png");
    fs::copy_file(tree / "bin" / "assets" / "orq.png", tree / "elsewhere" / "orq.png");
    ASSERT_EQ(mkfifo((tree / "elsewhere" / "spheremap.png").c_str(), 0600), 0);
    const ChildRun here =
        runFrom(tree / "elsewhere", meetingFifos({"spheremap.png"}, "../bin/quessaly-render" + showOneSecond));
    EXPECT_EQ(here.status, 0) << here.err;
    EXPECT_NE(here.out.find("File <spikebal.png> not found!"), std::string::npos) << here.out;
    EXPECT_NE(here.out.find("File <spheremap.png> is not a regular file!"), std::string::npos) << here.out;
    const ChildRun played = runFrom(tree / "elsewhere", meetingFifos({"spheremap.png", "Quessaly.mp3"},
                                                                     std::string(QUESSALY_DEMO_PATH) +
                                                                         " --size 64x36 --start 227"));
    EXPECT_EQ(played.status, 0) << played.err;
    EXPECT_NE(played.err.find("No sound: Quessaly.mp3: not a regular file"), std::string::npos) << played.err;
    EXPECT_EQ(contents(tree / "elsewhere" / "opened"), "");
    for (const char* name : {"orq.png", "spheremap.png", "Quessaly.mp3", "opened"}) {
        fs::remove(tree / "elsewhere" / name);
    }

    fs::remove_all(tree / "bin" / "assets");
    const ChildRun nowhere = runFrom(tree / "elsewhere", "../bin/quessaly-render" + showOneSecond);
    EXPECT_EQ(nowhere.status, 0);
    EXPECT_EQ(nowhere.err.rfind("No textures or soundtrack found in the working directory, ", 0), 0u) << nowhere.err;

    // An installed copy, started from another directory.
    const ChildRun install = runFrom(tree, std::string("'") + QUESSALY_CMAKE + "' --install '" + QUESSALY_BUILD_DIR +
                                          "' --prefix '" + (tree / "prefix").string() + "'");
    ASSERT_EQ(install.status, 0) << install.err;
    EXPECT_TRUE(fs::is_symlink(tree / "prefix" / "bin" / "quessaly"));
    EXPECT_TRUE(fs::exists(tree / "prefix" / "share" / "applications" / "quessaly.desktop"));
    EXPECT_TRUE(fs::exists(tree / "prefix" / "share" / "icons" / "hicolor" / "256x256" / "apps" / "quessaly.png"));
    const ChildRun installed = runFrom(tree / "elsewhere", "../prefix/bin/quessaly-render" + showOneSecond);
    EXPECT_EQ(installed.status, 0) << installed.err;
    EXPECT_NE(installed.out.find("Bit depth"), std::string::npos);
    EXPECT_EQ(installed.out.find("not found"), std::string::npos) << installed.out;
}
