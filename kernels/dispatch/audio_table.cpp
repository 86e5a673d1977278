// The audio table: pointer definitions of its own entries and all its entries in table order, including
// the one it shares with the image table (defined there).

#include "kernels/dispatch/audio_table.h"

#include "kernels/dispatch/builtin_kernels.h"
#include "kernels/dispatch/entry_binding.h"

#define LUMICAR_SHARED_ENTRY_INFO(name) LUMICAR_DISPATCH_ENTRY_INFO(name, shared)
#define LUMICAR_SHARED_ENTRY_BINDING(name) LUMICAR_DISPATCH_ENTRY_BINDING(name, shared)

namespace lumicar {

LUMICAR_AUDIO_TABLE(LUMICAR_DEFINE_DISPATCH_ENTRY, LUMICAR_AUDIO_TABLE_IGNORE_SHARED)

namespace {

const DispatchEntry kAudioEntries[] = {LUMICAR_AUDIO_TABLE(LUMICAR_DISPATCH_ENTRY_INFO, LUMICAR_SHARED_ENTRY_INFO)};
const dispatch_detail::EntryBinding kAudioBindings[] = {
    LUMICAR_AUDIO_TABLE(LUMICAR_DISPATCH_ENTRY_BINDING, LUMICAR_SHARED_ENTRY_BINDING)};

}  // namespace

dispatch_detail::TableView dispatch_detail::AudioTableView() { return {kAudioEntries, kAudioBindings}; }

}  // namespace lumicar
