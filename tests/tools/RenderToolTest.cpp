#include "effects/scenes/EndingScene.h"
#include "effects/scenes/GreetingsScene.h"
#include "effects/scenes/PlasmaTunnelVelkScene.h"
#include "effects/sync/Timeline.h"
#include "geometry/DrawPath.h"
#include "support/WorkingDirectory.h"
#include "tools/assets/TextureMaker.h"
#include "tools/render/FrameStatistics.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/RenderSession.h"
#include "tools/render/VideoEncoder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

bool parse(std::vector<const char*> args, RenderOptions* options, std::string* error)
{
    args.insert(args.begin(), "quessaly-render");
    return options->parse(static_cast<int>(args.size()), args.data(), error);
}

template <typename Scene>
AbstractSceneObject* make(const float* time)
{
    return new Scene(time);
}

// The greetings from the start of the music, then the ending, which quits at 227.5 s.
std::vector<SceneRow> shortShow() { return {{12, make<GreetingsScene>}, {13, make<EndingScene>}}; }

std::string temporaryDirectory()
{
    char pattern[] = "/tmp/quessaly-render-XXXXXX";
    return mkdtemp(pattern);
}

std::vector<std::string> framesIn(const std::string& directory)
{
    std::vector<std::string> names;
    for (int i = 0;; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame-%06d.png", i);
        struct stat info {};
        if (stat((directory + name).c_str(), &info) != 0) {
            break;
        }
        names.push_back(directory + name);
    }
    return names;
}

std::string contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The scenes whose draws the resident path changes.
bool drawnDifferently(double time)
{
    for (const char* keyword : {"MULTICYLINDERTUNNEL\n", "PLASMABALLINCUBE\n", "CYLINDERPLANE\n", "MULTIBALL\n",
                                "PLASMABALL\n"}) {
        for (const TimelineTime& row : kTimeline) {
            if (std::strcmp(row.keyword, keyword) == 0 && time >= row.start && time < row.end) {
                return true;
            }
        }
    }
    return false;
}

// Per channel over a frame: the mean absolute difference and its 99.9th percentile, in 1/255 steps.
struct PictureDifference {
    double mean = 0.0;
    int percentile999 = 0;
};

PictureDifference compareRgb(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    std::uint64_t histogram[256] = {};
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int difference = std::abs(int{a[i]} - int{b[i]});
        ++histogram[difference];
        total += static_cast<std::uint64_t>(difference);
    }
    PictureDifference result;
    result.mean = static_cast<double>(total) / static_cast<double>(a.size());
    std::uint64_t below = 0;
    while (result.percentile999 < 255 && (below += histogram[result.percentile999]) * 1000 < a.size() * 999) {
        ++result.percentile999;
    }
    return result;
}

int runQuietly(RenderSession& session, std::string* error)
{
    testing::internal::CaptureStdout();
    const int status = session.run(error);
    testing::internal::GetCapturedStdout();
    return status;
}

} // namespace

TEST(RenderOptions, RefusesWhatItCannotUseWithOneLineReasons)
{
    RenderOptions defaults;
    std::string error;
    ASSERT_TRUE(parse({}, &defaults, &error));
    EXPECT_EQ(defaults.width, 1280);
    EXPECT_EQ(defaults.height, 720);
    EXPECT_EQ(defaults.fps, 60);
    EXPECT_LT(defaults.end, 0.0);

    RenderOptions options;
    ASSERT_TRUE(parse({"--size", "320x180", "--fps", "20", "--start", "1.5", "--end", "3", "--stats", "--quiet",
                       "--frames", "out", "--sheet", "s.png", "--video", "v.mp4"},
                      &options, &error));
    EXPECT_EQ(options.width, 320);
    EXPECT_EQ(options.height, 180);
    EXPECT_EQ(options.fps, 20);
    EXPECT_DOUBLE_EQ(options.start, 1.5);
    EXPECT_DOUBLE_EQ(options.end, 3.0);
    EXPECT_TRUE(options.stats && options.quiet);

    const std::vector<std::vector<const char*>> refused = {
        {"--size", "320"},  {"--size", "0x180"},   {"--size", "320x"},   {"--size", "99999x10"},
        {"--fps", "0"},     {"--fps", "-5"},       {"--fps", "twenty"},  {"--start", "-1"},
        {"--end", "nan"},   {"--start", "5", "--end", "2"}, {"--fps"}, {"--bogus"}, {"--video", ""},
    };
    for (const auto& args : refused) {
        RenderOptions rejected;
        std::string reason;
        EXPECT_FALSE(parse(args, &rejected, &reason)) << args[0];
        EXPECT_FALSE(reason.empty()) << args[0];
        EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
    }
}

