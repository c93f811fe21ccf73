#include <kxtools/inc/kxobject.h>

std::int32_t KxObject::compareTo(const KxObject&) const { return 0; }

void KxObject::notify(std::int32_t, std::int32_t) {}

bool KxObject::isEqual(const KxObject&) const { return true; }
