// The image and colour-twist tables: pointer definitions (each starting at its built-in kernel, so no
// entry is ever null) and the entries in table order.

#include "kernels/dispatch/image_table.h"

#include "kernels/dispatch/builtin_kernels.h"
#include "kernels/dispatch/entry_binding.h"

namespace lumicar {

LUMICAR_IMAGE_TABLE(LUMICAR_DEFINE_DISPATCH_ENTRY)
LUMICAR_COLOR_TWIST_TABLE(LUMICAR_DEFINE_DISPATCH_ENTRY)

namespace {

const DispatchEntry kImageEntries[] = {LUMICAR_IMAGE_TABLE(LUMICAR_DISPATCH_ENTRY_INFO)};
const dispatch_detail::EntryBinding kImageBindings[] = {LUMICAR_IMAGE_TABLE(LUMICAR_DISPATCH_ENTRY_BINDING)};
static_assert(std::size(kImageEntries) == kImageTableSize);

const DispatchEntry kColorTwistEntries[] = {LUMICAR_COLOR_TWIST_TABLE(LUMICAR_DISPATCH_ENTRY_INFO)};
const dispatch_detail::EntryBinding kColorTwistBindings[] = {LUMICAR_COLOR_TWIST_TABLE(LUMICAR_DISPATCH_ENTRY_BINDING)};
static_assert(std::size(kColorTwistEntries) == kColorTwistTableSize);

}  // namespace

dispatch_detail::TableView dispatch_detail::ImageTableView() { return {kImageEntries, kImageBindings}; }
dispatch_detail::TableView dispatch_detail::ColorTwistTableView() { return {kColorTwistEntries, kColorTwistBindings}; }

}  // namespace lumicar
