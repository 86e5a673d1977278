#pragma once
// A modal dialog that hosts property pages, one tab each, for a set of
// objects: OK applies the changed pages and closes, Apply applies and stays,
// Cancel closes without applying.

#include <cstdint>

#include "runtime/interface.h"

class QWidget;

namespace lumicar {

// Creates each page by class id (pages that cannot be made are left out),
// gives it the objects and shows the dialog over `owner` at (x, y) (negative:
// centred on the owner). Returns once the dialog has closed; E_FAIL when not
// one page could be made.
HRESULT OleCreatePropertyFrame(QWidget* owner, int x, int y, const char16_t* caption, uint32_t objectCount,
                               IUnknown** objects, uint32_t pageCount, const TGUID* pages, uint32_t locale);

}  // namespace lumicar
