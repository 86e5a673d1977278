#pragma once
// Internal to the dispatch library: how one table entry is bound, reset and recognised, and the tables
// as sequences of such entries for the start-up and shutdown routines.

#include <span>
#include <type_traits>

#include "kernels/dispatch/dispatch.h"

namespace lumicar::dispatch_detail {

// The two-step binding rule's first step: names of signal kernels ("ipps…") are looked up in the signal
// library, all others in the image libraries.
void* LookupExport(const char* name);

// Entry<pointer, builtin> carries the operations on one entry as plain functions.
template <auto& kPointer, auto kBuiltin>
struct Entry {
  using Pointer = std::remove_reference_t<decltype(kPointer)>;
  static_assert(std::is_same_v<Pointer, decltype(kBuiltin)>, "the built-in kernel must have the entry's signature");

  static void Bind(const char* name) {
    void* address = LookupExport(name);
    kPointer = address != nullptr ? reinterpret_cast<Pointer>(address) : kBuiltin;
  }
  static void Reset() { kPointer = kBuiltin; }
  static bool IsBuiltin() { return kPointer == kBuiltin; }
};

struct EntryBinding {
  void (*bind)(const char* name);
  void (*reset)();
};

// A table: its entries in table order, and for each the binding operations at the same index.
struct TableView {
  std::span<const DispatchEntry> entries;
  std::span<const EntryBinding> bindings;
};

TableView ImageTableView();
TableView ColorTwistTableView();
TableView SignalTableView();
TableView AudioTableView();
TableView NormTableView();

}  // namespace lumicar::dispatch_detail

// Helpers for the table sources: the pointer definition, the entry record and the binding record of one
// entry of an X(name, signature) list.
#define LUMICAR_DEFINE_DISPATCH_ENTRY(name, signature) kernel_fn::name* name = &builtin::name;
#define LUMICAR_DISPATCH_ENTRY_INFO(name, signature) \
  DispatchEntry{#name, &dispatch_detail::Entry<name, &builtin::name>::IsBuiltin},
#define LUMICAR_DISPATCH_ENTRY_BINDING(name, signature)                              \
  dispatch_detail::EntryBinding{&dispatch_detail::Entry<name, &builtin::name>::Bind, \
                                &dispatch_detail::Entry<name, &builtin::name>::Reset},
