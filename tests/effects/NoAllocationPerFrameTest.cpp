#include "app/AppWindow.h"
#include "effects/SceneCatalog.h"
#include "effects/sync/EndingSync.h"
#include "effects/sync/Timeline.h"
#include "sequence/AbstractSceneObject.h"
#include "app/LoadingScene.h"
#include "sequence/TextureTable.h"
#include "support/SceneTest.h"
#include "support/ScriptedWindow.h"
#include "support/WorkingDirectory.h"
#include "tools/assets/TextureMaker.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <link.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

// Every operator new of this test program is replaced by one that counts, while the main thread has
// asked for it. Only C++ allocations are seen, and only the scenes' own: the GL driver's mallocs are
// outside what a scene controls, and so are the C++ allocations of the shader compiler the driver
// runs inside a draw call, told apart by the library they come from.
namespace {

constexpr int kFramesKept = 12;
constexpr int kRangesKept = 64;

struct CodeRange {
    std::uintptr_t begin;
    std::uintptr_t end;
};

// The code of the GL driver and of the C++ library, found before counting starts.
struct CodeRanges {
    CodeRange ranges[kRangesKept];
    int count = 0;

    bool contain(const void* address) const
    {
        const auto at = reinterpret_cast<std::uintptr_t>(address);
        for (int i = 0; i < count; ++i) {
            if (at >= ranges[i].begin && at < ranges[i].end) {
                return true;
            }
        }
        return false;
    }
};

CodeRanges glDriver;
CodeRanges cppLibrary;

thread_local bool counting = false;
thread_local int counted = 0;
thread_local void* firstStack[kFramesKept];
thread_local int firstStackDepth = 0;

bool isGlDriver(const char* library)
{
    for (const char* part : {"/dri/", "/libLLVM", "/libgallium", "/libEGL", "/libGL.", "/libGLX", "/libglapi"}) {
        if (std::strstr(library, part) != nullptr) {
            return true;
        }
    }
    return false;
}

int addCodeRanges(dl_phdr_info* info, std::size_t, void*)
{
    const char* name = info->dlpi_name != nullptr ? info->dlpi_name : "";
    CodeRanges* ranges = nullptr;
    if (isGlDriver(name)) {
        ranges = &glDriver;
    } else if (std::strstr(name, "/libstdc++") != nullptr) {
        ranges = &cppLibrary;
    }
    for (int i = 0; ranges != nullptr && i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type == PT_LOAD && (segment.p_flags & PF_X) != 0 && ranges->count < kRangesKept) {
            const std::uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
            ranges->ranges[ranges->count++] = {begin, begin + segment.p_memsz};
        }
    }
    return 0;
}

// Called by every operator new; `caller` is the code that called it.
void note(void* caller)
{
    if (!counting || glDriver.contain(caller)) {
        return;
    }
    void* stack[64];
    int depth = 0;
    // The C++ library serves the driver as well as the scenes: whose string this is, the stack says.
    if (cppLibrary.contain(caller)) {
        depth = backtrace(stack, 64);
        for (int i = 0; i < depth; ++i) {
            if (glDriver.contain(stack[i])) {
                return;
            }
        }
    }
    if (counted == 0) {
        if (depth == 0) {
            depth = backtrace(stack, 64);
        }
        firstStackDepth = std::min(depth, kFramesKept);
        std::copy(stack, stack + firstStackDepth, firstStack);
    }
    ++counted;
}

void* allocate(std::size_t size, void* caller)
{
    note(caller);
    for (;;) {
        if (void* block = std::malloc(size == 0 ? 1 : size)) {
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) {
            throw std::bad_alloc();
        }
        handler();
    }
}

void* allocateAligned(std::size_t size, std::align_val_t alignment, void* caller)
{
    note(caller);
    const std::size_t align = std::max(static_cast<std::size_t>(alignment), sizeof(void*));
    for (;;) {
        void* block = nullptr;
        if (posix_memalign(&block, align, size == 0 ? 1 : size) == 0) {
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) {
            throw std::bad_alloc();
        }
        handler();
    }
}

