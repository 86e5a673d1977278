// The optional acceleration library's loaders. Each library is opened once by bare file name with the
// dynamic loader's default search order; a library that is not there leaves its handle empty, silently.

#include <dlfcn.h>

#include "kernels/dispatch/dispatch.h"
#include "kernels/dispatch/entry_binding.h"

namespace lumicar {

namespace builtin {
// Without the core library the processor type is unknown.
IppCpuType ippGetCpuType() { return 0; }
}  // namespace builtin

kernel_fn::ippGetCpuType* ippGetCpuType = &builtin::ippGetCpuType;

namespace {

struct Handles {
  void* image = nullptr;
  void* color = nullptr;
  void* signal = nullptr;
  void* core = nullptr;
};
Handles handles;  // written only during single-threaded start-up and shutdown

void* Open(const char* file) {
  // Immediate binding, so that a library with unresolved symbols is refused here rather than failing
  // at its first call; local, so that its symbols never satisfy anybody else's.
  void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) dlerror();  // a missing library is no error: drop the message
  return handle;
}

void Close(void*& handle) {
  if (handle != nullptr) dlclose(handle);
  handle = nullptr;
}

void* Export(void* handle, const char* name) {
  if (handle == nullptr || name == nullptr) return nullptr;
  void* address = dlsym(handle, name);
  if (address == nullptr) dlerror();
  return address;
}

}  // namespace

namespace image_loader {

void Load() {
  if (handles.image == nullptr) handles.image = Open(kImageLibraryFile);
  if (handles.color == nullptr) handles.color = Open(kColorLibraryFile);
}

void Release() {
  Close(handles.color);
  Close(handles.image);
}

bool CheckIPPSDLLs() { return handles.image != nullptr && handles.color != nullptr; }

}  // namespace image_loader

namespace signal_loader {

void Load() {
  if (handles.signal == nullptr) handles.signal = Open(kSignalLibraryFile);
  if (handles.core == nullptr) handles.core = Open(kCoreLibraryFile);
  void* cpu_type = Export(handles.core, "ippGetCpuType");
  ippGetCpuType = cpu_type != nullptr ? reinterpret_cast<kernel_fn::ippGetCpuType*>(cpu_type) : &builtin::ippGetCpuType;
}

void Release() { Close(handles.signal); }

bool CheckIPPSDLLs() { return handles.signal != nullptr; }

}  // namespace signal_loader

void* GetIPPIProcAddress(const char* name) {
  if (void* address = Export(handles.image, name)) return address;
  return Export(handles.color, name);
}

void* GetIPPSProcAddress(const char* name) { return Export(handles.signal, name); }

void* dispatch_detail::LookupExport(const char* name) {
  const std::string_view n(name);
  return n.starts_with("ipps") ? GetIPPSProcAddress(name) : GetIPPIProcAddress(name);
}

}  // namespace lumicar
