#include <optional>

#include "dsbase/com/graph_ids.h"
#include "dsbase/graph/device_enumerator.h"
#include "dsbase/graph/device_moniker.h"
#include "dsbase/graph/moniker_interfaces.h"

// Display names of devices back to their monikers: the exact name of one
// device, or "@device:*:<category>" for the first device of a category.

namespace lumicar {

HRESULT MkParseDisplayName(IBindCtx* context, const char16_t* name, uint32_t* eaten, IMoniker** moniker) {
  if (!name || !eaten || !moniker) return E_POINTER;
  *eaten = 0;
  *moniker = nullptr;
  if (!context) return E_INVALIDARG;
  const QString text = QString::fromUtf16(name);
  const QString prefix = QStringLiteral("@device:");
  if (!text.startsWith(prefix, Qt::CaseInsensitive)) return MK_E_SYNTAX;
  const qsizetype kindEnd = text.indexOf(u':', prefix.size());
  if (kindEnd <= prefix.size()) return MK_E_SYNTAX;
  const QString kind = text.mid(prefix.size(), kindEnd - prefix.size());
  const QString rest = text.mid(kindEnd + 1);

  TIntf<IMoniker> found;
  if (kind == u"*"_qs) {
    // The first device of a category.
    const std::optional<TGUID> category = TGUID::Parse(rest);
    if (!category) return MK_E_SYNTAX;
    std::vector<TIntf<IMoniker>> all = TDSSystemDeviceEnum::Monikers(*category);
    if (all.empty()) return MK_E_NOOBJECT;
    found = all.front();
  } else {
    const qsizetype slash = rest.indexOf(u'\\');
    if (slash <= 0 || slash + 1 >= rest.size()) return MK_E_SYNTAX;
    const std::optional<TGUID> category = TGUID::Parse(rest.left(slash));
    if (!category) return MK_E_SYNTAX;
    for (TIntf<IMoniker>& m : TDSSystemDeviceEnum::Monikers(*category)) {
      const QString& candidate = static_cast<TDSDeviceMoniker*>(m.get())->DisplayName();
      if (candidate.compare(text, Qt::CaseInsensitive) == 0) {
        found = m;
        break;
      }
    }
    if (!found) return MK_E_NOOBJECT;
  }
  *eaten = uint32_t(text.size());
  *moniker = found.Detach();
  return S_OK;
}

}  // namespace lumicar
