#pragma once

#include <cstdint>

// Numeric class ids stand in for run-time type information; they are compared for
// equality only.
enum KxClassId : std::int32_t {
  kKxObjectClassId = 30000,
  kKxListClassId = 30001,
  kKxTypedListClassId = 30002,
  kKxSortedListClassId = 30003,
  kKxStringClassId = 30023,
};

// Root of every object that foundation lists can hold. The holder count says how many
// lists hold the object; it is not a general reference count, and release() never
// deletes: the list that lets an object go with deletion decides.
class KxObject {
public:
  KxObject() = default;
  KxObject(const KxObject&) : KxObject() {}
  KxObject& operator=(const KxObject&) { return *this; }

  virtual ~KxObject() = default;
  virtual bool isUnreferenced() const { return holderCount_ <= 0; }
  virtual std::int32_t classId() const { return kKxObjectClassId; }
  virtual std::int32_t query() const { return 0; }
  // -1, 0 or +1; sorted lists rely on exactly these three values.
  virtual std::int32_t compareTo(const KxObject& other) const;
  virtual void notify(std::int32_t a, std::int32_t b);
  virtual bool isEqual(const KxObject& other) const;

  void addRef() { ++holderCount_; }
  void release() { --holderCount_; }
  std::int32_t holderCount() const { return holderCount_; }

private:
  // A copy is a new object: no list holds it yet.
  std::int32_t holderCount_ = 0;
};
