#include <kxtools/inc/kxlist.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

namespace {

// Order of two elements as the sorted list reads it: -1 and +1 as given, anything else
// counts as equal, so a faulty compareTo can neither stall a bisection nor derail a sort.
std::int32_t orderOf(const KxObject& a, const KxObject& b) {
  const std::int32_t r = a.compareTo(b);
  return (r == -1 || r == 1) ? r : 0;
}

// Stable bottom-up merge sort; it touches only the slots it is given whatever the
// comparison answers.
void mergeSort(KxObject** items, std::int32_t n) {
  if (n < 2) {
    return;
  }
  auto scratch = std::make_unique<KxObject*[]>(static_cast<std::size_t>(n));
  KxObject** from = items;
  KxObject** to = scratch.get();
  for (std::int32_t width = 1; width < n; width *= 2) {
    for (std::int32_t lo = 0; lo < n; lo += 2 * width) {
      const std::int32_t mid = std::min(lo + width, n);
      const std::int32_t hi = std::min(lo + 2 * width, n);
      std::int32_t i = lo;
      std::int32_t j = mid;
      std::int32_t k = lo;
      while (i < mid && j < hi) {
        to[k++] = orderOf(*from[j], *from[i]) == -1 ? from[j++] : from[i++];
      }
      while (i < mid) {
        to[k++] = from[i++];
      }
      while (j < hi) {
        to[k++] = from[j++];
      }
    }
    std::swap(from, to);
  }
  if (from != items) {
    std::copy(from, from + n, items);
  }
}

} // namespace

KxList::KxList() { replaceArray(kDefaultCapacity); }

KxList::KxList(std::int32_t requestedCapacity) {
  replaceArray((requestedCapacity < 0 || requestedCapacity > kMaxRequestedCapacity) ? kDefaultCapacity
                                                                                    : requestedCapacity);
}

KxList::KxList(const KxList& other) : KxObject(other) {
  replaceArray(kDefaultCapacity);
  appendCopiesOf(other);
}

KxList::~KxList() {
  releaseAllInto(true);
  delete[] items_;
}

void KxList::replaceArray(std::int32_t slots) {
  delete[] items_;
  items_ = new KxObject*[static_cast<std::size_t>(slots)]();
  capacity_ = slots;
  count_ = 0;
  cursor_ = -1;
}

void KxList::appendCopiesOf(const KxList& other) {
  for (std::int32_t i = 0; i < other.count_; ++i) {
    append(other.items_[i]);
  }
}

void KxList::growTo(std::int32_t slots) {
  if (slots <= capacity_ || slots == 0) {
    slots = capacity_ + kDefaultCapacity;
  }
  auto* grown = new KxObject*[static_cast<std::size_t>(slots)]();
  std::copy(items_, items_ + count_, grown);
  delete[] items_;
  items_ = grown;
  capacity_ = slots;
}

bool KxList::append(KxObject* obj) {
  if (obj == nullptr) {
    return false;
  }
  if (count_ == capacity_) {
    if (capacity_ >= kMaxAppendCapacity) {
      return false;
    }
    growTo(std::min(2 * capacity_, kMaxAppendCapacity));
  }
  items_[count_++] = obj;
  obj->addRef();
  return true;
}

void KxList::insertAt(std::int32_t index, KxObject* obj) {
  std::copy_backward(items_ + index, items_ + count_, items_ + count_ + 1);
  items_[index] = obj;
  ++count_;
  obj->addRef();
}

bool KxList::add(KxObject* obj) { return append(obj); }

KxObject* KxList::remove(KxObject* obj) {
  if (obj == nullptr) {
    return nullptr;
  }
  const std::int32_t index = indexOfPointer(obj);
  if (index >= 0) {
    obj->release();
    std::copy(items_ + index + 1, items_ + count_, items_ + index);
    items_[--count_] = nullptr;
    if (index < cursor_) {
      --cursor_;
    }
  }
  return obj;
}

void KxList::removeAndDelete(KxObject* obj) {
  if (obj != nullptr && remove(obj) == obj && obj->isUnreferenced()) {
    delete obj;
  }
}

void KxList::releaseAllInto(bool deleteUnreferenced) {
  for (std::int32_t i = 0; i < count_; ++i) {
    KxObject* obj = items_[i];
    items_[i] = nullptr;
    if (obj == nullptr) {
      continue;
    }
    obj->release();
    if (deleteUnreferenced && obj->isUnreferenced()) {
      delete obj;
    }
  }
  std::fill(items_, items_ + capacity_, nullptr);
  count_ = 0;
  cursor_ = 0;
}

void KxList::removeAll() { releaseAllInto(false); }

void KxList::deleteAll() { releaseAllInto(true); }

std::int32_t KxList::linearIndexOf(const KxObject* probe) const {
  if (probe == nullptr) {
    return -1;
  }
  const std::int32_t wanted = probe->classId();
  for (std::int32_t i = 0; i < count_; ++i) {
    if (items_[i]->classId() == wanted && items_[i]->isEqual(*probe)) {
      return i;
    }
  }
  return -1;
}