TEST(RenderSession, AMissingFfmpegIsReportedBeforeAnyFrame)
{
    const std::string emptyDirectory = temporaryDirectory();
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", emptyDirectory.c_str(), 1);
    RenderOptions options;
    options.video = emptyDirectory + "/show.mp4";
    options.quiet = true;
    RenderSession session(options, shortShow());
    std::string error;
    const int status = runQuietly(session, &error);
    setenv("PATH", path.c_str(), 1);
    EXPECT_NE(status, 0);
    EXPECT_NE(error.find("ffmpeg"), std::string::npos);
    EXPECT_EQ(session.framesRendered(), 0);
    std::system(("rm -rf " + emptyDirectory).c_str());
}

TEST(RenderSession, WritesExactlyTheFramesInRangeTheSameEveryRun)
{
    const std::string first = temporaryDirectory();
    const std::string second = temporaryDirectory();
    RenderOptions options;
    options.width = 48;
    options.height = 32;
    options.fps = 10;
    options.start = 1.0;
    options.end = 2.0;
    options.quiet = true;
    options.framesDirectory = first;
    RenderSession session(options, shortShow());
    std::string error;
    ASSERT_EQ(runQuietly(session, &error), 0) << error;

    // Frames at 1.0, 1.1 … 2.0 s; the ones before were drawn, since effects build up frame by frame.
    EXPECT_EQ(framesIn(first).size(), 11u);
    EXPECT_EQ(session.framesWritten(), 11);
    // Three loading frames (one per scene, one to start the music), then 0.0 … 2.0 s: every rendered
    // frame counted once.
    EXPECT_EQ(session.framesRendered(), 3 + 21);
    EXPECT_EQ(static_cast<long>(session.statistics().frameCount()), session.framesRendered());
    EXPECT_EQ(session.statistics().frameCount("LOADER"), 3u);
    EXPECT_EQ(session.statistics().frameCount("OUTTRO"), 21u);

    options.framesDirectory = second;
    RenderSession again(options, shortShow());
    ASSERT_EQ(runQuietly(again, &error), 0) << error;
    const std::vector<std::string> firstFrames = framesIn(first);
    const std::vector<std::string> secondFrames = framesIn(second);
    ASSERT_EQ(firstFrames.size(), secondFrames.size());
    for (std::size_t i = 0; i < firstFrames.size(); ++i) {
        EXPECT_EQ(contents(firstFrames[i]), contents(secondFrames[i])) << firstFrames[i];
    }
    // The flight moves: the first and the last frame differ.
    EXPECT_NE(contents(firstFrames.front()), contents(firstFrames.back()));
    std::system(("rm -rf " + first + " " + second).c_str());
}

TEST(RenderSession, EndsWhenTheShowQuitsAndWritesAVideoAndASheet)
{
    if (VideoEncoder::findExecutable("ffmpeg").empty()) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    const std::string directory = temporaryDirectory();
    RenderOptions options;
    options.width = 64;
    options.height = 36;
    options.fps = 4;
    options.start = 226.0;
    options.quiet = true;
    options.video = directory + "/show.mp4";
    options.sheet = directory + "/sheet.png";
    RenderSession session(options, shortShow());
    std::string error;
    ASSERT_EQ(runQuietly(session, &error), 0) << error;
    // 226.0 … 227.5 s at four frames a second; the frame that takes the quit message is drawn too.
    EXPECT_EQ(session.framesWritten(), 8);
    EXPECT_GT(contents(options.video).size(), 1000u);
    EXPECT_EQ(contents(options.sheet).substr(1, 3), "PNG");
    std::system(("rm -rf " + directory).c_str());
}

TEST(FrameStatistics, QuantilesByNearestRank)
{
    std::vector<double> values;
    for (int i = 1; i <= 100; ++i) {
        values.push_back(i);
    }
    EXPECT_DOUBLE_EQ(FrameStatistics::quantile(values, 0.5), 50.0);
    EXPECT_DOUBLE_EQ(FrameStatistics::quantile(values, 0.99), 99.0);
    EXPECT_DOUBLE_EQ(FrameStatistics::quantile({7.0}, 0.99), 7.0);
    EXPECT_DOUBLE_EQ(FrameStatistics::quantile({}, 0.5), 0.0);
}

