#pragma once
// Start-up and shutdown of the kernel dispatch: the optional acceleration library's loaders, the lookup
// functions, and the binding of every table entry to a library export or to the built-in kernel.

#include <span>
#include <string_view>

#include "kernels/ipp_types.h"

namespace lumicar {

// The library files, looked up by bare name with the dynamic loader's default search order.
inline constexpr const char* kImageLibraryFile = "libippi.so";
inline constexpr const char* kColorLibraryFile = "libippcc.so";
inline constexpr const char* kSignalLibraryFile = "libipps.so";
inline constexpr const char* kCoreLibraryFile = "libippcore.so";

// Binds every table once, in the start-up order: image loader, signal loader (with ippGetCpuType),
// signal table, audio table, colour-twist table, image table. Runs before any component exists, on one
// thread; a second call while bound does nothing.
void InitializeKernelDispatch();

// The reverse: every entry goes back to its built-in kernel, then the signal library and then the colour
// and image libraries are released. Nothing may run a library kernel afterwards.
void FinalizeKernelDispatch();

// The image loader: the image library, then the colour library.
namespace image_loader {
void Load();
void Release();
// True when both the image and the colour library are loaded.
bool CheckIPPSDLLs();
}  // namespace image_loader

// The signal loader: the signal library and the core library.
namespace signal_loader {
void Load();
// Releases the signal library; the core library stays loaded for the life of the process.
void Release();
// True when the signal library is loaded.
bool CheckIPPSDLLs();
}  // namespace signal_loader

// The export of that name from the image library, else from the colour library; null when neither has it.
void* GetIPPIProcAddress(const char* name);
// The export of that name from the signal library; null when it is not loaded or lacks it.
void* GetIPPSProcAddress(const char* name);

// The processor type reported by the core library; the built-in one returns 0.
using IppCpuType = int;
namespace kernel_fn {
using ippGetCpuType = IppCpuType();
}
extern kernel_fn::ippGetCpuType* ippGetCpuType;

enum class DispatchTable { kImage, kColorTwist, kSignal, kAudio, kNorm };

// One entry of a table, as seen by diagnostics and by code that picks a fused built-in path.
struct DispatchEntry {
  const char* name;
  bool (*is_builtin)();  // true while the entry runs the program's own kernel
};

// The entries of a table, in table order.
std::span<const DispatchEntry> TableEntries(DispatchTable table);

// True when the entry of that name (in any table) runs the built-in kernel; false for an unknown name.
bool IsBuiltinEntry(std::string_view name);

// True when an entry's current value is the given built-in kernel, e.g.
// IsBuiltin(ippiYUV422ToRGB_8u_C2C3R, &builtin::ippiYUV422ToRGB_8u_C2C3R). A fused kernel may replace a
// chain of entries only when every entry of the chain is built-in, so that the results cannot differ.
template <class Fn>
bool IsBuiltin(Fn* entry, Fn* builtin_kernel) {
  return entry == builtin_kernel;
}

}  // namespace lumicar
