#include "ui/registration.h"

#include <mutex>

#include "runtime/class_registry.h"
#include "ui/button.h"
#include "ui/color.h"
#include "ui/font.h"
#include "ui/label.h"
#include "ui/menu_item.h"
#include "ui/panel.h"
#include "ui/popup_menu.h"

namespace lumicar {

void RegisterUIClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterColorIdents();
    RegisterFontIdents();
    RegisterClass<TPopupMenu>();
    RegisterClass<TMenuItem>();
    RegisterClass<TLabel>();
    RegisterClass<TPanel>();
    RegisterClass<TButton>();
  });
}

}  // namespace lumicar
