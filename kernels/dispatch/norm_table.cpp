// The norm table.

#include "kernels/dispatch/norm_table.h"

#include "kernels/dispatch/builtin_kernels.h"
#include "kernels/dispatch/entry_binding.h"

namespace lumicar {

LUMICAR_NORM_TABLE(LUMICAR_DEFINE_DISPATCH_ENTRY)

namespace {

const DispatchEntry kNormEntries[] = {LUMICAR_NORM_TABLE(LUMICAR_DISPATCH_ENTRY_INFO)};
const dispatch_detail::EntryBinding kNormBindings[] = {LUMICAR_NORM_TABLE(LUMICAR_DISPATCH_ENTRY_BINDING)};

}  // namespace

dispatch_detail::TableView dispatch_detail::NormTableView() { return {kNormEntries, kNormBindings}; }

}  // namespace lumicar
