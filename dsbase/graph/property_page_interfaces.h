#pragma once
// Property pages: an object names the pages that edit it, a page edits the
// objects it is given inside a widget that the property frame provides.

#include <QString>
#include <cstdint>

#include "runtime/interface.h"

class QWidget;

namespace lumicar {

inline const TGUID IID_ISpecifyPropertyPages = TGUID::FromString("{B196B28B-BAB4-101A-B69C-00AA00341D07}");
inline const TGUID IID_IPropertyPage = TGUID::FromString("{B196B28D-BAB4-101A-B69C-00AA00341D07}");

// A counted array of class ids; pElems is task memory freed by the receiver.
struct CAUUID {
  uint32_t cElems = 0;
  TGUID* pElems = nullptr;
};

struct PROPPAGEINFO {
  QString Title;
  int Width = 0;
  int Height = 0;
};

class ISpecifyPropertyPages : public virtual IUnknown {
 public:
  virtual HRESULT GetPages(CAUUID* pages) = 0;
};

class IPropertyPage : public virtual IUnknown {
 public:
  // count 0 releases the objects given before.
  virtual HRESULT SetObjects(uint32_t count, IUnknown** objects) = 0;
  virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
  // Builds the page's controls inside `parent`; Deactivate removes them.
  virtual HRESULT Activate(QWidget* parent) = 0;
  virtual HRESULT Deactivate() = 0;
  // S_OK when the page holds changes not yet applied, S_FALSE otherwise.
  virtual HRESULT IsPageDirty() = 0;
  virtual HRESULT Apply() = 0;
};

}  // namespace lumicar