std::int32_t KxList::indexOf(const KxObject* probe) const { return linearIndexOf(probe); }

KxObject* KxList::find(const KxObject* probe) const {
  const std::int32_t index = indexOf(probe);
  return index < 0 ? nullptr : at(index);
}

bool KxList::contains(const KxObject* obj) const { return indexOfPointer(obj) >= 0; }

std::int32_t KxList::indexOfPointer(const KxObject* obj) const {
  if (obj == nullptr) {
    return -1;
  }
  const auto* hit = std::find(items_, items_ + count_, obj);
  return hit == items_ + count_ ? -1 : static_cast<std::int32_t>(hit - items_);
}

void KxList::first() { cursor_ = 0; }

void KxList::last() { cursor_ = count_ - 1; }

KxObject* KxList::next() {
  if (cursor_ < 0 || cursor_ >= count_ || items_[cursor_] == nullptr) {
    return nullptr;
  }
  return items_[cursor_++];
}

KxObject* KxList::prev() {
  if (cursor_ < 0 || cursor_ >= count_ || items_[cursor_] == nullptr) {
    return nullptr;
  }
  return items_[cursor_--];
}

KxObject* KxList::at(std::int32_t index) const {
  return (index < 0 || index >= count_) ? nullptr : items_[index];
}

bool KxList::addIfAbsent(KxObject* obj) { return contains(obj) ? false : add(obj); }

bool KxList::addIfNotFound(KxObject* obj) { return find(obj) != nullptr ? false : add(obj); }

KxList& KxList::assign(const KxList& other) {
  if (&other == this) {
    return *this;
  }
  releaseAllInto(false);
  replaceArray(kDefaultCapacity);
  for (std::int32_t i = 0; i < other.count_; ++i) {
    add(other.items_[i]);
  }
  return *this;
}

void KxList::forEachNotify(std::int32_t a, std::int32_t b) {
  for (std::int32_t i = 0; i < count_; ++i) {
    if (items_[i] != nullptr) {
      items_[i]->notify(a, b);
    }
  }
}

KxTypedList::KxTypedList(std::int32_t elementClassId) : elementClassId_(elementClassId) {}

KxTypedList::KxTypedList(std::int32_t elementClassId, std::int32_t requestedCapacity)
    : KxList(requestedCapacity), elementClassId_(elementClassId) {}

KxTypedList::KxTypedList(const KxTypedList& other) : KxList(other), elementClassId_(other.elementClassId_) {}

bool KxTypedList::add(KxObject* obj) { return fits(obj) && append(obj); }

KxObject* KxTypedList::remove(KxObject* obj) {
  if (obj == nullptr || obj->classId() != elementClassId_) {
    return nullptr;
  }
  return KxList::remove(obj);
}

KxSortedList::KxSortedList(std::int32_t elementClassId) : KxTypedList(elementClassId) {}

KxSortedList::KxSortedList(std::int32_t elementClassId, std::int32_t requestedCapacity)
    : KxTypedList(elementClassId, requestedCapacity) {}

KxSortedList::KxSortedList(const KxSortedList& other) : KxTypedList(other), sorted_(other.sorted_) {}

bool KxSortedList::add(KxObject* obj) {
  if (!fits(obj)) {
    return false;
  }
  if (!sorted_) {
    return append(obj);
  }
  if (count() == capacity()) {
    if (capacity() > std::numeric_limits<std::int32_t>::max() / 2) {
      return false;
    }
    growTo(2 * capacity());
  }
  std::int32_t lo = 0;
  std::int32_t hi = count() - 1;
  while (hi >= lo) {
    const std::int32_t mid = (lo + hi) / 2;
    const std::int32_t r = orderOf(*items()[mid], *obj);
    if (r == -1) {
      lo = mid + 1;
    } else if (r == 0) {
      lo = mid;
      hi = mid - 1;
    } else {
      hi = mid - 1;
    }
  }
  insertAt(lo, obj);
  return true;
}

std::int32_t KxSortedList::indexOf(const KxObject* probe) const {
  if (probe == nullptr) {
    return -1;
  }
  if (!sorted_) {
    return linearIndexOf(probe);
  }
  std::int32_t lo = 0;
  std::int32_t hi = count() - 1;
  while (hi >= lo) {
    std::int32_t mid = (lo + hi) / 2;
    const std::int32_t r = orderOf(*items()[mid], *probe);
    if (r == -1) {
      lo = mid + 1;
    } else if (r == 1) {
      hi = mid - 1;
    } else {
      while (mid > 0 && orderOf(*items()[mid - 1], *probe) == 0) {
        --mid;
      }
      return mid;
    }
  }
  return -1;
}

bool KxSortedList::addUnsorted(KxObject* obj) {
  if (obj == nullptr) {
    return false;
  }
  sorted_ = false;
  return KxTypedList::add(obj);
}

void KxSortedList::sort() {
  mergeSort(items(), count());
  sorted_ = true;
}

void KxSortedList::setSorted(bool flag) {
  if (flag == sorted_) {
    return;
  }
  sorted_ = flag;
  if (flag) {
    sort();
  }
}
