#pragma once
// Class identifiers of the renderers a graph may hold, by which the graph
// holder finds its video and audio renderer again.

#include "dsbase/com/graph_ids.h"

namespace lumicar {

inline const TGUID CLSID_VideoMixingRenderer = TGUID::FromString("{B87BEB7B-8D29-423F-AE4D-6582C10175AC}");
inline const TGUID CLSID_DSoundRender = TGUID::FromString("{79376820-07D0-11CF-A24D-0020AFD79767}");
inline const TGUID CLSID_AudioRender = TGUID::FromString("{E30629D1-27E5-11CE-875D-00608CB78066}");

}  // namespace lumicar
