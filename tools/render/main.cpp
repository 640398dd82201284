#include "app/AssetFolder.h"
#include "tools/render/ParallelRender.h"
#include "tools/render/RenderOptions.h"
#include "tools/render/RenderSession.h"

#include <cstdio>

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    RenderOptions options;
    std::string error;
    if (!options.parse(argc, argv, &error)) {
        std::fprintf(stderr, "quessaly-render: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::printf("%s", RenderOptions::usage());
        return 0;
    }
    // In the build tree the render tool sits two folders below the build's assets/.
    AssetFolder::choose(AssetFolder::standardFolders({"assets/", "../../assets/"}));
    // Statistics time one process alone, so --stats renders in one job unless told otherwise (which is refused).
    const int jobs = options.jobs > 0 ? options.jobs : options.stats ? 1 : ParallelRender::defaultJobs(options);
    int status = 0;
    if (jobs > 1) {
        status = ParallelRender(options, jobs).run(&error);
    } else {
        RenderSession session(options);
        status = session.run(&error);
    }
    if (status != 0) {
        std::fprintf(stderr, "quessaly-render: %s\n", error.c_str());
    }
    return status;
}
