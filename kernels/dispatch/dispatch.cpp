// Start-up and shutdown of the kernel dispatch, and the queries over the bound tables.

#include "kernels/dispatch/dispatch.h"

#include "kernels/dispatch/entry_binding.h"

namespace lumicar {

namespace {

using dispatch_detail::TableView;

bool bound = false;  // written only during single-threaded start-up and shutdown

void Bind(const TableView& table) {
  for (size_t i = 0; i < table.entries.size(); ++i) table.bindings[i].bind(table.entries[i].name);
}

void Reset(const TableView& table) {
  for (const auto& binding : table.bindings) binding.reset();
}

TableView View(DispatchTable table) {
  switch (table) {
    case DispatchTable::kImage:
      return dispatch_detail::ImageTableView();
    case DispatchTable::kColorTwist:
      return dispatch_detail::ColorTwistTableView();
    case DispatchTable::kSignal:
      return dispatch_detail::SignalTableView();
    case DispatchTable::kAudio:
      return dispatch_detail::AudioTableView();
    case DispatchTable::kNorm:
      return dispatch_detail::NormTableView();
  }
  return {};
}

constexpr DispatchTable kAllTables[] = {DispatchTable::kImage, DispatchTable::kColorTwist, DispatchTable::kSignal,
                                        DispatchTable::kAudio, DispatchTable::kNorm};

}  // namespace

void InitializeKernelDispatch() {
  if (bound) return;
  image_loader::Load();
  signal_loader::Load();
  // The C runtime and heap functions of the built-in kernels are the standard library's: nothing to bind.
  Bind(dispatch_detail::SignalTableView());
  Bind(dispatch_detail::NormTableView());
  Bind(dispatch_detail::AudioTableView());
  // The 16-bit packing kernels are called directly: nothing to bind.
  Bind(dispatch_detail::ColorTwistTableView());
  // ippiSet_8u_C1R belongs to the audio table as well; binding it again yields the same address.
  Bind(dispatch_detail::ImageTableView());
  bound = true;
}

void FinalizeKernelDispatch() {
  if (!bound) return;
  // Entries go back to the built-in kernels before the libraries are unmapped, so that a late caller
  // (a static destructor, say) lands in the program's own code instead of in released memory.
  Reset(dispatch_detail::ImageTableView());
  Reset(dispatch_detail::ColorTwistTableView());
  Reset(dispatch_detail::AudioTableView());
  Reset(dispatch_detail::NormTableView());
  Reset(dispatch_detail::SignalTableView());
  signal_loader::Release();
  image_loader::Release();
  bound = false;
}

std::span<const DispatchEntry> TableEntries(DispatchTable table) { return View(table).entries; }

bool IsBuiltinEntry(std::string_view name) {
  for (DispatchTable table : kAllTables) {
    for (const DispatchEntry& entry : View(table).entries) {
      if (name == entry.name) return entry.is_builtin();
    }
  }
  return false;
}

}  // namespace lumicar
