// The signal table: pointer definitions (each starting at its built-in kernel) and the entries in order.

#include "kernels/dispatch/signal_table.h"

#include "kernels/dispatch/builtin_kernels.h"
#include "kernels/dispatch/entry_binding.h"

namespace lumicar {

LUMICAR_SIGNAL_TABLE(LUMICAR_DEFINE_DISPATCH_ENTRY)

namespace {

const DispatchEntry kSignalEntries[] = {LUMICAR_SIGNAL_TABLE(LUMICAR_DISPATCH_ENTRY_INFO)};
const dispatch_detail::EntryBinding kSignalBindings[] = {LUMICAR_SIGNAL_TABLE(LUMICAR_DISPATCH_ENTRY_BINDING)};

}  // namespace

dispatch_detail::TableView dispatch_detail::SignalTableView() { return {kSignalEntries, kSignalBindings}; }

}  // namespace lumicar
