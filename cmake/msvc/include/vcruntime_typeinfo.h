// Stand-in for the compiler-support header vcruntime_typeinfo.h: type_info
// in the global namespace with the layout the compiler gives its type
// descriptors (vftable pointer, the undecorated name's cache, the decorated
// name), compared and named by vcruntime140; and std::bad_cast, bad_typeid.
#pragma once
#include <vcruntime_exception.h>

#pragma pack(push, _CRT_PACKING)

extern "C" {
struct __type_info_node;
struct __std_type_info_data {
  const char* _UndecoratedName;
  const char _DecoratedName[1];
};
// Each module's list of the undecorated names it asked for, freed at exit.
extern __type_info_node __type_info_root_node;
_VCRTIMP int __cdecl __std_type_info_compare(const __std_type_info_data* left,
                                             const __std_type_info_data* right);
_VCRTIMP size_t __cdecl __std_type_info_hash(const __std_type_info_data* data);
_VCRTIMP const char* __cdecl __std_type_info_name(__std_type_info_data* data,
                                                  __type_info_node* root);
}

extern "C++" class type_info {
 public:
  type_info(const type_info&) = delete;
  type_info& operator=(const type_info&) = delete;

  _NODISCARD size_t hash_code() const noexcept { return __std_type_info_hash(&_Data); }
  _NODISCARD bool operator==(const type_info& other) const noexcept {
    return __std_type_info_compare(&_Data, &other._Data) == 0;
  }
  _NODISCARD bool operator!=(const type_info& other) const noexcept {
    return __std_type_info_compare(&_Data, &other._Data) != 0;
  }
  _NODISCARD bool before(const type_info& other) const noexcept {
    return __std_type_info_compare(&_Data, &other._Data) < 0;
  }
  _NODISCARD const char* name() const noexcept {
    return __std_type_info_name(&_Data, &__type_info_root_node);
  }
  _NODISCARD const char* raw_name() const noexcept { return _Data._DecoratedName; }
  virtual ~type_info() noexcept;

 private:
#ifdef _VO_MSVC_EMIT_TYPE_INFO_VFTABLE
  // Only for runtime/type_info.cc: the compiler emits a class's vftable
  // with its constructor.
  type_info() noexcept;
#endif
  mutable __std_type_info_data _Data;
};

namespace std {
using ::type_info;

class bad_cast : public exception {
 public:
  bad_cast() noexcept : exception("bad cast", 1) {}
  static bad_cast __construct_from_string_literal(const char* message) noexcept {
    return bad_cast(message, 1);
  }

 private:
  bad_cast(const char* message, int) noexcept : exception(message, 1) {}
};

class bad_typeid : public exception {
 public:
  bad_typeid() noexcept : exception("bad typeid", 1) {}
  static bad_typeid __construct_from_string_literal(const char* message) noexcept {
    return bad_typeid(message, 1);
  }

 private:
  friend class __non_rtti_object;
  bad_typeid(const char* message, int) noexcept : exception(message, 1) {}
};

class __non_rtti_object : public bad_typeid {
 public:
  static __non_rtti_object __construct_from_string_literal(const char* message) noexcept {
    return __non_rtti_object(message, 1);
  }

 private:
  __non_rtti_object(const char* message, int) noexcept : bad_typeid(message, 1) {}
};
}  // namespace std

#pragma pack(pop)
