#include "dsbase/holder/filters_view.h"

#include "dsbase/graph/graph_interfaces.h"
#include "dsbase/media/media_type.h"

namespace lumicar {

namespace {

QString BoundedName(const char16_t* text, int capacity) {
  int n = 0;
  while (n < capacity && text[n] != 0) ++n;
  return QString::fromUtf16(text, n);
}

QString StateName(IFilterGraph* graph) {
  TIntf<IMediaControl> control = QueryIntf<IMediaControl>(graph, IID_IMediaControl);
  int32_t state = 0;
  if (!control || FAILED(control->GetState(0, &state))) return QStringLiteral("state unknown");
  switch (state) {
    case State_Stopped:
      return QStringLiteral("stopped");
    case State_Paused:
      return QStringLiteral("paused");
    case State_Running:
      return QStringLiteral("running");
  }
  return QStringLiteral("state %1").arg(state);
}

QString PinName(IPin* pin) {
  PIN_INFO info{};
  if (!pin || FAILED(pin->QueryPinInfo(&info))) return QStringLiteral("?");
  if (info.pFilter) info.pFilter->Release();
  return BoundedName(info.achName, kMaxPinName);
}

void DescribePin(IPin* pin, QStringList& lines) {
  PIN_DIRECTION dir = PINDIR_INPUT;
  pin->QueryDirection(&dir);
  QString line = QStringLiteral("    %1 \"%2\"")
                     .arg(dir == PINDIR_OUTPUT ? QStringLiteral("out") : QStringLiteral("in "), PinName(pin));
  IPin* peerRaw = nullptr;
  if (SUCCEEDED(pin->ConnectedTo(&peerRaw)) && peerRaw) {
    TIntf<IPin> peer = TIntf<IPin>::Adopt(peerRaw);
    line += (dir == PINDIR_OUTPUT ? QStringLiteral(" -> ") : QStringLiteral(" <- ")) + DSPinPath(peer.get());
    AM_MEDIA_TYPE mt{};
    if (SUCCEEDED(pin->ConnectionMediaType(&mt))) {
      line += QStringLiteral(" [") + DSMediaTypeToString(mt) + QLatin1Char(']');
      LPDSFreeMediaType(mt);
    }
  } else {
    line += QStringLiteral(" (not connected)");
  }
  lines << line;
}

}  // namespace

std::vector<TIntf<IPin>> DSFilterPins(IBaseFilter* filter) {
  std::vector<TIntf<IPin>> pins;
  IEnumPins* raw = nullptr;
  if (!filter || FAILED(filter->EnumPins(&raw)) || !raw) return pins;
  TIntf<IEnumPins> e = TIntf<IEnumPins>::Adopt(raw);
  IPin* pin = nullptr;
  uint32_t fetched = 0;
  while (e->Next(1, &pin, &fetched) == S_OK && fetched == 1 && pin) pins.push_back(TIntf<IPin>::Adopt(pin));
  return pins;
}

bool DSFilterName(IBaseFilter* filter, QString* name) {
  FILTER_INFO info{};
  if (!filter || FAILED(filter->QueryFilterInfo(&info))) return false;
  if (info.pGraph) info.pGraph->Release();
  *name = BoundedName(info.achName, kMaxFilterName);
  return true;
}

QString DSPinPath(IPin* pin) {
  PIN_INFO info{};
  if (!pin || FAILED(pin->QueryPinInfo(&info))) return QStringLiteral("?");
  TIntf<IBaseFilter> owner = TIntf<IBaseFilter>::Adopt(info.pFilter);
  QString filterName = QStringLiteral("?");
  if (owner) DSFilterName(owner.get(), &filterName);
  return QStringLiteral("\"%1\".\"%2\"").arg(filterName, BoundedName(info.achName, kMaxPinName));
}

bool TDSFilters::Filters(std::vector<TIntf<IBaseFilter>>& filters) const {
  filters.clear();
  if (!graph_) return false;
  IEnumFilters* raw = nullptr;
  if (FAILED(graph_->EnumFilters(&raw)) || !raw) return false;
  TIntf<IEnumFilters> e = TIntf<IEnumFilters>::Adopt(raw);
  IBaseFilter* filter = nullptr;
  uint32_t fetched = 0;
  while (e->Next(1, &filter, &fetched) == S_OK && fetched == 1 && filter)
    filters.push_back(TIntf<IBaseFilter>::Adopt(filter));
  return true;
}

bool TDSFilters::Names(QStringList& names) const {
  std::vector<TIntf<IBaseFilter>> filters;
  if (!Filters(filters)) return false;
  for (const TIntf<IBaseFilter>& filter : filters) {
    QString name;
    names << (DSFilterName(filter.get(), &name) ? name : QStringLiteral("<Unavailable>"));
  }
  return true;
}

QString TDSFilters::Describe(const QString& title) const {
  QStringList lines;
  std::vector<TIntf<IBaseFilter>> filters;
  if (!graph_) {
    lines << QStringLiteral("%1: no graph").arg(title);
  } else if (!Filters(filters)) {
    lines << QStringLiteral("%1: %2, filters cannot be listed").arg(title, StateName(graph_.get()));
  } else {
    lines << QStringLiteral("%1: %2, %3 filter(s)").arg(title, StateName(graph_.get())).arg(filters.size());
    int index = 0;
    for (const TIntf<IBaseFilter>& filter : filters) {
      QString name;
      if (!DSFilterName(filter.get(), &name)) name = QStringLiteral("<Unavailable>");
      TGUID clsid;
      const QString id = SUCCEEDED(filter->GetClassID(&clsid)) ? clsid.ToString() : QStringLiteral("?");
      lines << QStringLiteral("  [%1] \"%2\" %3").arg(++index).arg(name, id);
      for (const TIntf<IPin>& pin : DSFilterPins(filter.get())) DescribePin(pin.get(), lines);
    }
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace lumicar