// The whole show through the real catalog, so each scene inherits the GL state the one before leaves, drawn
// once on each path. At 6 fps every third frame of a changed scene is kept: frames land mid-morph, mid-flash
// and mid-fade. Metric: per frame and channel, the mean absolute difference at most 1/255 and the 99.9th
// percentile at most 32/255. The worst frames differ only where a wireframe crosses the edge of the view:
// line-mode triangles are clipped as polygons there, edge lists as lines, a row of pixels apart.
TEST(DrawPaths, TheResidentPathDrawsThePictureOfTheLiteralPath)
{
    WorkingDirectory directory("draw-paths");
    std::string error;
    ASSERT_TRUE(TextureMaker().writeAll(directory.path.string(), &error)) << error;
    RenderOptions options;
    options.width = 480;
    options.height = 270;
    options.fps = 6;
    options.quiet = true;

    std::vector<std::pair<double, std::vector<std::uint8_t>>> literalFrames;
    long index = 0;
    const auto keep = [&](double time, const std::vector<std::uint8_t>& rgba, auto&& use) {
        if (index++ % 3 == 0 && drawnDifferently(time)) {
            std::vector<std::uint8_t> rgb;
            rgb.reserve(rgba.size() / 4 * 3);
            for (std::size_t i = 0; i < rgba.size(); i += 4) {
                rgb.insert(rgb.end(), rgba.begin() + static_cast<std::ptrdiff_t>(i),
                           rgba.begin() + static_cast<std::ptrdiff_t>(i) + 3);
            }
            use(time, std::move(rgb));
        }
        return true;
    };

    options.drawPath = DrawPath::Literal;
    RenderSession literal(options);
    literal.setFrameSink([&](double time, const std::vector<std::uint8_t>& rgba, std::string*) {
        return keep(time, rgba, [&](double t, std::vector<std::uint8_t> rgb) { literalFrames.emplace_back(t, rgb); });
    });
    ASSERT_EQ(runQuietly(literal, &error), 0) << error;
    ASSERT_GT(literalFrames.size(), 150u);

    options.drawPath = DrawPath::Resident;
    RenderSession resident(options);
    std::size_t compared = 0;
    PictureDifference worst;
    // Reported after the run: standard output is captured while it lasts.
    std::string differences;
    index = 0;
    resident.setFrameSink([&](double time, const std::vector<std::uint8_t>& rgba, std::string*) {
        return keep(time, rgba, [&](double t, std::vector<std::uint8_t> rgb) {
            if (compared >= literalFrames.size() || literalFrames[compared].first != t) {
                differences += "\nno literal frame at " + std::to_string(t) + " s";
                return;
            }
            const PictureDifference difference = compareRgb(literalFrames[compared].second, rgb);
            if (difference.mean > 1.0 || difference.percentile999 > 32) {
                differences += "\nat " + std::to_string(t) + " s: mean " + std::to_string(difference.mean) +
                               ", 99.9th percentile " + std::to_string(difference.percentile999);
            }
            worst.mean = std::max(worst.mean, difference.mean);
            worst.percentile999 = std::max(worst.percentile999, difference.percentile999);
            ++compared;
        });
    });
    ASSERT_EQ(runQuietly(resident, &error), 0) << error;
    DrawPath::select(DrawPath::Resident);
    EXPECT_EQ(compared, literalFrames.size());
    EXPECT_TRUE(differences.empty()) << differences;
    std::printf("%zu frames compared; worst mean %.4f/255, worst 99.9th percentile %d/255\n", compared, worst.mean,
                worst.percentile999);
}

// The tunnel moves one ring per rendered frame: from --start on it shows what a run from the beginning shows
// only if every frame before the start was played, though none of them is drawn.
TEST(RenderSession, AStartInheritsTheStateOfEveryFrameBeforeIt)
{
    RenderOptions options;
    std::string error;
    ASSERT_TRUE(parse({"--size", "64x36", "--fps", "10", "--end", "3", "--quiet"}, &options, &error));
    std::vector<std::vector<std::uint8_t>> frames[2];
    for (double start : {0.0, 2.0}) {
        options.start = start;
        RenderSession session(options, {{4, make<PlasmaTunnelVelkScene>}});
        session.setFrameSink([&frames, start](double, const std::vector<std::uint8_t>& rgba, std::string*) {
            frames[start > 0.0].push_back(rgba);
            return true;
        });
        ASSERT_EQ(runQuietly(session, &error), 0) << error;
    }
    ASSERT_EQ(frames[0].size(), 31u);
    EXPECT_TRUE(std::equal(frames[1].begin(), frames[1].end(), frames[0].begin() + 20, frames[0].end()));
    EXPECT_NE(frames[0][20], frames[0][30]);
}