template <typename Allocate>
void* allocateOrNull(Allocate allocateBlock) noexcept
{
    try {
        return allocateBlock();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

#define CALLER __builtin_return_address(0)

void* operator new(std::size_t size) { return allocate(size, CALLER); }
void* operator new[](std::size_t size) { return allocate(size, CALLER); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    void* caller = CALLER;
    return allocateOrNull([&] { return allocate(size, caller); });
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    void* caller = CALLER;
    return allocateOrNull([&] { return allocate(size, caller); });
}
void* operator new(std::size_t size, std::align_val_t alignment) { return allocateAligned(size, alignment, CALLER); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return allocateAligned(size, alignment, CALLER); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    void* caller = CALLER;
    return allocateOrNull([&] { return allocateAligned(size, alignment, caller); });
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    void* caller = CALLER;
    return allocateOrNull([&] { return allocateAligned(size, alignment, caller); });
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }

namespace {

constexpr int kCountedFrames = 10;

void* volatile probeBlock = nullptr;

// The caller's function where the library exports it, and always its library and offset for addr2line.
std::string describe(void* caller)
{
    Dl_info info{};
    if (dladdr(caller, &info) == 0 || info.dli_fname == nullptr) {
        return "an unknown caller";
    }
    char place[64];
    std::snprintf(place, sizeof place, "+0x%zx",
                  static_cast<std::size_t>(static_cast<char*>(caller) - static_cast<char*>(info.dli_fbase)));
    std::string text = info.dli_fname + std::string(place);
    if (info.dli_sname != nullptr) {
        int status = 0;
        char* demangled = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
        text = std::string(status == 0 ? demangled : info.dli_sname) + " in " + text;
        std::free(demangled);
    }
    return text;
}

// How many allocations the frame made, and the stack of the first.
std::string takeCounted(int* count)
{
    *count = counted;
    std::string text;
    for (int i = 0; counted != 0 && i < firstStackDepth; ++i) {
        text += "\n  " + describe(firstStack[i]);
    }
    counted = 0;
    return text;
}

// Finds the driver's code once the GL context exists, and loads the unwinder before it is needed.
void prepareCounting()
{
    glDriver.count = 0;
    cppLibrary.count = 0;
    dl_iterate_phdr(addCodeRanges, nullptr);
    void* stack[4];
    backtrace(stack, 4);
}

} // namespace

class NoAllocationPerFrameTest : public SceneTest {
protected:
    void TearDown() override
    {
        TextureTable::instance().release();
        SceneTest::TearDown();
    }
};

TEST_F(NoAllocationPerFrameTest, EveryScenesFramesAfterItsFirstAllocateNothing)
{
    prepareCounting();
    ASSERT_GT(glDriver.count, 0) << "no GL driver among the loaded libraries";
    // The counter has to see an allocation, or no frame below could fail.
    counting = true;
    probeBlock = ::operator new(16);
    counting = false;
    int probes = 0;
    takeCounted(&probes);
    ::operator delete(probeBlock);
    ASSERT_EQ(probes, 1);

    ASSERT_EQ(showScenes().size(), 13u);
    // The show's textures, in the directory the test runs in, as the demo runs in its asset directory.
    WorkingDirectory directory("allocation");
    std::string failure;
    ASSERT_TRUE(TextureMaker().writeAll(directory.path.string(), &failure)) << failure;
    testing::internal::CaptureStdout();
    // The loader's constructor loads the shared textures; with no rows it builds no scene.
    ScriptedWindow platform;
    AppWindow app(platform, headless_gl::kWidth, headless_gl::kHeight, nullptr, nullptr, &timeValue);
    LoadingScene loader(&app, &timeValue, {});

    // Reported once standard output is back, where the failures are printed.
    std::string allocations;
    for (const SceneRow& row : showScenes()) {
        const TimelineTime& entry = kTimeline[row.timelineIndex];
        std::string keyword = entry.keyword;
        keyword.pop_back();
        // The ending's last frames ask the program to quit; the show is over soon after.
        const float end = std::min(entry.end, kEndingQuitTime + 1.0f);

        std::unique_ptr<AbstractSceneObject> scene(row.create(&timeValue));
        loadAndStart(*scene, entry.start);
        renderAt(*scene, entry.start);
        // Spread over the scene's span, so the frames pass its cues and fire them.
        for (int frame = 1; frame <= kCountedFrames; ++frame) {
            const float share = 0.999f * static_cast<float>(frame) / kCountedFrames;
            const float time = entry.start + (end - entry.start) * share;
            counting = true;
            renderAt(*scene, time);
            counting = false;
            int count = 0;
            const std::string from = takeCounted(&count);
            if (count != 0) {
                allocations += "\n" + keyword + " allocated " + std::to_string(count) + " times at " +
                               std::to_string(time) + " s" + from;
            }
        }
        scene->stop();
    }
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(allocations.empty()) << allocations;
}
