// The maps from Win32 handles to the framework objects that wrap them. A permanent entry belongs
// to an object that owns (or was attached to) the handle; a temporary entry is made for a handle
// nobody wrapped, so that calls like FromHandle can always return an object, and is deleted at
// idle time. One GUI thread uses them: they are not locked.
#pragma once

#include <map>

template <class Handle, class Object>
class CHandleMap {
 public:
  ~CHandleMap() { DeleteTemp(); }

  Object* LookupPermanent(Handle h) const {
    auto it = permanent_.find(h);
    return it == permanent_.end() ? nullptr : it->second;
  }
  void SetPermanent(Handle h, Object* o) { permanent_[h] = o; }
  void RemovePermanent(Handle h) { permanent_.erase(h); }

  // The object for h, made and remembered as temporary when nobody owns h.
  Object* FromHandle(Handle h) {
    if (!h) return nullptr;
    if (Object* o = LookupPermanent(h)) return o;
    auto it = temporary_.find(h);
    if (it != temporary_.end()) return it->second;
    Object* o = new Object;
    o->AttachTemporary(h);
    temporary_[h] = o;
    return o;
  }

  void DeleteTemp() {
    auto temp = std::move(temporary_);
    temporary_.clear();
    for (auto& entry : temp) {
      entry.second->DetachTemporary();
      delete entry.second;
    }
  }

 private:
  std::map<Handle, Object*> permanent_;
  std::map<Handle, Object*> temporary_;
};
