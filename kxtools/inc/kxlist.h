#pragma once

#include <kxtools/inc/kxobject.h>

#include <cstdint>

// Pointer list of KxObjects. Taking an element in raises its holder count, letting it go
// lowers it; an element is deleted only by the deleting operations and only when no list
// holds it any more. Iteration uses the list's own cursor, so one iteration at a time.
class KxList : public KxObject {
public:
  static constexpr std::int32_t kDefaultCapacity = 5;
  static constexpr std::int32_t kMaxRequestedCapacity = 5000;
  static constexpr std::int32_t kMaxAppendCapacity = 32767;

  KxList();
  explicit KxList(std::int32_t requestedCapacity);
  KxList(const KxList& other);
  KxList& operator=(const KxList& other) { return assign(other); }
  ~KxList() override;

  std::int32_t classId() const override { return kKxListClassId; }

  virtual std::int32_t count() const { return count_; }
  virtual void refresh() {}
  virtual bool add(KxObject* obj);
  virtual KxObject* remove(KxObject* obj);
  virtual void removeAndDelete(KxObject* obj);
  virtual void removeAll();
  virtual void deleteAll();
  virtual std::int32_t indexOf(const KxObject* probe) const;
  virtual KxObject* find(const KxObject* probe) const;
  virtual bool contains(const KxObject* obj) const;
  virtual std::int32_t indexOfPointer(const KxObject* obj) const;
  virtual void first();
  virtual KxObject* next();
  virtual void last();
  virtual KxObject* prev();
  virtual KxObject* at(std::int32_t index) const;
  virtual KxObject* item(std::int32_t index) const { return at(index); }
  virtual bool addUnsorted(KxObject* obj) { return add(obj); }
  virtual void sort() {}

  bool addIfAbsent(KxObject* obj);
  bool addIfNotFound(KxObject* obj);
  KxList& assign(const KxList& other);
  void forEachNotify(std::int32_t a, std::int32_t b);

  std::int32_t capacity() const { return capacity_; }
  std::int32_t cursor() const { return cursor_; }

protected:
  // The append without class checks; refuses to grow past kMaxAppendCapacity.
  bool append(KxObject* obj);
  void growTo(std::int32_t slots);
  void insertAt(std::int32_t index, KxObject* obj);
  std::int32_t linearIndexOf(const KxObject* probe) const;
  KxObject* const* items() const { return items_; }
  KxObject** items() { return items_; }

private:
  void releaseAllInto(bool deleteUnreferenced);
  void replaceArray(std::int32_t slots);
  void appendCopiesOf(const KxList& other);

  KxObject** items_ = nullptr;
  std::int32_t capacity_ = 0;
  std::int32_t count_ = 0;
  std::int32_t cursor_ = -1;
};

// A list that admits only elements of one class id (30000 unless given).
class KxTypedList : public KxList {
public:
  explicit KxTypedList(std::int32_t elementClassId = kKxObjectClassId);
  KxTypedList(std::int32_t elementClassId, std::int32_t requestedCapacity);
  KxTypedList(const KxTypedList& other);
  KxTypedList& operator=(const KxTypedList& other) {
    assign(other);
    return *this;
  }

  std::int32_t classId() const override { return kKxTypedListClassId; }
  bool add(KxObject* obj) override;
  KxObject* remove(KxObject* obj) override;

  std::int32_t elementClassId() const { return elementClassId_; }
  void setElementClassId(std::int32_t id) { elementClassId_ = id; }

protected:
  bool fits(const KxObject* obj) const { return obj != nullptr && obj->classId() == elementClassId_; }

private:
  std::int32_t elementClassId_;
};

// A typed list kept in ascending compareTo order while `sorted`, searched by bisection.
class KxSortedList : public KxTypedList {
public:
  explicit KxSortedList(std::int32_t elementClassId = kKxObjectClassId);
  KxSortedList(std::int32_t elementClassId, std::int32_t requestedCapacity);
  KxSortedList(const KxSortedList& other);
  KxSortedList& operator=(const KxSortedList& other) {
    assign(other);
    return *this;
  }

  std::int32_t classId() const override { return kKxSortedListClassId; }
  bool add(KxObject* obj) override;
  std::int32_t indexOf(const KxObject* probe) const override;
  bool addUnsorted(KxObject* obj) override;
  void sort() override;

  bool isSorted() const { return sorted_; }
  void setSorted(bool flag);

private:
  bool sorted_ = true;
};
