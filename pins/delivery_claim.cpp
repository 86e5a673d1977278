#include "pins/delivery_claim.h"

#include <algorithm>
#include <vector>

#include "pins/basic_pin.h"

namespace lumicar {

namespace {
thread_local std::vector<const TOWBasicPin*> tlsClaims;
}  // namespace

TOWDeliveryClaim::TOWDeliveryClaim(TOWBasicPin* pin) : pin_(pin), section_(pin->DestroyLockIntf()->Lock()) {
  if (section_) tlsClaims.push_back(pin_);
}

void TOWDeliveryClaim::Release() {
  if (!section_) return;
  section_.reset();
  auto it = std::find(tlsClaims.rbegin(), tlsClaims.rend(), pin_);
  if (it != tlsClaims.rend()) tlsClaims.erase(std::next(it).base());
}

bool OWThreadIsDeliveringFrom(const TOWBasicPin* pin) {
  return std::find(tlsClaims.begin(), tlsClaims.end(), pin) != tlsClaims.end();
}

}  // namespace lumicar
