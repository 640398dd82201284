// Linked into every program of the sanitizer build (QUESSALY_SANITIZE): the runtime options the
// sanitizers start with, and the GL driver kept loaded for the whole process.
#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <string>

extern "C" {

// Stricter than the defaults: the order of static initialisation and the string functions are checked too.
// A library's dynamic TLS is left to the heap scan (intercept_tls_get_addr=0): glibc 2.25 and later allocate the
// block with malloc and point to it from the thread's TLS vector, so the leak check reaches it as any other block.
// Tracking __tls_get_addr instead, GCC 12's runtime takes a block that starts 16 bytes into a page for one of
// glibc 2.19, reads its size from the bytes before it and crashes scanning that range ("Tracer caught signal
// 11"), as the render tool did in runs where the block of the LLVM library Mesa loads landed there.
const char* __asan_default_options()
{
    return "detect_leaks=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1:"
           "intercept_tls_get_addr=0";
}

// Undefined behaviour stops the program, with the stack that led to it.
const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

// Third-party leaks only, each with its reason in the file. LSAN_OPTIONS in the environment still wins.
const char* __lsan_default_options() { return "suppressions=" QUESSALY_LSAN_SUPPRESSIONS ":print_suppressions=0"; }

} // extern "C"

namespace {

// When the GL context closes, SDL unloads EGL and EGL the Mesa driver, while their globals still point
// at the blocks they keep for the process: once unmapped, those blocks read as leaks and their
// allocating frames as "<unknown module>". Held here with RTLD_NODELETE, both stay mapped: what they
// keep stays reachable, and whatever they really leak is reported under their own names. Mesa's DRI
// drivers are one file under several names, so one load covers whichever the context picks.
void* loadForever(const std::string& file) { return dlopen(file.c_str(), RTLD_NOW | RTLD_NODELETE); }

std::string driverDirectory(void* eglMesa)
{
    if (const char* path = std::getenv("LIBGL_DRIVERS_PATH")) {
        const std::string list = path;
        return list.substr(0, list.find(':'));
    }
    link_map* map = nullptr;
    if (eglMesa == nullptr || dlinfo(eglMesa, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
        return "";
    }
    // Mesa looks in <libdir>/dri, beside its own EGL library.
    const std::string library = map->l_name;
    return library.substr(0, library.rfind('/')) + "/dri";
}

const bool driverHeld = [] {
    void* eglMesa = loadForever("libEGL_mesa.so.0");
    const std::string directory = driverDirectory(eglMesa);
    return !directory.empty() && loadForever(directory + "/swrast_dri.so") != nullptr;
}();

} // namespace
